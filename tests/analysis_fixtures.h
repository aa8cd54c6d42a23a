#pragma once

#include "analysis/matrix.h"
#include "data/datatable.h"
#include "random_draws.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace sscm::test {

/// A data table built in memory: the variable names and the rows' cells, as Read would store them.
inline std::shared_ptr<DataTable> makeTable(const std::vector<std::string>& names,
                                            const std::vector<std::vector<std::string>>& rows) {
    auto t = std::make_shared<DataTable>();
    t->valn = std::int32_t(names.size());
    t->objn = std::int32_t(rows.size());
    t->varname = names;
    for (const auto& row : rows) {
        for (const auto& cell : row) {
            t->offsets.push_back(t->text.size());
            t->text += cell;
        }
    }
    t->offsets.push_back(t->text.size());
    return t;
}

/// Rows (case, species, intensity) of random field data: `cases` cases of 1 to `maxRows` rows,
/// species drawn from `species` names with the low numbers far more common, intensities small
/// integers so that ties are frequent.
inline std::vector<std::vector<std::string>> randomRows(std::mt19937& rng, int cases, int maxRows,
                                                        int species) {
    std::vector<std::vector<std::string>> rows;
    UniformInt rowCount(1, maxRows);
    UniformReal u(0.0, 1.0);
    UniformInt pref(0, 4);
    for (int c = 0; c < cases; ++c) {
        const int r = rowCount(rng);
        for (int k = 0; k < r; ++k) {
            const int s = int(double(species) * u(rng) * u(rng));
            rows.push_back(
                {"site" + std::to_string(c), "sp" + std::to_string(s), std::to_string(pref(rng))});
        }
    }
    return rows;
}

/// Outcome of a power iteration: the values, the last iterate, the steps and each step's change.
struct IterationResult {
    std::vector<double> curvec;
    std::vector<double> nextvec;
    int steps = 0;
    std::vector<double> changes; // change of each step
};

/// The iteration over the full matrix, testing every cell, as a reference for the compared-pairs
/// version: same sums in the same order.
inline IterationResult denseIteration(const Matrices& m) {
    const int n = m.n;
    IterationResult r;
    r.curvec.assign(std::size_t(n), 0.0);
    r.nextvec.assign(std::size_t(n), 0.0);
    r.curvec[0] = 1;
    int step = 1;
    while (step <= 1000000) {
        for (int i = 0; i < n; ++i) {
            double sum = 0;
            double cnt = 0;
            for (int j = 0; j < n; ++j) {
                if (m.count(i, j) != 0) {
                    sum += m.sum(i, j) * r.curvec[std::size_t(j)];
                    cnt += 1;
                }
            }
            r.nextvec[std::size_t(i)] = sum / cnt * n;
        }
        double norm = 0;
        for (double x : r.nextvec)
            norm += x * x;
        norm = std::sqrt(norm);
        for (double& x : r.nextvec)
            x /= norm;
        double change = 0;
        for (int i = 0; i < n; ++i)
            change += std::fabs(r.nextvec[std::size_t(i)] - r.curvec[std::size_t(i)]) / n;
        r.changes.push_back(change);
        r.curvec = r.nextvec;
        if (change < 0.0000001)
            break;
        ++step;
    }
    double norm = 0;
    for (double x : r.curvec)
        norm += x * x;
    norm = std::sqrt(norm);
    for (double& x : r.curvec)
        x /= norm;
    r.steps = step;
    return r;
}

} // namespace sscm::test
