#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// The code of the comparison of two rows of a case: 3 when the first row's intensity is
/// greater than the second's, 2 when they are equal, 1 when it is smaller.
constexpr int compareCode(double first, double second) {
    return first > second ? 3 : (first == second ? 2 : 1);
}

/// Whether a data row (1-based) is left out of a run: its case, species or intensity cell is
/// empty, or its intensity is exactly "NA" (as R and many tools write a missing value). A text
/// "null" is a name like any other.
bool rowLeftOut(const DataTable& table, std::int32_t casecol, std::int32_t spcol,
                std::int32_t prefcol, std::int32_t row);

/// How many data rows a run left out (`leftOut`, 1-based) and where the first five stand: "2 data
/// rows were left out: their case, species or intensity is missing (line 7 (data row 6), line 12
/// (data row 11))." Empty when none was.
std::string leftOutMessage(const DataTable& table, const std::vector<std::int32_t>& leftOut);

/// The places of the first `most` rows of `rows` (1-based), as messages name them.
std::vector<std::string> firstPlaces(const DataTable& table, const std::vector<std::int32_t>& rows,
                                     std::size_t most);

/// Reads an intensity: a number by the strict rule, written with a decimal comma when the table
/// says so, and negated when lower intensities are preferred, so that the comparison code ranks
/// the most preferred first either way. False for a text that is not a number.
bool readIntensity(const DataTable& table, std::string_view text, bool lowerIsPreferred,
                   double& value);

/// The failure of intensities that are not numbers among `rows` (0-based data rows): names the
/// first ten in data order with their lines, the texts and the variable, and how many there are.
Status intensitiesNotNumbers(const DataTable& table, std::int32_t prefcol,
                             std::vector<std::int32_t> rows);

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
/// is empty; a row whose species comes out negative is left out. Intensities are read by
/// readIntensity(). Fails when an intensity is not a number, naming the first ten such rows.
/// `obs`, when given, has its proceed() called once per case; false stops as cancelled.
Status groupCaseRows(const DataTable& table, std::int32_t prefcol, bool lowerIsPreferred,
                     const std::vector<std::int32_t>& caseStart,
                     const std::vector<std::int32_t>& caseRows,
                     const std::vector<std::int32_t>& rowSpecies,
                     const std::vector<std::int32_t>& speciesMap, CaseRows& out,
                     Progress* obs = nullptr);

} // namespace sscm
