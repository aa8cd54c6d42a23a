#pragma once

#include "commands/session.h"

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
/// for); progress on standard error when `progress`, the summary line there in any case.
/// The intervals stay in the session (lastIntervals) for the results folder. Returns the process
/// exit status: 0, 1 after a failure, 130 when interrupted.
int runSpectrum(Session& s, const SpectrumOptions& o, bool progress);

} // namespace sscm::cli
