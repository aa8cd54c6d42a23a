#include "analysis/intervals.h"

#include "analysis/rankorder.h"

#include <algorithm>
#include <cmath>

namespace sscm {

std::string bootstrapAdvice(const BootstrapResult& boot) {
    if (std::int64_t(boot.split) * 10 < std::int64_t(boot.settings.replicates))
        return {};
    return "bootstrap: " + std::to_string(boot.split) + " of " +
           std::to_string(boot.settings.replicates) +
           " replicates left out because rare species were missing from the drawn sites; a "
           "higher threshold (10 to 20) keeps fewer rare species, uses more replicates and gives "
           "intervals nearer their stated coverage";
}

double quantile7(const std::vector<double>& sorted, double prob) {
    // As R computes it: 1-based position 1 + (n - 1) p, interpolated between its neighbours.
    const auto n = sorted.size();
    const double index = 1 + double(n - 1) * prob;
    const double lo = std::floor(index);
    const double hi = std::ceil(index);
    double q = sorted[std::size_t(lo) - 1];
    const double x = sorted[std::size_t(hi) - 1];
    if (index > lo && x != q) {
        const double h = index - lo;
        q = (1 - h) * q + h * x;
    }
    return q;
}

double valueSd(const std::vector<double>& values) {
    if (values.size() < 2)
        return 0.0;
    double mean = 0;
    for (const double x : values)
        mean += x;
    mean /= double(values.size());
    double squares = 0;
    for (const double x : values)
        squares += (x - mean) * (x - mean);
    return std::sqrt(squares / double(values.size() - 1));
}

void fillIntervals(const std::vector<double>& values, const std::vector<std::uint8_t>& used,
                   std::size_t species, BootstrapResult& out) {
    std::vector<std::size_t> kept;
    for (std::size_t r = 0; r < used.size(); ++r) {
        if (used[r])
            kept.push_back(r);
    }
    out.used = std::int32_t(kept.size());
    out.split = out.settings.replicates - out.used;
    if (kept.empty())
        return;

    // Ranks replicate by replicate, then the percentile points species by species.
    std::vector<std::int32_t> rankOf(kept.size() * species);
    std::vector<double> row(species);
    for (std::size_t u = 0; u < kept.size(); ++u) {
        std::copy_n(values.begin() + std::ptrdiff_t(kept[u] * species), species, row.begin());
        const auto r = ranks(row);
        std::copy(r.begin(), r.end(), rankOf.begin() + std::ptrdiff_t(u * species));
    }
    const double pLo = (1 - out.settings.level) / 2;
    const double pHi = (1 + out.settings.level) / 2;
    out.valueLo.resize(species);
    out.valueHi.resize(species);
    out.rankLo.resize(species);
    out.rankHi.resize(species);
    out.valueSd.resize(species);
    std::vector<double> v(kept.size());
    std::vector<double> rk(kept.size());
    for (std::size_t s = 0; s < species; ++s) {
        for (std::size_t u = 0; u < kept.size(); ++u) {
            v[u] = values[kept[u] * species + s];
            rk[u] = rankOf[u * species + s];
        }
        out.valueSd[s] = valueSd(v);
        std::sort(v.begin(), v.end());
        std::sort(rk.begin(), rk.end());
        out.valueLo[s] = quantile7(v, pLo);
        out.valueHi[s] = quantile7(v, pHi);
        out.rankLo[s] = quantile7(rk, pLo);
        out.rankHi[s] = quantile7(rk, pHi);
    }
}

void fillAboveNext(const std::vector<double>& values, const std::vector<std::uint8_t>& used,
                   const std::vector<double>& full, BootstrapResult& out) {
    const std::size_t species = full.size();
    out.pAboveNext.assign(species, std::nan(""));
    if (out.used == 0)
        return;
    const std::vector<std::int32_t> order = rankOrder(full);
    auto share = [&](std::size_t s, std::size_t t) {
        std::int64_t above = 0;
        for (std::size_t r = 0; r < used.size(); ++r)
            if (used[r] && values[r * species + s] > values[r * species + t])
                ++above;
        return double(above) / double(out.used);
    };
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        out.pAboveNext[std::size_t(order[i])] =
            share(std::size_t(order[i]), std::size_t(order[i + 1]));
    out.dominance.clear();
    if (!out.settings.dominance)
        return;
    const std::size_t reach = species > kDominanceAllPairs ? kDominanceReach : species;
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size() && j - i <= reach; ++j)
            out.dominance.push_back(
                {order[i], order[j], share(std::size_t(order[i]), std::size_t(order[j]))});
}

} // namespace sscm
