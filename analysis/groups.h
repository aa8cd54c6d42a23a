#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sscm {

// The species groups of an analysis whose compared pairs split into parts that share no case,
// the message that names them, and each group ranked on its own. Species are referred to by their
// index in the result's kept species (`AnalysisResult::spname`), cases by their index in
// `AnalysisResult::casename`; both 0-based.

/// The groups of kept species linked through shared cases: the connected components of the
/// compared pairs. Group 0 is the largest (among equal sizes, the one whose first species comes
/// first).
struct SpeciesGroups {
    /// Group of each kept species.
    std::vector<std::int32_t> group;
    /// Kept species of each group, in kept order.
    std::vector<std::vector<std::int32_t>> species;
    /// Cases in which a species of the group occurs, in case order. A case links all its kept
    /// species, so the groups share no case; a case with no kept species is in no group.
    std::vector<std::vector<std::int32_t>> cases;
};

/// One group of two or more species ranked on its own: its compared pairs, the fill rule and the
/// iteration of a whole run, as if the data held only the group's cases.
struct GroupSpectrum {
    /// Index of the group in SpeciesGroups.
    std::int32_t group = 0;
    /// Palatability values (unit length) in the order of the group's species, the last iterate
    /// before the final normalisation, the steps taken, the last mean change, and the mean of the
    /// group's mean codes (the fill of its matrix).
    std::vector<double> curvec;
    std::vector<double> nextvec;
    std::int32_t steps = 0;
    double change = 0;
    double fill = 0;
};

/// The groups of the kept species over the compared pairs (one group when the network is
/// connected), with the cases of each.
Status speciesGroups(const DataTable& table, const AnalysisResult& result, SpeciesGroups& out);

/// The message of a split network: its first line "No common species between cases", then how
/// many groups share no case and, largest first, each group's size with its first few species
/// and cases. Lines end with LF, the last one without.
std::string splitNetworkMessage(const AnalysisResult& result, const SpeciesGroups& groups);

/// The failure of a split network for a result filled up to the compared pairs: Code::SplitNetwork
/// with splitNetworkMessage (only its first line when the table does not match the result).
Status splitNetworkStatus(const DataTable& table, const AnalysisResult& result);

/// Ranks each group of two or more species on its own (groups of one species are skipped), in
/// group order. `observer` may be null.
Status rankGroups(const AnalysisResult& result, const SpeciesGroups& groups,
                  std::vector<GroupSpectrum>& out, Progress* observer = nullptr);

} // namespace sscm
