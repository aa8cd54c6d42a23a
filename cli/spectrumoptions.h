#pragma once

#include "commands/session.h"
#include "data/freshfile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace sscm::cli {

/// The bootstrap and the spectrum table asked for on the command line.
struct SpectrumOptions {
    std::int64_t replicates = 0; ///< 0: no bootstrap
    std::uint64_t seed = 1;
    double level = 0.95;
    std::int64_t threads = 0; ///< 0: one per core
    std::optional<std::string> file;
};

/// Adds --bootstrap, --seed, --ci, --threads and --spectrum to the command line.
void addSpectrumOptions(CLI::App& app, SpectrumOptions& o);

/// The bootstrap of the session's last run (when asked for) and the spectrum table (when asked
/// for, put in place with the rest of the run's files by `pending`; standard output at once);
/// progress on standard error when `progress`, the summary line there in any case. The
/// intervals stay in the session (lastIntervals) for the results folder. Returns the process
/// exit status: 0, 1 after a failure, 2 for more replicates than memory holds, 130 when
/// interrupted.
int runSpectrum(Session& s, const SpectrumOptions& o, bool progress, PendingFiles& pending);

/// Bytes the bootstrap holds for each species in each replicate: its value (8) and, while the
/// intervals are found, its rank (4).
inline constexpr std::uint64_t kBootstrapBytesPerValue = sizeof(double) + sizeof(std::int32_t);

} // namespace sscm::cli
