// sscm-cli: the batch front end. Does what a user does in the window: Read the data file, assign
// the three roles, GO, Save results.

#include "cli/cliwindow.h"
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
constexpr int kExitInterrupted = 130;

extern "C" void onInterrupt(int) {
    sscm::CliWindow::requestStop();
}

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Prints a failure unless the window has just shown the same text in its warning box.
int fail(const sscm::CliWindow& w, const sscm::Status& st) {
    if (st.code == sscm::Status::Code::Cancelled) {
        std::fprintf(stderr, "sscm-cli: interrupted\n");
        return kExitInterrupted;
    }
    if (st.message != w.lastWarning())
        std::fprintf(stderr, "sscm-cli: %s\n", st.message.c_str());
    return kExitFailed;
}

void printTimings(double read, const sscm::RunTimings& t, double save) {
    const struct {
        const char* stage;
        double seconds;
    } rows[] = {
        {"read", read},
        {"tables", t.tables},
        {"records and matrices", t.records},
        {"removal", t.removal},
        {"connectivity", t.connectivity},
        {"mean matrix and dump", t.meanDump},
        {"iteration", t.iteration},
        {"listing", t.listing},
        {"save", save},
    };
    double total = 0;
    for (const auto& r : rows) {
        std::fprintf(stderr, "%-22s %9.3f s\n", r.stage, r.seconds);
        total += r.seconds;
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
    app.add_flag("--quiet", quiet, "Do not print the result lines");
    app.add_flag("--timings", timings, "Print each stage's time and the peak memory to stderr");
    sscm::cli::SpectrumOptions spectrum;
    sscm::cli::addSpectrumOptions(app, spectrum);
    sscm::cli::TableOptions tableOptions;
    sscm::cli::addTableOptions(app, tableOptions);
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

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::setvbuf(stdout, nullptr, _IOFBF, std::size_t{1} << 20);

    sscm::CliWindow w(isatty(STDERR_FILENO) != 0);
    const std::filesystem::path dataPath(dataFile);
    const std::filesystem::path dir = dataPath.parent_path();
    w.setText(sscm::Ctl::Dir1, dir.empty() ? std::string(".") : dir.string());
    w.setText(sscm::Ctl::Text7, dataPath.filename().string());
    w.setText(sscm::Ctl::Text3, "palatability.csv");
    w.setText(sscm::Ctl::Text5, threshold);
    w.setText(sscm::Ctl::Text1, casevar);
    w.setText(sscm::Ctl::Text2, spvar);
    w.setText(sscm::Ctl::Text4, prefvar);

    sscm::Session s;
    const auto t0 = std::chrono::steady_clock::now();
    sscm::Status st = sscm::readCommand(w, s);
    const double readTime = secondsSince(t0);
    if (!st)
        return fail(w, st);
    if (!s.table) // the header held no variable; the warning has been shown
        return fail(w, sscm::Status::failed("The data file has no variable names."));

    if (listVariables) {
        w.endProgress();
        for (int i = 0; i < w.itemCount(sscm::Ctl::List1); ++i)
            std::printf("%s\n", w.item(sscm::Ctl::List1, i).c_str());
        return 0;
    }

    w.setValue(sscm::Ctl::Check1, keepRare ? 0 : 1);
    if (results)
        w.setText(sscm::Ctl::Text3, *results);
    if (logFile)
        w.setText(sscm::Ctl::Text6, *logFile);

    // The result file appears only after a complete run: its lines go to a ".part" file first.
    const std::string resultName = w.text(sscm::Ctl::Text3);
    const std::string partName = resultName + ".part";
    std::FILE* part = std::fopen(partName.c_str(), "wb");
    if (part == nullptr) {
        std::fprintf(stderr, "sscm-cli: Cannot open the result file \"%s\": %s\n", partName.c_str(),
                     std::strerror(errno));
        return kExitFailed;
    }
    std::setvbuf(part, nullptr, _IOFBF, std::size_t{4} << 20);
    w.setListSink(part, !quiet);

    sscm::RunTimings runTimes;
    st = sscm::goCommand(w, s, &runTimes);
    w.endProgress();
    w.setListSink(nullptr, false);

    const auto t1 = std::chrono::steady_clock::now();
    const bool written = std::fflush(part) == 0 && std::ferror(part) == 0;
    const int closeErr = std::fclose(part) == 0 ? 0 : errno;
    if (st && (!written || closeErr != 0))
        st = sscm::Status::failed("Cannot write the result file \"" + partName + "\".");
    if (st && std::rename(partName.c_str(), resultName.c_str()) != 0)
        st = sscm::Status::failed("Cannot rename \"" + partName + "\" to \"" + resultName +
                                  "\": " + std::strerror(errno));
    if (!st)
        std::remove(partName.c_str());
    std::fflush(stdout);
    if (timings)
        printTimings(readTime, runTimes, secondsSince(t1));
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
                             resultName, w.text(sscm::Ctl::Text6)));
    if (!st)
        return tablesExit == 0 ? 0 : fail(w, st);
    return tablesExit > 0 ? tablesExit : 0;
}
