// sscm-cli: the batch front end. Does what a user does in the window: Read the data file, assign
// the three roles, GO, Save results.

#include "analysis/numbers.h"
#include "cli/cliwindow.h"
#include "cli/plots.h"
#include "cli/safefiles.h"
#include "cli/spectrum.h"
#include "cli/tables.h"
#include "commands/go.h"
#include "commands/read.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitBySignal = 128; // plus the signal's number: 130 for SIGINT, 143 for SIGTERM

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void printError(const std::string& message) {
    std::fprintf(stderr, "sscm-cli: %s\n", sscm::cli::shown(message, true).c_str());
}

// Prints a failure unless the window has just shown the same text in its warning box. A stop
// is a signal ("interrupted"), a failed write to the result file (named, with the reason) or a
// closed standard output (nothing to say: whoever reads it has gone).
int fail(const sscm::CliWindow& w, const sscm::Status& st, const std::string& resultPath = {}) {
    if (const int signo = sscm::CliWindow::stopSignal(); signo != 0) {
        std::fprintf(stderr, "sscm-cli: interrupted\n");
        return kExitBySignal + signo;
    }
    if (const int err = w.resultWriteError(); err != 0) {
        printError("Cannot write the result file \"" + resultPath + "\": " + std::strerror(err));
        return kExitFailed;
    }
    if (const int err = w.stdoutWriteError(); err != 0) {
        if (err != EPIPE)
            printError(std::string("Cannot write to standard output: ") + std::strerror(err));
        return kExitFailed;
    }
    if (st.code != sscm::Status::Code::Cancelled && st.message != w.lastWarning())
        printError(st.message);
    return kExitFailed;
}

// Standard output flushed; a failure noted in the window.
void flushStdout(sscm::CliWindow& w) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        w.noteStdoutError(errno != 0 ? errno : EIO);
}

