// sscm-cli: the batch front end. Does what a user does in the window: Read the data file, assign
// the three roles, GO, Save results.

#include "analysis/caserows.h"
#include "analysis/numbers.h"
#include "analysis/rankorder.h"
#include "cli/cliwindow.h"
#include "cli/platform.h"
#include "cli/plots.h"
#include "cli/resultsfolder.h"
#include "cli/safefiles.h"
#include "cli/spectrumoptions.h"
#include "cli/terminal.h"
#include "commands/export.h"
#include "commands/go.h"
#include "commands/read.h"
#include "data/pathtext.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

namespace sscm::cli {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitBySignal = 128; // plus the signal's number: 130 for SIGINT, 143 for SIGTERM

/// What a step of the run decides: carry on to the next step, or end with `code`.
struct Exit {
    bool done = false;
    int code = 0;

    static Exit carryOn() { return {}; }
    static Exit with(int c) { return {true, c}; }
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

/// The command line as parsed.
struct Options {
    std::string dataFile;
    std::string casevar;
    std::string spvar;
    std::string prefvar;
    std::string threshold = "4";
    std::optional<std::string> results;
    std::optional<std::string> logFile;
    std::optional<std::string> recordsFile;
    bool listVariables = false;
    bool keepRare = false;
    bool lowerIsPreferred = false;
    char separator = ',';
    bool decimalComma = false;
    bool quiet = false;
    bool printListing = false;
    bool timings = false;
    SpectrumOptions spectrum;
    TableOptions tables;
    PlotOptions plots;
};

/// The files a run writes, planned before anything is read.
struct Outputs {
    Output result{"result file", ""};
    Output log{"log file", ""};
    Output records{"record file", ""};
    Output spectrum{"spectrum table", ""};
    Output plot{"chart", ""};
    Output heatmap{"heat map", ""};
    /// The files the results folder may hold (--out), each checked as an output of its own.
    std::vector<Output> tables;
    /// Those asked for, the result file and the log first.
    std::vector<Output*> all;
    /// Where the run writes the log and the record file: their ".part" files, or files in the
    /// scratch folder for those written in place (empty when no record file is asked for).
    std::string logWritten;
    std::string recordsWritten;
};

/// Everything one run of sscm-cli holds, from the parsed options to the timings.
struct Batch {
    int argc = 0;
    char** argv = nullptr;
    Options opt;
    Outputs out;
    /// Scratch files of this run only, removed on every way out of main().
    ScratchFolder scratch;
    std::optional<CliWindow> w;
    Session s;
    double readTime = 0;
    RunTimings runTimes;
    Status st;
    Clock::time_point saved;
    double saveTime = 0;
    /// The exit status the results folder asks for (-1: the run's own).
    int tablesExit = -1;
    /// Every output of the run, put in place together at its end; the run's own files that go
    /// to a device or standard output are copied there then from where they were written.
    PendingFiles pending;
    std::vector<std::pair<const Output*, std::string>> inPlace;
    /// The times of the steps after the run, for --timings and run.json.
    std::vector<std::pair<std::string, double>> extraTimes;
};

// Prints a failure unless the window has just shown the same text in its warning box. A stop
// is a signal ("interrupted"), a failed write to the result file (named, with the reason) or a
// closed standard output (nothing to say: whoever reads it has gone).
Exit fail(const CliWindow& w, const Status& st, const std::string& resultPath = {}) {
    if (const int signo = CliWindow::stopSignal(); signo != 0) {
        std::fprintf(stderr, "sscm-cli: interrupted\n");
        return Exit::with(kExitBySignal + signo);
    }
    if (const int err = w.resultWriteError(); err != 0) {
        printError("Cannot write the result file \"" + resultPath + "\": " + std::strerror(err));
        return Exit::with(kExitFailed);
    }
    if (const int err = w.stdoutWriteError(); err != 0) {
        if (err != EPIPE)
            printError(std::string("Cannot write to standard output: ") + std::strerror(err));
        return Exit::with(kExitFailed);
    }
    if (st.code != Status::Code::Cancelled && st.message != w.lastWarning())
        printError(st.message);
    return Exit::with(kExitFailed);
}

// Standard output flushed; a failure noted in the window.
void flushStdout(CliWindow& w) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        w.noteStdoutError(errno != 0 ? errno : EIO);
}

void printTimings(double read, const RunTimings& t,
                  const std::vector<std::pair<std::string, double>>& extra) {
    auto rows = stageTimes(read, t);
    rows.insert(rows.end(), extra.begin(), extra.end());
    double total = 0;
    for (const auto& [stage, seconds] : rows) {
        std::fprintf(stderr, "%-22s %9.3f s\n", stage.c_str(), seconds);
        total += seconds;
    }
    std::fprintf(stderr, "%-22s %9.3f s\n", "total", total);
    const double peak = double(peakMemoryBytes()) / (1024.0 * 1024.0);
    std::fprintf(stderr, "%-22s %9.1f MB\n", "peak memory", peak);
}

// CLI11's own wording of a command-line error, in plain English.
std::string usageMessage(const CLI::Error& e) {
    std::string msg = e.what();
    const std::string atMost = ": At Most 1 required but received ";
    if (const std::size_t at = msg.find(atMost); at != std::string::npos)
        msg = msg.substr(0, at) + " may be given once";
    return "sscm-cli: " + msg + "\nRun with --help for more information.\n";
}

Exit parseOptions(int argc, char** argv, Options& o) {
    CLI::App app{"sscm-cli: the palatability spectrum of a table of field observations, in batch. "
                 "Within each case the rows are compared by their intensities: a higher "
                 "intensity means a more preferred species, unless --lower-is-preferred."};
    app.add_option("DATA.csv", o.dataFile,
                   "Data file: one row per observation, variable names on line 1, fields "
                   "separated by commas (or by --separator)")
        ->required();
    app.add_flag("--list-variables", o.listVariables, "Print the variable names and stop");
    auto* caseOpt = app.add_option("--case", o.casevar, "Case (site) variable");
    auto* spOpt = app.add_option("--species", o.spvar, "Plant species variable");
    auto* prefOpt = app.add_option("--pref", o.prefvar,
                                   "Local preference intensity variable (higher = more preferred)");
    app.add_flag("--lower-is-preferred", o.lowerIsPreferred,
                 "Lower intensities mean more preferred (ranks, 1 = eaten first): the "
                 "comparisons are reversed");
    app.add_option("--separator", o.separator,
                   "Field separator of the data file: ',' (default), ';' or tab")
        ->transform(CLI::Validator(
            [](std::string& text) {
                if (text == "tab" || text == "\\t")
                    text = "\t";
                if (text != "," && text != ";" && text != "\t")
                    return std::string("the separator must be ',', ';' or tab");
                return std::string();
            },
            "',' ';' tab"));
    app.add_flag("--decimal-comma", o.decimalComma,
                 "Intensities are written with a decimal comma (2,5): use with --separator ';'");
    auto* thresholdOpt =
        app.add_option("--threshold", o.threshold,
                       "Remove species occurring in this many cases or fewer (default 4)");
    app.add_flag("--keep-rare", o.keepRare, "Keep every species (no low-occurrence removal)");
    app.add_option("--results", o.results,
                   "Result file (default palatability_ and the data file's name)");
    app.add_option("--log", o.logFile, "Log file (default log_ and the data file's name)");
    app.add_option("--records", o.recordsFile,
                   "Also write the within-case comparison records to this file (none by default)");
    app.add_flag("--quiet", o.quiet, "Print nothing on standard output");
    app.add_flag("--print-listing", o.printListing,
                 "Print every line of the result list (the occurrence listing too), not only the "
                 "ranked spectrum");
    app.add_flag("--timings", o.timings, "Print each stage's time and the peak memory to stderr");
    addSpectrumOptions(app, o.spectrum);
    addTableOptions(app, o.tables);
    addPlotOptions(app, o.plots);
    app.set_version_flag("--version", std::string(SSCM_VERSION));
    // "/data/site.csv" is a file name, not an option, on Windows too.
    app.allow_windows_style_options(false);
    app.failure_message([](const CLI::App*, const CLI::Error& e) { return usageMessage(e); });
    try {
        app.parse(argc, argv);
        if (!o.listVariables &&
            (caseOpt->count() == 0 || spOpt->count() == 0 || prefOpt->count() == 0))
            throw CLI::RequiredError("--case, --species and --pref are required",
                                     CLI::ExitCodes::RequiredError);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return Exit::with(code == 0 ? 0 : kExitUsage);
    }
    // Options that change nothing in this run are named, so a typo in a script is seen.
    auto unused = [](const char* option, const char* why) {
        std::fprintf(stderr, "sscm-cli: %s does nothing %s\n", option, why);
    };
    if (o.keepRare && thresholdOpt->count() > 0)
        unused("--threshold", "with --keep-rare");
    if (o.spectrum.replicates == 0) {
        if (app.get_option("--seed")->count() > 0)
            unused("--seed", "without --bootstrap");
        if (app.get_option("--ci")->count() > 0)
            unused("--ci", "without --bootstrap");
    }
    if (o.decimalComma && o.separator == ',')
        unused("--decimal-comma", "with commas as separators: give --separator ';' or tab");
    return Exit::carryOn();
}

// Everything that can be checked is checked before anything is written.
Exit planOutputs(Batch& b) {
    const Options& o = b.opt;
    Outputs& out = b.out;
    const std::string dataName = textOf(pathOf(o.dataFile).filename());
    out.result.given = o.results.value_or("palatability_" + dataName);
    out.log.given = o.logFile.value_or("log_" + dataName);
    out.records.given = o.recordsFile.value_or("");
    out.spectrum.given = o.spectrum.file.value_or("");
    out.plot.given = o.plots.plot;
    out.heatmap.given = o.plots.heatmap;
    out.all = {&out.result, &out.log};
    if (o.recordsFile)
        out.all.push_back(&out.records);
    if (o.spectrum.file)
        out.all.push_back(&out.spectrum);
    if (!o.plots.plot.empty())
        out.all.push_back(&out.plot);
    if (!o.plots.heatmap.empty())
        out.all.push_back(&out.heatmap);
    if (o.tables.wanted()) {
        out.tables.reserve(std::size(kFolderFiles));
        for (const char* name : kFolderFiles)
            out.tables.emplace_back("table", textOf(pathOf(o.tables.outDir) / pathOf(name)));
    }
    if (o.listVariables)
        return Exit::carryOn();
    Status st = chartsBuiltIn(o.plots);
    if (st && o.tables.given && o.tables.outDir.empty())
        st = Status::failed("The --out folder name is empty.");
    if (st && o.tables.perGroup &&
        (o.spectrum.replicates > 0 || o.spectrum.file || o.plots.wanted()))
        st = Status::failed("--per-group ranks the groups of a split network into the --out "
                            "folder only: --bootstrap, --spectrum, --plot and --heatmap cannot be "
                            "given with it.");
    // The tables' folder may not be there yet: a table path in it is checked once the folder
    // is (a missing folder is made when the tables are written).
    std::vector<Output*> checked = out.all;
    for (Output& t : out.tables) {
        const std::filesystem::path folder = pathOf(t.given).parent_path();
        std::error_code ec;
        if (st && std::filesystem::is_directory(folder.empty() ? "." : folder, ec)) {
            st = planOutput(t);
            checked.push_back(&t);
        }
    }
    for (Output* p : out.all)
        if (st)
            st = planOutput(*p);
    if (st)
        st = conflicts(o.dataFile, checked);
    double value = 0;
    if (st && !o.keepRare && !strictNumber(o.threshold, value))
        st = Status::failed("The threshold \"" + o.threshold + "\" is not a number.");
    if (!st) {
        printError(st.message);
        return Exit::with(kExitUsage);
    }
    return Exit::carryOn();
}

// The window's controls as a user fills them in, and Read.
Exit readData(Batch& b) {
    if (const Status st = b.scratch.create(); !st) {
        printError(st.message);
        return Exit::with(kExitFailed);
    }
    b.w.emplace(standardErrorIsTerminal());
    CliWindow& w = *b.w;
    const Options& o = b.opt;
    const std::filesystem::path dataPath = pathOf(o.dataFile);
    const std::filesystem::path dir = dataPath.parent_path();
    w.setText(Ctl::Dir1, dir.empty() ? std::string(".") : textOf(dir));
    w.setText(Ctl::Text7, textOf(dataPath.filename()));
    w.setText(Ctl::Text3, "palatability.csv");
    w.setText(Ctl::Text5, o.threshold);
    w.setText(Ctl::Text1, o.casevar);
    w.setText(Ctl::Text2, o.spvar);
    w.setText(Ctl::Text4, o.prefvar);

    b.s.scratchDir = b.scratch.path();
    b.s.separator = o.separator;
    b.s.decimalComma = o.decimalComma;
    b.s.lowerIsPreferred = o.lowerIsPreferred;
    const auto t0 = Clock::now();
    const Status st = readCommand(w, b.s, DataSource::AnyFile);
    b.readTime = secondsSince(t0);
    if (!st)
        return fail(w, st);
    if (!b.s.table) // the header held no variable; the warning has been shown
        return fail(w, Status::failed("The data file has no variable names."));
    return Exit::carryOn();
}

Exit listVariables(CliWindow& w) {
    w.endProgress();
    for (int i = 0; i < w.itemCount(Ctl::List1); ++i) {
        const std::string line = shown(w.item(Ctl::List1, i)) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    flushStdout(w);
    return w.stdoutWriteError() == 0 ? Exit::with(0) : fail(w, Status::cancelled());
}

// GO with the result lines going to the result file's ".part" file (or where the result file is
// written in place). On return `resultErr` holds the first failed write to it.
Exit runAnalysis(Batch& b, int& resultErr) {
    CliWindow& w = *b.w;
    Outputs& out = b.out;
    w.setValue(Ctl::Check1, b.opt.keepRare ? 0 : 1);
    w.setText(Ctl::Text3, out.result.given);
    // The log goes to its ".part" file beside its target. One that is written in place (a
    // device, standard output) is gathered in the scratch folder and copied there at the end,
    // so the run itself only ever writes regular files it created.
    out.logWritten = out.log.file.inPlace ? b.scratch.path() + "/log" : out.log.file.part;
    w.setText(Ctl::Text6, out.logWritten);
    // No record file unless asked for: the run pools the comparisons in memory.
    b.s.writeRecordFile = b.opt.recordsFile.has_value();
    out.recordsWritten = !b.opt.recordsFile         ? std::string()
                         : out.records.file.inPlace ? b.scratch.path() + "/records"
                                                    : out.records.file.part;
    b.s.recordPath = out.recordsWritten;

    // The result file appears only after a complete run: its lines go to a ".part" file first.
    std::FILE* part = openResult(out.result);
    if (part == nullptr) {
        if (CliWindow::stopSignal() != 0)
            return fail(w, Status::cancelled());
        printError("Cannot open the result file \"" +
                   (out.result.file.inPlace ? out.result.given : out.result.file.part) +
                   "\": " + std::strerror(errno));
        return Exit::with(kExitFailed);
    }
    if (part != stdout)
        std::setvbuf(part, nullptr, _IOFBF, std::size_t{4} << 20);
    w.setListSink(part, b.opt.printListing && !b.opt.quiet && !isStandardOutput(out.result));

    b.st = goCommand(w, b.s, &b.runTimes);
    w.endProgress();
    if (!b.s.leftOut.empty() && b.s.table)
        printError(leftOutMessage(*b.s.table, b.s.leftOut));
    w.setListSink(nullptr, false);

    b.saved = Clock::now();
    resultErr = w.resultWriteError();
    if (std::fflush(part) != 0 || std::ferror(part))
        resultErr = resultErr != 0 ? resultErr : (errno != 0 ? errno : EIO);
    if (part != stdout && std::fclose(part) != 0 && resultErr == 0)
        resultErr = errno != 0 ? errno : EIO;
    flushStdout(w);
    return Exit::carryOn();
}

// Whether the run is to end now: a stop signal, or a closed standard output.
bool stopped(const CliWindow& w) {
    return CliWindow::stopSignal() != 0 || w.stdoutWriteError() != 0;
}

// Hands the run's own files to the outputs put in place at the end. A stop (signal, closed
// output) or a failed write leaves nothing of this run behind and every earlier file as it was.
// A run that stopped on its input keeps its log, as the window does, but writes no result file.
Exit holdRun(Batch& b, int resultErr) {
    CliWindow& w = *b.w;
    Outputs& out = b.out;
    const Status& st = b.st;
    const bool writeFailed = resultErr != 0 || (!st && st.writeError);
    if (stopped(w) || writeFailed) {
        if (!out.result.file.inPlace)
            std::remove(out.result.file.part.c_str());
        std::remove(out.logWritten.c_str());
        if (b.opt.recordsFile)
            std::remove(out.recordsWritten.c_str());
        if (!stopped(w) && resultErr != 0) {
            printError("Cannot write the result file \"" + out.result.given +
                       "\": " + std::strerror(resultErr));
            return Exit::with(kExitFailed);
        }
        return fail(w, st, out.result.given);
    }
    // The log of any run; the result and the records of a finished one only.
    auto hold = [&](const Output& o, const std::string& written, bool keep) {
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(pathOf(written), ec)))
            return; // the run stopped before it wrote this file
        if (!keep) {
            std::remove(written.c_str());
        } else if (!o.file.inPlace) {
            WholeFile done = o.file;
            done.part = written;
            b.pending.adopt(done);
        } else {
            b.inPlace.emplace_back(&o, written);
        }
    };
    hold(out.log, out.logWritten, true);
    if (b.opt.recordsFile)
        hold(out.records, out.recordsWritten, st.isOk());
    hold(out.result, out.result.file.part, st.isOk());
    b.saveTime = secondsSince(b.saved);
    b.extraTimes.emplace_back("save", b.saveTime);
    return Exit::carryOn();
}

