#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <vector>

namespace sscm {

/// Each data row's case and species as indices of a result, and the rows of each case.
struct RowIndex {
    /// Case of each row (0-based row), index into casename; -1 (and -1 for its species) for a row
    /// left out of the run (rowLeftOut).
    std::vector<std::int32_t> rowCase;
    /// Species of each row, index into allSpecies, and its kept index (-1 when removed).
    std::vector<std::int32_t> rowSpecies;
    std::vector<std::int32_t> rowKept;
    /// The rows of case c in data order: caseRows[caseStart[c] .. caseStart[c+1]).
    std::vector<std::int32_t> caseStart;
    std::vector<std::int32_t> caseRows;
};

/// Indexes the rows of `table` by the cases and species of `r`, an analysis of that table.
/// Fails, naming the row, when a row holds a case or species the analysis does not know.
Status indexRows(const DataTable& table, const AnalysisResult& r, RowIndex& out);

} // namespace sscm