void printTimings(double read, const sscm::RunTimings& t, double save) {
    auto rows = sscm::stageTimes(read, t);
    rows.emplace_back("save", save);
    double total = 0;
    for (const auto& [stage, seconds] : rows) {
        std::fprintf(stderr, "%-22s %9.3f s\n", stage.c_str(), seconds);
        total += seconds;
    }
    std::fprintf(stderr, "%-22s %9.3f s\n", "total", total);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "%-22s %9.1f MB\n", "peak memory", double(usage.ru_maxrss) / 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"sscm-cli: the palatability spectrum of a table of field observations, in batch."};
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
    bool quiet = false;
    bool timings = false;
    app.add_option("DATA.csv", dataFile, "Comma-separated data file, variable names on line 1")
        ->required();
    app.add_flag("--list-variables", listVariables, "Print the variable names and stop");
    auto* caseOpt = app.add_option("--case", casevar, "Case (site) variable");
    auto* spOpt = app.add_option("--species", spvar, "Plant species variable");
    auto* prefOpt = app.add_option("--pref", prefvar, "Local preference intensity variable");
    app.add_option("--threshold", threshold,
                   "Remove species occurring in this many cases or fewer (default 4)");
    app.add_flag("--keep-rare", keepRare, "Keep every species (no low-occurrence removal)");
    app.add_option("--results", results,
                   "Result file (default palatability_ and the data file's name)");
    app.add_option("--log", logFile, "Log file (default log_ and the data file's name)");
    app.add_option("--records", recordsFile,
                   "Also write the within-case comparison records to this file (none by default)");
    app.add_flag("--quiet", quiet, "Do not print the result lines");
    app.add_flag("--timings", timings, "Print each stage's time and the peak memory to stderr");
    sscm::cli::SpectrumOptions spectrum;
    sscm::cli::addSpectrumOptions(app, spectrum);
    sscm::cli::TableOptions tableOptions;
    sscm::cli::addTableOptions(app, tableOptions);
    sscm::PlotOptions plots;
    sscm::addPlotOptions(app, plots);
    app.set_version_flag("--version", std::string(SSCM_VERSION));
    try {
        app.parse(argc, argv);
        if (!listVariables &&
            (caseOpt->count() == 0 || spOpt->count() == 0 || prefOpt->count() == 0))
            throw CLI::RequiredError("--case, --species and --pref");
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kExitUsage;
    }

    sscm::CliWindow::installSignalHandlers();
    std::setvbuf(stdout, nullptr, _IOFBF, std::size_t{1} << 20);

    // Everything that can be checked is checked before anything is written.
    const std::filesystem::path dataPath(dataFile);
    const std::string dataName = dataPath.filename().string();
    sscm::cli::Output resultOut{"result file", results.value_or("palatability_" + dataName)};
    sscm::cli::Output logOut{"log file", logFile.value_or("log_" + dataName)};
    sscm::cli::Output recordsOut{"record file", recordsFile.value_or("")};
    sscm::cli::Output spectrumOut{"spectrum table", spectrum.file.value_or("")};
    std::vector<sscm::cli::Output*> outputs{&resultOut, &logOut};
    if (recordsFile)
        outputs.push_back(&recordsOut);
    if (spectrum.file)
        outputs.push_back(&spectrumOut);
    sscm::cli::Output plotOut{"chart", plots.plot};
    sscm::cli::Output heatmapOut{"heat map", plots.heatmap};
    if (!plots.plot.empty())
        outputs.push_back(&plotOut);
    if (!plots.heatmap.empty())
        outputs.push_back(&heatmapOut);
    if (!listVariables) {
        std::string why;
        for (sscm::cli::Output* o : outputs)
            if (why.empty())
                why = sscm::cli::planOutput(*o);
        if (why.empty())
            why = sscm::cli::conflicts(dataFile, outputs);
        double value = 0;
        if (why.empty() && !keepRare && !sscm::strictNumber(threshold, value))
            why = "The threshold \"" + threshold + "\" is not a number.";
        if (!why.empty()) {
            printError(why);
            return kExitUsage;
        }
    }
    // Scratch files of this run only, removed on every way out of main().
    sscm::cli::ScratchFolder scratch;
    if (const std::string why = scratch.create(); !why.empty()) {
        printError(why);
        return kExitFailed;
    }
    sscm::CliWindow w(isatty(STDERR_FILENO) != 0);
    const std::filesystem::path dir = dataPath.parent_path();
    w.setText(sscm::Ctl::Dir1, dir.empty() ? std::string(".") : dir.string());
    w.setText(sscm::Ctl::Text7, dataName);
    w.setText(sscm::Ctl::Text3, "palatability.csv");
    w.setText(sscm::Ctl::Text5, threshold);
    w.setText(sscm::Ctl::Text1, casevar);
    w.setText(sscm::Ctl::Text2, spvar);
    w.setText(sscm::Ctl::Text4, prefvar);

    sscm::Session s;
    s.scratchDir = scratch.path();
    const auto t0 = std::chrono::steady_clock::now();
    sscm::Status st = sscm::readCommand(w, s, sscm::DataSource::AnyFile);
    const double readTime = secondsSince(t0);
    if (!st)
        return fail(w, st);
    if (!s.table) // the header held no variable; the warning has been shown
        return fail(w, sscm::Status::failed("The data file has no variable names."));

    if (listVariables) {
        w.endProgress();
        for (int i = 0; i < w.itemCount(sscm::Ctl::List1); ++i) {
            const std::string line = sscm::cli::shown(w.item(sscm::Ctl::List1, i)) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        flushStdout(w);
        return w.stdoutWriteError() == 0 ? 0 : fail(w, sscm::Status::cancelled());
    }

    w.setValue(sscm::Ctl::Check1, keepRare ? 0 : 1);
    w.setText(sscm::Ctl::Text3, resultOut.given);
    // The log goes to its ".part" file beside its target. One that is written in place (a
    // device, standard output) is gathered in the scratch folder and copied there at the end,
    // so the run itself only ever writes regular files it created.
    const std::string logWritten = logOut.inPlace ? scratch.path() + "/log" : logOut.part;
    w.setText(sscm::Ctl::Text6, logWritten);
    // No record file unless asked for: the run pools the comparisons in memory.
    s.writeRecordFile = recordsFile.has_value();
    const std::string recordsWritten = !recordsFile         ? std::string()
                                       : recordsOut.inPlace ? scratch.path() + "/records"
                                                            : recordsOut.part;
    s.recordPath = recordsWritten;

    // The result file appears only after a complete run: its lines go to a ".part" file first.
    std::FILE* part = sscm::cli::openResult(resultOut);
    if (part == nullptr) {
        if (sscm::CliWindow::stopSignal() != 0)
            return fail(w, sscm::Status::cancelled());
        printError("Cannot open the result file \"" +
                   (resultOut.inPlace ? resultOut.given : resultOut.part) +
                   "\": " + std::strerror(errno));
        return kExitFailed;
    }
    if (part != stdout)
        std::setvbuf(part, nullptr, _IOFBF, std::size_t{4} << 20);
    w.setListSink(part, !quiet && !sscm::cli::isStandardOutput(resultOut));

    sscm::RunTimings runTimes;
    st = sscm::goCommand(w, s, &runTimes);
    w.endProgress();
    w.setListSink(nullptr, false);

    const auto t1 = std::chrono::steady_clock::now();
    int resultErr = w.resultWriteError();
    if (std::fflush(part) != 0 || std::ferror(part))
        resultErr = resultErr != 0 ? resultErr : (errno != 0 ? errno : EIO);
    if (part != stdout && std::fclose(part) != 0 && resultErr == 0)
        resultErr = errno != 0 ? errno : EIO;
    flushStdout(w);

    // A stop (signal, closed output) or a failed write leaves nothing of this run behind and
    // every earlier file as it was. A run that stopped on its input keeps its log, as the
    // window does, but writes no result file.
    const bool stopped = sscm::CliWindow::stopSignal() != 0 || w.stdoutWriteError() != 0;
    const bool writeFailed = resultErr != 0 || (!st && st.writeError);
    if (!resultOut.inPlace && (!st || stopped || writeFailed))
        std::remove(resultOut.part.c_str());
    std::string why;
    if (recordsFile && (!st || stopped || writeFailed))
        std::remove(recordsWritten.c_str());
    if (stopped || writeFailed) {
        std::remove(logWritten.c_str());
    } else {
        why = sscm::cli::publish(logOut, logWritten);
        if (st && why.empty() && recordsFile)
            why = sscm::cli::publish(recordsOut, recordsWritten);
        if (st && why.empty() && !resultOut.inPlace &&
            std::rename(resultOut.part.c_str(), resultOut.target.c_str()) != 0)
            why = "Cannot rename \"" + resultOut.part + "\" to \"" + resultOut.target +
                  "\": " + std::strerror(errno);
    }
    if (timings)
        printTimings(readTime, runTimes, secondsSince(t1));
    if (stopped || (!st && resultErr != 0) || (st && (resultErr != 0 || !why.empty()))) {
        if (stopped)
            return fail(w, st, resultOut.given);
        if (resultErr != 0) {
            printError("Cannot write the result file \"" + resultOut.given +
                       "\": " + std::strerror(resultErr));
            return kExitFailed;
        }
        std::remove(resultOut.part.c_str());
        printError(why);
        return kExitFailed;
    }
    const double saveTime = secondsSince(t1);
    const auto t2 = std::chrono::steady_clock::now();
    const int spectrumExit =
        st ? sscm::cli::runSpectrum(s, spectrum, !quiet && isatty(STDERR_FILENO) != 0) : 0;
    if (spectrumExit != 0)
        return spectrumExit;
    // The results folder (--out): it may end a split network's per-group run normally.
    const int tablesExit = sscm::cli::writeTables(
        tableOptions, w, s, st,
        sscm::cli::runRecord(argc, argv, s, readTime, runTimes,
                             {{"save", saveTime}, {"bootstrap and spectrum", secondsSince(t2)}},
                             resultOut.given, logOut.given));
    if (!st)
        return tablesExit == 0 ? 0 : fail(w, st, resultOut.given);
    if (tablesExit > 0)
        return tablesExit;
    // The charts come last: they draw the intervals of the bootstrap, when there is one.
    st = sscm::writePlots(plots, s, dataPath.filename().string());
    return st ? 0 : fail(w, st, resultOut.given);
}
