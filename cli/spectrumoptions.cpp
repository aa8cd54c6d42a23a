#include "cli/spectrumoptions.h"

#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "analysis/csvtables.h"
#include "cli/cliwindow.h"
#include "cli/safefiles.h"
#include "commands/bootstrapjob.h"

#include <chrono>
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

} // namespace

void addSpectrumOptions(CLI::App& app, SpectrumOptions& o) {
    app.add_option("--bootstrap", o.replicates,
                   "Bootstrap the cases B times: percentile intervals of every value and rank")
        ->check(CLI::PositiveNumber.description("a whole number of at least 1"));
    app.add_option("--seed", o.seed, "Seed of the bootstrap's draws (default 1)");
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
        ->check(CLI::PositiveNumber);
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

int runSpectrum(Session& s, const SpectrumOptions& o, bool progress) {
    if (o.replicates == 0 && !o.file && o.model.empty())
        return 0;
    if (!s.lastResult || !s.table) {
        std::fprintf(stderr, "sscm-cli: there is no finished run to take further\n");
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
            std::fprintf(stderr, "sscm-cli: %s\n", st.message.c_str());
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
        Status st = planOutput(out);
        if (st)
            st = writeOutput(out, spectrumTable(*s.lastResult, intervals, s.lastModel.get()));
        if (!st) {
            printError(st.message);
            return 1;
        }
    }
    return 0;
}

} // namespace sscm::cli
