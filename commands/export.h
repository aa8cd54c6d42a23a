#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "commands/session.h"
#include "data/datatable.h"
#include "data/freshfile.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sscm {

/// How a run came about, for the run record (run.json) of a results folder.
struct RunRecord {
    /// The program and its arguments as given ("sscm-cli", "data.csv", "--case", ...); empty when
    /// the run was started from the window.
    std::vector<std::string> commandLine;
    /// Path of the data file as read; its size is taken from the file system when the folder is
    /// written.
    std::string dataFile;
    /// SHA-256 of the data file in lower-case hexadecimal; empty when not computed.
    std::string dataSha256;
    /// Wall time of each stage, in run order ("read", "tables", ...).
    std::vector<std::pair<std::string, double>> stageSeconds;
    /// The result file and the log written besides the folder (empty when none).
    std::string resultFile;
    std::string logFile;
};

/// What a results folder is written from. `table`, `settings` and `result` belong to one run;
/// `status` is how it ended: Ok, SplitNetwork (result filled up to the compared pairs) or another
/// failure (then only run.json is written, and `result` may be null).
struct RunOutcome {
    const DataTable* table = nullptr;
    const AnalysisSettings* settings = nullptr;
    const AnalysisResult* result = nullptr;
    Status status;
    /// Intervals of the run's spectrum, when a bootstrap was run (null otherwise).
    const BootstrapResult* intervals = nullptr;
    /// The Bradley–Terry companion ranking of a finished run, when asked for (null otherwise).
    const BtRanking* model = nullptr;
    /// Rank each group of two or more species on its own; spectrum.csv gains a `group` column.
    bool perGroup = false;
};

/// What writeResultsFolder wrote.
struct FolderReport {
    /// The files written, in order (run.json last), as names within the folder.
    std::vector<std::string> files;
    /// Groups of kept species, and those of two or more species ranked on their own (per-group
    /// runs only).
    std::int32_t groups = 0;
    std::int32_t groupsRanked = 0;
};

/// Names of the files of a results folder.
inline constexpr const char* kSpectrumCsv = "spectrum.csv";
inline constexpr const char* kPairsCsv = "pairs.csv";
inline constexpr const char* kMatrixCsv = "matrix.csv";
inline constexpr const char* kCasesCsv = "cases.csv";
inline constexpr const char* kGroupsCsv = "groups.csv";
inline constexpr const char* kDominanceCsv = "dominance.csv";
inline constexpr const char* kRunJson = "run.json";

/// Every file a results folder may hold: a run's own outputs are checked against them before
/// anything is written, and those a run does not write are removed when its tables are put in
/// place, so a folder never holds the tables of two runs.
inline constexpr const char* kFolderFiles[] = {kSpectrumCsv, kPairsCsv,     kMatrixCsv, kCasesCsv,
                                               kGroupsCsv,   kDominanceCsv, kRunJson};

/// Writes the results folder `dir` (created when missing): spectrum.csv, pairs.csv, matrix.csv
/// and cases.csv (and dominance.csv when the intervals hold dominance shares) after a finished
/// run; pairs.csv, matrix.csv, cases.csv and groups.csv after a
/// split network (and spectrum.csv with `perGroup`); then run.json, which records the outcome.
/// Each file is written under a temporary name, never through a link at its name, and the
/// tables of an earlier run that this one does not write are removed. Refused, before anything
/// is written, when any name of the folder is the data file `record.dataFile`. With `pending` the
/// files are only written and put in place with the rest of the run's files (pending->publish());
/// without, at once, all together once every one is written.
Status writeResultsFolder(const std::string& dir, const RunOutcome& run, const RunRecord& record,
                          FolderReport* report = nullptr, PendingFiles* pending = nullptr);

/// The session's last run as its results folder records it: its table, settings, result, and
/// the intervals and model that belong to it (those drawn or fitted for another run left out).
/// A split network's run has the status of its groups and neither; before any run, `result` is
/// null and the status a failure.
RunOutcome lastRun(const Session& s);

/// File > Export tables...: the results folder of the session's last run (its table,
/// settings, result and intervals; a split network's folder holds its groups), with `record`
/// saying where the data came from (the data file defaults to the run's). Fails when no run has
/// reached its compared pairs yet, or when a name of the folder is the run's data file or the
/// file read since.
Status exportTables(const Session& s, const std::string& dir, const RunRecord& record = {});

} // namespace sscm