// The bootstrap and spectrum table, the results folder (--out) and the charts, after the run;
// each written only to its part file, or held, until every output is ready.
Exit writeExtras(Batch& b) {
    CliWindow& w = *b.w;
    const Options& o = b.opt;
    const auto t2 = Clock::now();
    auto interrupted = [&] { return fail(w, Status::cancelled(), b.out.result.given); };
    const int spectrumExit =
        b.st ? runSpectrum(b.s, o.spectrum, !o.quiet && standardErrorIsTerminal(), b.pending) : 0;
    b.extraTimes.emplace_back("bootstrap and spectrum", secondsSince(t2));
    if (spectrumExit != 0)
        return Exit::with(spectrumExit);
    if (stopped(w))
        return interrupted();
    // The results folder: it may end a split network's per-group run normally.
    const auto t3 = Clock::now();
    const int tablesExit = writeTables(o.tables, w, b.s, b.st,
                                       runRecord(b.argc, b.argv, b.s, b.readTime, b.runTimes,
                                                 b.extraTimes, b.out.result.given, b.out.log.given),
                                       b.pending);
    b.extraTimes.emplace_back("results folder", secondsSince(t3));
    b.tablesExit = tablesExit;
    if (stopped(w))
        return interrupted();
    if (tablesExit > 0)
        return Exit::with(tablesExit);
    if (!b.st)
        return Exit::carryOn(); // the run's own failure is told once its log is in place
    // The charts come last: they draw the intervals of the bootstrap, when there is one.
    const auto t4 = Clock::now();
    const Status st = writePlots(o.plots, b.s, textOf(pathOf(o.dataFile).filename()), b.pending);
    b.extraTimes.emplace_back("charts", secondsSince(t4));
    if (!st)
        return fail(w, st, b.out.result.given);
    return stopped(w) ? interrupted() : Exit::carryOn();
}

