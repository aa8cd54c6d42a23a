#include "cli/spectrumoptions.h"

#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "analysis/csvtables.h"
#include "cli/cliwindow.h"
#include "cli/limits.h"
#include "cli/safefiles.h"
#include "cli/terminal.h"
#include "commands/bootstrapjob.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <memory>

#include <CLI/CLI.hpp>

namespace sscm::cli {

namespace {

/// "replicates done, time left" on the terminal, at most a few times a second; stops the
/// bootstrap on Ctrl-C.
class TerminalProgress final : public Progress {
public:
    explicit TerminalProgress(bool show) : show_(show), start_(Clock::now()) {}
    ~TerminalProgress() override {
        if (shown_)
            std::fputc('\n', stderr);
    }
    bool proceed() override { return !CliWindow::stopRequested(); }
    void progress(Stage stage, std::int64_t done, std::int64_t total, double) override {
        if (stage != Stage::Bootstrap || !show_ || done == 0)
            return;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        const double left = elapsed / double(done) * double(total - done);
        std::fprintf(stderr, "\rbootstrap: %d of %d replicates, about %.0f s left   ", int(done),
                     int(total), left);
        std::fflush(stderr);
        shown_ = true;
    }

private:
    using Clock = std::chrono::steady_clock;
    bool show_;
    bool shown_ = false;
    Clock::time_point start_;
};

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

/// A whole number from 1 to `most`, in decimal digits only (no sign, no hexadecimal).
CLI::Validator wholeAtLeastOne(std::uint64_t most) {
    return CLI::Validator(
        [most](std::string& text) {
            if (!allDigits(text) || text.find_first_not_of('0') == std::string::npos)
                return std::string("must be a whole number of at least 1");
            const std::string digits = text.substr(text.find_first_not_of('0'));
            if (digits.size() > 10 || std::stoull(digits) > most)
                return "must be at most " + std::to_string(most);
            return std::string();
        },
        "N >= 1");
}

/// A seed: a whole number from 0 to 2^64 - 1, in decimal digits only.
CLI::Validator seedNumber() {
    return CLI::Validator(
        [](std::string& text) {
            const std::string max = std::to_string(UINT64_MAX);
            std::string digits =
                allDigits(text) ? text.substr(std::min(text.find_first_not_of('0'), text.size()))
                                : std::string("x");
            if (digits.empty())
                digits = "0";
            if (!allDigits(digits) || digits.size() > max.size() ||
                (digits.size() == max.size() && digits > max))
                return "must be a whole number from 0 to " + max;
            text = digits;
            return std::string();
        },
        "N");
}

} // namespace

void addSpectrumOptions(CLI::App& app, SpectrumOptions& o) {
    app.add_option("--bootstrap", o.replicates,
                   "Bootstrap the cases B times: percentile intervals of every value and rank")
        ->check(wholeAtLeastOne(INT32_MAX));
    app.add_option("--seed", o.seed, "Seed of the bootstrap's draws (default 1)")
        ->check(seedNumber());
    app.add_option("--ci", o.level, "Level of the intervals, between 0 and 1 (default 0.95)")
        ->check(CLI::Validator(
            [](std::string& text) {
                double v = 0;
                if (!CLI::detail::lexical_cast(text, v) || !(v > 0 && v < 1))
                    return std::string("the level must lie strictly between 0 and 1");
                return std::string();
            },
            "LEVEL in (0, 1)"));
    app.add_option("--threads", o.threads, "Threads of the bootstrap (default: one per core)")
        ->check(wholeAtLeastOne(1024));
    app.add_option("--spectrum", o.file,
                   "Write the spectrum table (CSV: value, rank, intervals) to FILE");
    app.add_option("--model", o.model,
                   "Also rank by a model fitted to the pair counts: bt (Bradley-Terry), with its "
                   "agreement with the spectrum")
        ->check(CLI::IsMember({"bt"}));
    app.add_flag("--dominance", o.dominance,
                 "With --bootstrap and --out: dominance.csv, the share of replicates in which each "
                 "species lies above each lower one (above 500 species, those within 10 ranks)")
        ->needs("--bootstrap"); // and --out: see addTableOptions
}

int runSpectrum(Session& s, const SpectrumOptions& o, bool progress, PendingFiles& pending) {
    if (o.replicates == 0 && !o.file && o.model.empty())
        return 0;
    if (!s.lastResult || !s.table) {
        printError("There is no finished run to take further.");
        return 1;
    }
    if (o.model == "bt") {
        auto bt = std::make_shared<BtRanking>();
        if (Status st = btRanking(*s.lastResult, *bt); !st) {
            printError("The model-based ranking failed: " + st.message);
            return 1;
        }
        const std::string summary = btSummary(*s.lastResult, *bt);
        std::fputs(summary.c_str(), stderr);
        s.lastModel = std::move(bt);
    }
    const BootstrapResult* intervals = nullptr;
    if (o.replicates > 0) {
        // Every replicate's values are held until the intervals are found.
        // (the model's abilities too, when it is fitted).
        const std::uint64_t perReplicate = std::max<std::uint64_t>(1, s.lastResult->spname.size()) *
                                           kBootstrapBytesPerValue * (o.model.empty() ? 1 : 2);
        const std::uint64_t fits = usableMemory() / perReplicate;
        if (std::uint64_t(o.replicates) > fits) {
            printError("The bootstrap of " + std::to_string(o.replicates) + " replicates of " +
                       std::to_string(s.lastResult->spname.size()) +
                       " species would not fit in this machine's memory; at most " +
                       std::to_string(std::min<std::uint64_t>(fits, INT32_MAX)) + " fit.");
            return 2;
        }
        BootstrapSettings b;
        b.replicates = std::int32_t(std::min<std::int64_t>(o.replicates, INT32_MAX));
        b.seed = o.seed;
        b.level = o.level;
        b.threads = bootstrapThreads(o.threads);
        b.model = s.lastModel != nullptr;
        b.dominance = o.dominance;
        BootstrapJob job;
        Status st;
        {
            TerminalProgress watch(progress);
            st = job.run(*s.table, s.lastSettings, *s.lastResult, b, &watch);
        }
        if (st.code == Status::Code::Cancelled) {
            std::fprintf(stderr, "sscm-cli: interrupted\n");
            return 128 + (CliWindow::stopSignal() != 0 ? CliWindow::stopSignal() : SIGINT);
        }
        if (!st) {
            printError(st.message);
            return 1;
        }
        s.lastIntervals = job.result();
        intervals = s.lastIntervals.get();
        std::fprintf(stderr, "bootstrap: %d replicates used, %d with a split network, seed %llu\n",
                     intervals->used, intervals->split, static_cast<unsigned long long>(o.seed));
        if (const std::string advice = bootstrapAdvice(*intervals); !advice.empty())
            std::fprintf(stderr, "%s\n", advice.c_str());
    }
    if (o.file) {
        // Through a ".part" file created anew beside the (link-resolved) target; standard
        // output ("-"), a device or a FIFO in place.
        Output out("spectrum table", *o.file);
        const std::string table = spectrumTable(*s.lastResult, intervals, s.lastModel.get());
        Status st = planOutput(out);
        if (st)
            st = out.toStdout ? writeOutput(out, table) : pending.write(out.given, table, out.what);
        if (!st) {
            printError(st.message);
            return 1;
        }
    }
    return 0;
}

} // namespace sscm::cli
