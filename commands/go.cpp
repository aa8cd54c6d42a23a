#include "commands/go.h"

#include "analysis/casetables.h"
#include "analysis/connect.h"
#include "analysis/listings.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "analysis/records.h"
#include "analysis/setup.h"
#include "commands/windowprogress.h"
#include "data/freshfile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

namespace sscm {

namespace {

class StageClock {
public:
    explicit StageClock(RunTimings* t) : timings_(t), last_(Clock::now()) {}
    /// Adds the time since the previous lap to `field` (none: the time is not counted).
    void lap(double RunTimings::*field) {
        const auto now = Clock::now();
        if (timings_ != nullptr && field != nullptr)
            timings_->*field += std::chrono::duration<double>(now - last_).count();
        last_ = now;
    }

private:
    using Clock = std::chrono::steady_clock;
    RunTimings* timings_;
    Clock::time_point last_;
};

// What a run holds open while it works; a run that stops early tidies up through stop().
struct RunFiles {
    OutFile log;
    OutFile records;
    std::string recordName; // set while a record file exists that the run must remove

    void dropRecords() {
        if (!recordName.empty()) {
            (void)records.close();
            std::remove(recordName.c_str());
            recordName.clear();
        }
    }
};

// Ends a run that stopped early: the records file goes, the log keeps what was written, GO is
// ready again, and a failure is shown in a warning box.
Status stop(Window& w, RunFiles& files, Status st) {
    files.dropRecords();
    (void)files.log.close(); // the failure that stopped the run is the one to report
    if (st.code == Status::Code::Failed)
        w.warning(st.message, kErrorTitle);
    else if (st.code == Status::Code::SplitNetwork)
        w.warning(st.message, kBlankTitle);
    w.setEnabled(Ctl::Command4, true);
    w.setCaption(Ctl::Command4, "GO");
    return st;
}

std::string inScratch(const Session& s, const char* name) {
    return s.scratchDir.empty() ? std::string(name) : s.scratchDir + "/" + name;
}

// A name without a folder lies in the session's output folder.
std::string inOutputDir(const Session& s, const std::string& name) {
    if (s.outputDir.empty() || name.empty() || std::filesystem::path(name).is_absolute())
        return name;
    return s.outputDir + "/" + name;
}

// GO's side of a run: the log (removal, connectivity and the matrix dump), the occurrence
// listing in List3, the record file, the stage times and the progress in the window.
class GoHooks final : public analysis::Hooks {
public:
    GoHooks(Window& w, Session& s, RunFiles& files, RunTimings* timings)
        : w_(w), s_(s), files_(files), shown_(w), clock_(timings) {}

    bool proceed() override { return shown_.proceed(); }
    void progress(Stage stage, std::int64_t counter, std::int64_t total, double change) override {
        shown_.progress(stage, counter, total, change);
    }

    // The roles are found before the log is opened, so a typing error in a name does not wipe
    // the log of the previous run.
    Status rolesFound(const RoleColumns&) override {
        const std::string log = inOutputDir(s_, w_.text(Ctl::Text6));
        // The log is created anew: under the data file's name it would wipe the observations.
        if (Status st = refuseDataFile(log, s_.dataFile, "log file"); !st)
            return st;
        if (Status st = files_.log.open(log, true, "log file"); !st)
            return st;
        w_.setCaption(Ctl::Command4, "Working");
        w_.setEnabled(Ctl::Command4, false);
        w_.setCaption(Ctl::Label11, " 0 %");
        clock_.lap(nullptr);
        return Status::ok();
    }

    void tablesFound(const CaseSpeciesTables& tab) override {
        s_.leftOut = tab.leftOut;
        occurrenceListing(tab, [this](std::string_view line) { w_.addItem(Ctl::List3, line); });
        clock_.lap(&RunTimings::tables);
    }

    Status recordFile(OutFile*& records) override {
        records = nullptr;
        if (!s_.writeRecordFile)
            return Status::ok();
        const std::string name = s_.recordPath.empty() ? inScratch(s_, kRecordFile) : s_.recordPath;
        if (Status st = files_.records.open(name, true); !st)
            return st;
        files_.recordName = name; // removed should the run stop
        records = &files_.records;
        return Status::ok();
    }

    Status recordsDone() override {
        if (s_.writeRecordFile) {
            if (Status st = files_.records.close(); !st)
                return st;
            s_.filetemp = files_.records.path();
        }
        clock_.lap(&RunTimings::records);
        return Status::ok();
    }

    // Text5 is read anew for every species: the user may change it while the pass runs.
    std::string threshold(const AnalysisSettings&) override {
        lowlimit_ = w_.text(Ctl::Text5);
        return lowlimit_;
    }

