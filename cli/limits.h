#pragma once

// How much of this machine sscm-cli may plan to use, for options whose cost can be told before
// a run: a bootstrap's replicates, a chart's size.

#include <cstdint>

namespace sscm::cli {

/// Half the machine's physical memory: what one run may count on holding at once, leaving the
/// rest to the data, the analysis and everything else that runs.
std::uint64_t usableMemory();

} // namespace sscm::cli