// The ranked spectrum on standard output: rank, value (and its interval after a bootstrap) and
// species, most preferred first. Not when standard output already takes the result list or the
// spectrum table, or is to stay quiet.
void printSpectrum(Batch& b) {
    const Options& o = b.opt;
    if (o.quiet || o.printListing || isStandardOutput(b.out.result) ||
        o.spectrum.file.value_or("") == "-" || !b.s.lastResult)
        return;
    const AnalysisResult& r = *b.s.lastResult;
    const BootstrapResult* ci = b.s.lastIntervals.get();
    const bool intervals = ci != nullptr && !ci->valueLo.empty();
    std::string text =
        intervals ? "rank  value     lower     upper     species\n" : "rank  value     species\n";
    const std::vector<std::int32_t> rank = ranks(r.curvec);
    char buf[96];
    for (const std::int32_t k : rankOrder(r.curvec)) {
        const auto i = std::size_t(k);
        int n = std::snprintf(buf, sizeof buf, "%4d  %-8.6g  ", int(rank[i]), r.curvec[i]);
        if (intervals)
            n += std::snprintf(buf + n, sizeof buf - std::size_t(n), "%-8.6g  %-8.6g  ",
                               ci->valueLo[i], ci->valueHi[i]);
        text.append(buf, std::size_t(n));
        text += shown(r.spname[i]) + "\n";
    }
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        b.w->noteStdoutError(errno != 0 ? errno : EIO);
    flushStdout(*b.w);
}