    void removalDone(const std::vector<std::string_view>& spname,
                     const std::vector<std::int32_t>& removed, bool complete, std::int32_t total,
                     std::int32_t used) override {
        writeRemovalLog(files_.log, spname, removed, complete, total, used);
    }

    void connectStarting() override {
        clock_.lap(&RunTimings::removal);
        writeConnectHeading(files_.log);
    }

    void connectDone(const std::vector<std::string_view>& spname,
                     const std::vector<std::int32_t>& connstep, const std::vector<double>& reached,
                     bool cancelled) override {
        writeConnectLines(files_.log, spname, connstep);
        if (cancelled)
            return;
        s_.curvec = reached;
        s_.nextvec = reached;
        clock_.lap(&RunTimings::connectivity);
    }

    void meansFound(const std::vector<std::string_view>& spname, const PairTable& pairs,
                    double fill) override {
        dumpMatrix(files_.log, spname, pairs, fill);
        clock_.lap(&RunTimings::meanDump);
    }

    /// The last threshold text read from Text5.
    const std::string& lowlimit() const { return lowlimit_; }
    StageClock& clock() { return clock_; }

private:
    Window& w_;
    Session& s_;
    RunFiles& files_;
    WindowProgress shown_;
    StageClock clock_;
    std::string lowlimit_;
};

Status runGo(Window& w, Session& s, RunTimings* timings, RunFiles& files) {
    s.lastResult.reset();
    s.lastTable.reset();
    s.lastIntervals.reset(); // intervals belong to the run they were drawn for
    s.lastModel.reset();
    // The run keeps its own reference: a Read during the run's event processing may replace the
    // session's table, never this one.
    const std::shared_ptr<const DataTable> table = s.table;
    if (!table)
        return stop(w, files,
                    Status::failed("No data file has been read. Read a data file first."));

    AnalysisSettings settings;
    settings.casevar = w.text(Ctl::Text1);
    settings.spvar = w.text(Ctl::Text2);
    settings.prefvar = w.text(Ctl::Text4);
    settings.removelow = w.value(Ctl::Check1) == 1;
    settings.lowerIsPreferred = s.lowerIsPreferred;
    s.leftOut.clear();
    GoHooks hooks(w, s, files, timings);
    auto result = std::make_shared<AnalysisResult>();
    const Status st = analysis::run(*table, settings, &hooks, *result);
    if (settings.removelow)
        settings.lowlimit = hooks.lowlimit();
    if (st.code == Status::Code::SplitNetwork) {
        s.lastSettings = settings;
        s.lastResult = std::move(result);
        s.lastTable = table;
        s.lastDataFile = s.dataFile;
        return stop(w, files, st);
    }
    if (!st)
        return stop(w, files, st);
    s.curvec = result->curvec;
    s.nextvec = result->nextvec;
    hooks.clock().lap(&RunTimings::iteration);

    rankedListing(result->spname, s.curvec, s.palatvalue,
                  [&w](std::string_view line) { w.addItem(Ctl::List3, line); });
    if (s.recordPath.empty())
        files.dropRecords();
    else
        files.recordName.clear(); // asked for: it stays
    if (Status closed = files.log.close(); !closed)
        return stop(w, files, closed);
    s.lastSettings = settings;
    s.lastResult = std::move(result);
    s.lastTable = table;
    s.lastDataFile = s.dataFile;
    w.setEnabled(Ctl::Command4, true);
    w.setCaption(Ctl::Command4, "GO");
    w.setCaption(Ctl::Label11, "100% finished");
    hooks.clock().lap(&RunTimings::listing);
    return Status::ok();
}

} // namespace

std::vector<std::pair<std::string, double>> stageTimes(double readSeconds, const RunTimings& t) {
    return {{"read", readSeconds},
            {"tables", t.tables},
            {"records and matrices", t.records},
            {"removal", t.removal},
            {"connectivity", t.connectivity},
            {"mean matrix and dump", t.meanDump},
            {"iteration", t.iteration},
            {"listing", t.listing}};
}

Status goCommand(Window& w, Session& s) {
    return goCommand(w, s, nullptr);
}

Status goCommand(Window& w, Session& s, RunTimings* timings) {
    if (timings != nullptr)
        *timings = RunTimings{};
    RunFiles files;
    try {
        return runGo(w, s, timings, files);
    } catch (const std::bad_alloc&) {
        // A variable of all-distinct values (an observation number, say) taken as the species
        // needs more memory than any machine has. The run ends like any other failed run.
        return stop(w, files, Status::failed(kOutOfMemory));
    }
}

} // namespace sscm
