#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/parallel.h"
#include "data/datatable.h"
#include "data/progress.h"
#include "data/status.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace sscm {

/// The threads a bootstrap asks for: `asked` when at least 1, else one per core.
std::int32_t bootstrapThreads(std::int64_t asked);

/// One bootstrap of a finished run, as the window, the batch front end and R drive it: run on
/// the calling thread with a follower of its own, or started in the background, followed by
/// its counts, cancelled, and its result taken when it has ended.
class BootstrapJob {
public:
    BootstrapJob() = default;
    BootstrapJob(const BootstrapJob&) = delete;
    BootstrapJob& operator=(const BootstrapJob&) = delete;
    /// Stops a bootstrap still running and waits for it.
    ~BootstrapJob();

    /// Runs the bootstrap of `run` (made from `table` with `runSettings`) on the calling thread;
    /// `progress`, when given, follows it (Stage::Bootstrap) and may stop it.
    Status run(const DataTable& table, const AnalysisSettings& runSettings,
               const AnalysisResult& run, const BootstrapSettings& settings,
               Progress* progress = nullptr);

    /// Starts the bootstrap of `run` on a thread of its own, which holds references of its own
    /// to the table and the run. Fails, with nothing started, when a bootstrap is still running
    /// or has not been finished, or when the system gives no thread: a window must not freeze
    /// for the whole bootstrap.
    Status start(std::shared_ptr<const DataTable> table, const AnalysisSettings& runSettings,
                 std::shared_ptr<const AnalysisResult> run, const BootstrapSettings& settings);
    /// True from start() until finish().
    bool running() const { return started_; }
    /// True once the started bootstrap has ended, however it ended.
    bool ended() const { return ended_.load(); }
    /// Replicates finished, and replicates asked for, of the started bootstrap.
    std::int32_t done() const { return done_.load(); }
    std::int32_t total() const { return total_.load(); }
    /// Asks the started bootstrap to stop; it ends at its next report.
    void cancel() { cancel_ = true; }
    /// Whether cancel() was called since start().
    bool cancelled() const { return cancel_.load(); }

    /// Waits for the started bootstrap to end and returns how it ended; result() then holds
    /// its intervals when it succeeded.
    Status finish();
    /// The intervals of the last bootstrap that succeeded, else null.
    std::shared_ptr<const BootstrapResult> result() const { return result_; }
    /// The run the started bootstrap belongs to, until finish().
    const std::shared_ptr<const AnalysisResult>& runOf() const { return run_; }

private:
    /// Follows the background bootstrap: the counts for the window, the stop from cancel().
    class Counter final : public Progress {
    public:
        explicit Counter(BootstrapJob& job) : job_(job) {}
        bool proceed() override { return !job_.cancel_.load(); }
        void progress(Stage stage, std::int64_t counter, std::int64_t total,
                      double change) override;

    private:
        BootstrapJob& job_;
    };

    std::shared_ptr<const DataTable> table_;
    AnalysisSettings runSettings_;
    std::shared_ptr<const AnalysisResult> run_;
    BootstrapSettings settings_;
    std::shared_ptr<const BootstrapResult> result_;
    Status status_;
    bool started_ = false;
    std::atomic<bool> ended_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<std::int32_t> done_{0};
    std::atomic<std::int32_t> total_{0};
    std::function<void(unsigned)> work_;
    PartThreads thread_;
};

} // namespace sscm