// Puts every output of the run in place together, once all are written; then tells how the run
// ended.
Exit publishAll(Batch& b) {
    CliWindow& w = *b.w;
    const auto t0 = Clock::now();
    if (stopped(w))
        return fail(w, Status::cancelled(), b.out.result.given);
    Status st = b.pending.publish([] { return CliWindow::stopSignal() != 0; });
    for (const auto& [o, written] : b.inPlace) {
        if (st)
            st = publish(*o, written);
        else
            std::remove(written.c_str());
    }
    b.extraTimes.emplace_back("publish", secondsSince(t0));
    if (b.opt.timings)
        printTimings(b.readTime, b.runTimes, b.extraTimes);
    if (st.code == Status::Code::Cancelled || stopped(w))
        return fail(w, Status::cancelled(), b.out.result.given);
    if (!st) {
        printError(st.message);
        return Exit::with(kExitFailed);
    }
    if (!b.st) // a split network ranked per group ends normally
        return b.tablesExit == 0 ? Exit::with(0) : fail(w, b.st, b.out.result.given);
    printSpectrum(b);
    if (w.stdoutWriteError() != 0)
        return fail(w, Status::cancelled());
    return Exit::with(0);
}

int runBatch(int argc, char** argv) {
    Batch b;
    b.argc = argc;
    b.argv = argv;
    if (const Exit e = parseOptions(argc, argv, b.opt); e.done)
        return e.code;

    CliWindow::installSignalHandlers();
    std::setvbuf(stdout, nullptr, _IOFBF, std::size_t{1} << 20);

    if (const Exit e = planOutputs(b); e.done)
        return e.code;
    if (const Exit e = readData(b); e.done)
        return e.code;
    if (b.opt.listVariables)
        return listVariables(*b.w).code;
    int resultErr = 0;
    if (const Exit e = runAnalysis(b, resultErr); e.done)
        return e.code;
    if (const Exit e = holdRun(b, resultErr); e.done)
        return e.code;
    if (const Exit e = writeExtras(b); e.done)
        return e.code;
    return publishAll(b).code;
}

} // namespace

} // namespace sscm::cli

int main(int argc, char** argv) {
    sscm::cli::preparePlatform(argc, argv);
    return sscm::cli::runBatch(argc, argv);
}
