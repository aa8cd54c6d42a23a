#include "cli/resultsfolder.h"

#include "cli/filehash.h"
#include "cli/terminal.h"

#include <cstdio>

namespace sscm::cli {

void addTableOptions(CLI::App& app, TableOptions& options) {
    app.add_option_function<std::string>(
        "--out",
        [&options](const std::string& dir) {
            options.outDir = dir;
            options.given = true;
        },
        "Folder of tables for other tools (spectrum, pairs, matrix, cases; groups of "
        "a split network) and the run record run.json");
    app.add_flag("--per-group", options.perGroup,
                 "Rank each group of species of a split network on its own (needs --out)")
        ->needs("--out");
    // The bootstrap's dominance shares are written to the folder only.
    if (CLI::Option* dominance = app.get_option_no_throw("--dominance"))
        dominance->needs("--out");
}

RunRecord runRecord(int argc, char** argv, const Session& s, double readSeconds,
                    const RunTimings& t, std::vector<std::pair<std::string, double>> extra,
                    std::string resultFile, std::string logFile) {
    RunRecord r;
    for (int k = 0; k < argc; ++k)
        r.commandLine.emplace_back(argv[k]);
    r.dataFile = s.dataFile;
    r.stageSeconds = stageTimes(readSeconds, t);
    for (auto& e : extra)
        r.stageSeconds.push_back(std::move(e));
    r.resultFile = std::move(resultFile);
    r.logFile = std::move(logFile);
    return r;
}

int writeTables(const TableOptions& options, CliWindow& w, const Session& s, const Status& run,
                RunRecord record, PendingFiles& pending) {
    if (!options.wanted())
        return -1;
    if (!record.dataFile.empty()) {
        if (Status st = sha256File(record.dataFile, record.dataSha256); !st)
            printError(st.message);
    }

    // GO keeps the result of a finished run, and of a split network up to its compared pairs.
    RunOutcome out;
    out.status = run;
    out.perGroup = options.perGroup;
    const bool tables = run.isOk() || run.code == Status::Code::SplitNetwork;
    if (tables && s.lastResult && s.lastTable) {
        out.table = s.lastTable.get();
        out.settings = &s.lastSettings;
        out.result = s.lastResult.get();
        out.intervals = s.lastIntervals.get();
        out.model = s.lastModel.get();
    }
    // A run that failed earlier has only the settings it was given.
    AnalysisSettings given;
    given.casevar = w.text(Ctl::Text1);
    given.spvar = w.text(Ctl::Text2);
    given.prefvar = w.text(Ctl::Text4);
    given.removelow = w.value(Ctl::Check1) == 1;
    given.lowlimit = w.text(Ctl::Text5);
    if (out.settings == nullptr)
        out.settings = &given;

    FolderReport report;
    if (Status st = writeResultsFolder(options.outDir, out, record, &report, &pending); !st) {
        printError(st.message);
        return 1;
    }
    if (options.perGroup && out.result != nullptr && run.code == Status::Code::SplitNetwork) {
        std::fprintf(stderr,
                     "sscm-cli: %d of %d groups ranked on their own (groups of one species are "
                     "not ranked); values compare only within a group\n",
                     report.groupsRanked, report.groups);
        return 0;
    }
    return -1;
}

} // namespace sscm::cli
