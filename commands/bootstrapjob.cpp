#include "commands/bootstrapjob.h"

#include <algorithm>
#include <climits>
#include <new>
#include <thread>

namespace sscm {

std::int32_t bootstrapThreads(std::int64_t asked) {
    if (asked >= 1)
        return std::int32_t(std::min<std::int64_t>(asked, INT32_MAX));
    return std::int32_t(std::max(1U, std::thread::hardware_concurrency()));
}

BootstrapJob::~BootstrapJob() {
    cancel_ = true;
    thread_.join();
}

void BootstrapJob::Counter::progress(Stage stage, std::int64_t counter, std::int64_t total,
                                     double change) {
    (void)change;
    if (stage != Stage::Bootstrap)
        return;
    job_.done_ = std::int32_t(counter);
    job_.total_ = std::int32_t(total);
}

Status BootstrapJob::run(const DataTable& table, const AnalysisSettings& runSettings,
                         const AnalysisResult& run, const BootstrapSettings& settings,
                         Progress* progress) {
    result_.reset();
    try {
        auto out = std::make_shared<BootstrapResult>();
        Status st = bootstrap(table, runSettings, run, settings, *out, progress);
        if (st)
            result_ = std::move(out);
        return st;
    } catch (const std::bad_alloc&) {
        return Status::failed("There is not enough memory for the bootstrap.");
    }
}

Status BootstrapJob::start(std::shared_ptr<const DataTable> table,
                           const AnalysisSettings& runSettings,
                           std::shared_ptr<const AnalysisResult> run,
                           const BootstrapSettings& settings) {
    if (started_)
        return Status::failed("Confidence intervals are being computed; stop them first.");
    if (!table || !run)
        return Status::failed("There is no finished run: read a data file and run GO first.");
    thread_.join();
    table_ = std::move(table);
    runSettings_ = runSettings;
    run_ = std::move(run);
    settings_ = settings;
    status_ = Status::ok();
    cancel_ = false;
    ended_ = false;
    done_ = 0;
    total_ = settings.replicates;
    work_ = [this](unsigned) {
        Counter counter(*this);
        status_ = this->run(*table_, runSettings_, *run_, settings_, &counter);
        ended_ = true;
    };
    if (!thread_.start(0, 1, work_).empty()) {
        table_.reset();
        run_.reset();
        return Status::failed("Cannot start the computation of the intervals: the system gives "
                              "no thread for it.");
    }
    started_ = true;
    return Status::ok();
}

Status BootstrapJob::finish() {
    thread_.join();
    started_ = false;
    table_.reset();
    run_.reset();
    return status_;
}

} // namespace sscm
