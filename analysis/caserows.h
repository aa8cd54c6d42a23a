#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace sscm {

/// The code of the comparison of two rows of a case: 3 when the first row's intensity is
/// greater than the second's, 2 when they are equal, 1 when it is smaller.
constexpr int compareCode(double first, double second) {
    return first > second ? 3 : (first == second ? 2 : 1);
}

/// The failure of an intensity that is not a number: names the data row (0-based `row`), the
/// text and the variable.
Status intensityNotANumber(const DataTable& table, std::int32_t prefcol, std::int32_t row,
                           std::string_view text);

/// One row of a case: its species and its intensity.
struct CaseRow {
    std::int32_t sp;
    double pref;
};

/// The rows of every case that take part in the comparisons, with their intensities parsed
/// once: the pooling, the bootstrap's preparation and the pair counts all read them from here.
struct CaseRows {
    /// The rows of case c, [caseStart[c], caseStart[c + 1]) of `rows`: grouped by ascending
    /// species, in data order within a species.
    std::vector<CaseRow> rows;
    std::vector<std::int32_t> caseStart;
    /// The intensity of each data row (0-based) that is in `rows`; 0 for the others.
    std::vector<double> pref;

    /// The first row of each species' group in case c, then the case's end: the groups are
    /// [starts[g], starts[g + 1]).
    void groupStarts(std::size_t c, std::vector<std::int32_t>& starts) const;
};

/// Parses the intensities (column `prefcol`, 1-based) of the rows of every case, case by case
/// (the rows of case c are caseRows[caseStart[c] .. caseStart[c + 1]), in data order) and groups
/// them by species: row i has the species rowSpecies[i], mapped through `speciesMap` unless that
/// is empty; a row whose species comes out negative is left out. Fails on the first intensity
/// in case order that is not a number. `obs`, when given, has its proceed() called once per
/// case; false stops as cancelled.
Status groupCaseRows(const DataTable& table, std::int32_t prefcol,
                     const std::vector<std::int32_t>& caseStart,
                     const std::vector<std::int32_t>& caseRows,
                     const std::vector<std::int32_t>& rowSpecies,
                     const std::vector<std::int32_t>& speciesMap, CaseRows& out,
                     Progress* obs = nullptr);

} // namespace sscm
