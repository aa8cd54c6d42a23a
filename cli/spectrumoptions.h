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
    /// "bt": the Bradley–Terry companion ranking; empty for none.
    std::string model;
    /// The bootstrap's dominance shares of pairs of species, for dominance.csv of --out.
    bool dominance = false;
};

/// Adds --bootstrap, --seed, --ci, --threads, --spectrum, --model and --dominance to the command
/// line.
void addSpectrumOptions(CLI::App& app, SpectrumOptions& o);

/// The model-based ranking, the bootstrap of the session's last run and the spectrum table, each
/// when asked for (the table put in place with the rest of the run's files by `pending`;
/// standard output at once); progress on standard error when `progress`, the summary lines there
/// in any case. The model and the intervals stay in the session (lastModel, lastIntervals) for
/// the results folder. Returns the process exit status: 0, 1 after a failure, 2 for more
/// replicates than memory holds, 130 when interrupted.
int runSpectrum(Session& s, const SpectrumOptions& o, bool progress, PendingFiles& pending);

/// Bytes the bootstrap holds for each species in each replicate: its value (8) and, while the
/// intervals are found, its rank (4).
inline constexpr std::uint64_t kBootstrapBytesPerValue = sizeof(double) + sizeof(std::int32_t);

} // namespace sscm::cli
