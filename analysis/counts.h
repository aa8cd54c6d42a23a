#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <vector>

namespace sscm {

// What the data rows of a finished analysis hold beyond its matrices: how often each compared
// pair of species came out higher, tied or lower, and the size of each case. Species are referred
// to by their index in the result's kept species (`AnalysisResult::spname`), cases by their index
// in `AnalysisResult::casename`; both 0-based.

/// The within-case comparisons of one unordered pair of kept species, a before b in kept order:
/// counted over the unordered pairs of rows of the two species within each case.
struct PairCounts {
    std::int32_t a = 0;
    std::int32_t b = 0;
    /// Row pairs in which a's intensity was the higher, equal to b's, or lower.
    std::int64_t aHigher = 0;
    std::int64_t ties = 0;
    std::int64_t bHigher = 0;
    /// Cases in which both species occur.
    std::int32_t cases = 0;
};

/// The rows and species of one case.
struct CaseCounts {
    std::int32_t rows = 0;
    /// Distinct species of the case, and those of them kept after the low-occurrence removal.
    std::int32_t species = 0;
    std::int32_t speciesKept = 0;
};

/// Pair counts of every unordered pair of kept species compared in at least one case, ordered by
/// a, then b. `result` must come from an analysis of `table` that reached the compared pairs
/// (a finished run or a split network). Fails when the table does not match the result.
Status pairCounts(const DataTable& table, const AnalysisResult& result,
                  std::vector<PairCounts>& out);

/// Rows, species and kept species of every case, in case order.
Status caseCounts(const DataTable& table, const AnalysisResult& result,
                  std::vector<CaseCounts>& out);

} // namespace sscm
