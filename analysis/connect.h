#pragma once

#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "data/status.h"
#include "data/window.h"

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

/// Message of the warning box for species that are not all linked through shared cases.
inline constexpr const char* kSplitNetwork = "No common species between cases";

/// Largest number of link steps a species may need to reach every other one.
inline constexpr std::int32_t kMaxConnectSteps = 1000;

/// Writes the minimum connect steps to the log: an empty line, the heading, then for each
/// species its name and the number of link steps it needs to reach every species (at least 1),
/// found by a breadth-first search level by level. Each level is one step: the window's events
/// are processed and Label11 set to "connectivity" and the species number at every step. A
/// species needing 1000 steps or more (the network is split) stops the stage with the failure
/// kSplitNetwork, before its log line. `curvec` and `nextvec` receive the species reached
/// from the last start species (1 or 0 each).
Status connectSteps(Window& w, OutFile& log, const ComparedPairs& pairs,
                    const std::vector<std::string_view>& spname,
                    std::vector<std::int32_t>& connstep, std::vector<double>& curvec,
                    std::vector<double>& nextvec);

} // namespace sscm
