#include "analysis/eigen.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace sscm {

double fillValue(const std::vector<double>& means) {
    double total = 0;
    for (const double v : means)
        total += v;
    return means.empty() ? 0 : total / double(means.size());
}

namespace {

double norm(const std::vector<double>& v) {
    double s = 0;
    for (const double x : v)
        s += x * x;
    return std::sqrt(s);
}

} // namespace

Status palatability(Progress& obs, const PairTable& pairs, std::vector<double>& curvec,
                    std::vector<double>& nextvec, std::int32_t* steps, double* lastChange) {
    std::vector<double> partners(std::size_t(pairs.n));
    for (std::size_t i = 0; i < partners.size(); ++i)
        partners[i] = double(pairs.start[i + 1] - pairs.start[i]);
    return powerIteration(obs, pairs.n, pairs.start.data(), pairs.col.data(), pairs.mean.data(),
                          partners.data(), curvec, nextvec, steps, lastChange);
}

Status powerIteration(Progress& obs, std::int32_t species, const std::int64_t* start,
                      const std::int32_t* col, const double* val, const double* partners,
                      std::vector<double>& curvec, std::vector<double>& nextvec,
                      std::int32_t* steps, double* lastChange) {
    const auto n = std::size_t(species);
    const double spn = double(species);
    curvec.assign(n, 0.0);
    nextvec.assign(n, 0.0);
    if (steps != nullptr)
        *steps = 0;
    if (lastChange != nullptr)
        *lastChange = 0;
    if (n == 0)
        return Status::ok();
    curvec[0] = 1;
    double change = 0;
    std::int32_t step = 1;
    for (; step <= kMaxEigenSteps; ++step) {
        if (!obs.proceed())
            return Status::cancelled();
        if (step / 100 * 100 == step)
            obs.progress(Stage::Iteration, step / 100, 0, change);
        for (std::size_t i = 0; i < n; ++i) {
            double sum = 0;
            const auto last = std::size_t(start[i + 1]);
            for (auto k = std::size_t(start[i]); k < last; ++k)
                sum += val[k] * curvec[std::size_t(col[k])];
            nextvec[i] = sum / partners[i] * spn;
        }
        const double len = norm(nextvec);
        for (double& x : nextvec)
            x /= len;
        change = 0;
        for (std::size_t i = 0; i < n; ++i)
            change += std::fabs(nextvec[i] - curvec[i]) / spn;
        curvec = nextvec;
        if (change < kEigenTolerance)
            break;
    }
    if (steps != nullptr)
        *steps = std::min(step, kMaxEigenSteps);
    if (lastChange != nullptr)
        *lastChange = change;
    const double len = norm(curvec);
    for (double& x : curvec)
        x /= len;
    return Status::ok();
}

} // namespace sscm
