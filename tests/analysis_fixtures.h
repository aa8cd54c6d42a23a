#pragma once

#include "data/datatable.h"

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
    std::uniform_int_distribution<int> rowCount(1, maxRows);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::uniform_int_distribution<int> pref(0, 4);
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

} // namespace sscm::test
