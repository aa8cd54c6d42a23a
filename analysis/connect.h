#pragma once

#include "analysis/analysis.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "data/status.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace sscm {

/// The compared pairs of the comparison matrix, row by row: for species i the species j with
/// compn(i, j) != 0 in ascending j, with a value per pair (the mean code once the mean step has
/// run). Most pairs of a large species list never meet in a case, so the later stages work on
/// these lists instead of the full matrix.
struct ComparedPairs {
    std::int32_t n = 0;
    /// Entries of row i: [start[i], start[i+1]).
    std::vector<std::int64_t> start;
    std::vector<std::int32_t> col;
    std::vector<double> val;
};

/// The compared pairs of `m`, values taken from compsum.
ComparedPairs comparedPairs(const Matrices& m);

/// Gives each compared pair of `pairs` its value in m.compsum (the mean code after meanMatrix).
void takeMeans(ComparedPairs& pairs, const Matrices& m);

/// Message of the warning box for species that are not all linked through shared cases.
inline constexpr const char* kSplitNetwork = "No common species between cases";

/// Largest number of link steps a species may need to reach every other one.
inline constexpr std::int32_t kMaxConnectSteps = 1000;

/// The minimum connect steps: for each species in turn, the number of link steps it needs to
/// reach every species (at least 1), found by a breadth-first search level by level. Each level
/// is one step: the observer's proceed() and then progress(RunStage::Connectivity, species
/// number from 1). A species needing 1000 steps or more (the network is split) stops the stage
/// with Status::Code::SplitNetwork and the message kSplitNetwork; `connstep` then ends with that
/// species' steps, and `reached` marks (1 or 0) the species reached from it.
Status connectSteps(RunObserver& obs, const ComparedPairs& pairs,
                    std::vector<std::int32_t>& connstep, std::vector<double>& reached);

/// The log's connectivity section: an empty line and the heading, before the stage runs.
void writeConnectHeading(OutFile& log);
/// The log lines of the species searched: each name and its steps in print form; a species
/// that failed (1000 steps or more) gets none.
void writeConnectLines(OutFile& log, const std::vector<std::string_view>& spname,
                       const std::vector<std::int32_t>& connstep);

} // namespace sscm
