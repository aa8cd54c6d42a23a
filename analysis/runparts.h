#pragma once

#include "analysis/analysis.h"
#include "analysis/connect.h"
#include "analysis/matrix.h"
#include "analysis/setup.h"
#include "analysis/tables.h"

#include <cstdint>
#include <vector>

namespace sscm {

// How the stages' findings go into an AnalysisResult: shared by the plain call and the window's
// GO command, which drive the same stages.

/// Columns, rows, cases and every species with its rows and occurrence.
void describeTables(AnalysisResult& r, const DataTable& table, const RoleColumns& roles,
                    const CaseSpeciesTables& tab);
/// The species kept and removed (indices into tab's species, ascending).
void describeSpecies(AnalysisResult& r, const CaseSpeciesTables& tab,
                     const std::vector<std::int32_t>& kept,
                     const std::vector<std::int32_t>& removed);
/// The compared pairs with their counts (from m.compn) and mean codes (pairs.val), and the fill.
void describePairs(AnalysisResult& r, const ComparedPairs& pairs, const Matrices& m, double fill);

} // namespace sscm
