#pragma once

#include "cli/cliwindow.h"
#include "commands/export.h"
#include "commands/go.h"
#include "commands/session.h"
#include "data/status.h"

#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

namespace sscm::cli {

/// The results-folder options of sscm-cli.
struct TableOptions {
    /// --out DIR: the folder of tables and the run record; empty when not asked for.
    std::string outDir;
    /// Whether --out was given at all (an empty name is refused).
    bool given = false;
    /// --per-group: rank each group of a split network on its own.
    bool perGroup = false;

    bool wanted() const { return !outDir.empty(); }
};

/// Adds --out and --per-group to the command line.
void addTableOptions(CLI::App& app, TableOptions& options);

/// What run.json says about how the run came about: the command line, the data file with its
/// size and SHA-256, the stages' times, the result file and log.
RunRecord runRecord(int argc, char** argv, const Session& s, double readSeconds,
                    const RunTimings& timings, std::vector<std::pair<std::string, double>> extra,
                    std::string resultFile, std::string logFile);

/// Writes the results folder after a run that ended with `run` (GO's status), from the
/// session's table and last result. A split network is analysed up to its compared pairs once
/// more for its groups (the settings are the window's). Returns the exit status the command
/// should end with when the folder changes it (1 when the folder cannot be written; 0 when
/// --per-group ranked the groups of a split network), or -1 to keep the run's own. The tables
/// are put in place with the rest of the run's files by `pending`.
int writeTables(const TableOptions& options, CliWindow& w, const Session& s, const Status& run,
                RunRecord record, PendingFiles& pending);

} // namespace sscm::cli
