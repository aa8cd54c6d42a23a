#pragma once

#include "analysis/analysis.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "data/status.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace sscm {

/// The compared pairs of `m` (compn(i, j) != 0), each with its count and its mean code
/// compsum(i, j) / compn(i, j).
PairTable comparedPairs(const Matrices& m);

/// Message of the warning box for species that are not all linked through shared cases.
inline constexpr const char* kSplitNetwork = "No common species between cases";

/// Largest number of link steps a species may need to reach every other one.
inline constexpr std::int32_t kMaxConnectSteps = 1000;

/// The minimum connect steps: for each species in turn, the number of link steps it needs to
/// reach every species (at least 1), found by a breadth-first search level by level. Each level
/// is one step: proceed() and then progress(Stage::Connectivity, species number from 1, 0, 0).
/// A species needing kMaxConnectSteps steps or more (the network is split) stops the stage
/// with Status::Code::SplitNetwork and the message kSplitNetwork; `connstep` then ends with that
/// species' steps, and `reached` marks (1 or 0) the species reached from it.
Status connectSteps(Progress& obs, const PairTable& pairs, std::vector<std::int32_t>& connstep,
                    std::vector<double>& reached);

/// The log's connectivity section: an empty line and the heading, before the stage runs.
void writeConnectHeading(OutFile& log);
/// The log lines of the species searched: each name and its steps in print form; a species
/// that failed (kMaxConnectSteps steps or more) gets none.
void writeConnectLines(OutFile& log, const std::vector<std::string_view>& spname,
                       const std::vector<std::int32_t>& connstep);

} // namespace sscm
