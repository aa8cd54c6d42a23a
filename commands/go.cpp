#include "commands/go.h"

#include "analysis/connect.h"
#include "analysis/eigen.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "analysis/output.h"
#include "analysis/records.h"
#include "analysis/setup.h"
#include "analysis/tables.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

namespace sscm {

namespace {

class StageClock {
public:
    explicit StageClock(RunTimings* t) : timings_(t), last_(Clock::now()) {}
    /// Adds the time since the previous lap to `field`.
    void lap(double RunTimings::*field) {
        const auto now = Clock::now();
        if (timings_ != nullptr)
            timings_->*field += std::chrono::duration<double>(now - last_).count();
        last_ = now;
    }

private:
    using Clock = std::chrono::steady_clock;
    RunTimings* timings_;
    Clock::time_point last_;
};

// What a run holds open while it works; a run that stops early tidies up through end().
struct RunFiles {
    OutFile log;
    OutFile records;
    bool recordsCreated = false;

    void dropRecords() {
        if (recordsCreated) {
            (void)records.close();
            std::remove(kRecordFile);
            recordsCreated = false;
        }
    }
};

// Ends a run that stopped early: the records file goes, the log keeps what was written, GO is
// ready again, and a failure is shown in a warning box.
Status stop(Window& w, RunFiles& files, Status st, const char* title = kErrorTitle) {
    files.dropRecords();
    (void)files.log.close(); // the failure that stopped the run is the one to report
    if (st.code == Status::Code::Failed)
        w.warning(st.message, title);
    w.setEnabled(Ctl::Command4, true);
    w.setCaption(Ctl::Command4, "GO");
    return st;
}

} // namespace

Status goCommand(Window& w, Session& s) {
    return goCommand(w, s, nullptr);
}

namespace {

Status runStages(Window& w, Session& s, RunTimings* timings, RunFiles& files);

} // namespace

Status goCommand(Window& w, Session& s, RunTimings* timings) {
    if (timings != nullptr)
        *timings = RunTimings{};
    RunFiles files;
    try {
        return runStages(w, s, timings, files);
    } catch (const std::bad_alloc&) {
        // The comparison matrices grow with the square of the number of species: a variable of
        // all-distinct values (an observation number, say) taken as the species needs more
        // memory than any machine has. The run ends like any other failed run.
        return stop(w, files,
                    Status::failed("There is not enough memory to complete the analysis. The "
                                   "comparison matrices grow with the square of the number of "
                                   "species: check that the plant species variable is right."));
    }
}

namespace {

Status runStages(Window& w, Session& s, RunTimings* timings, RunFiles& files) {
    // The run keeps its own reference: a Read during the run's event processing may replace the
    // session's table, never this one.
    const std::shared_ptr<const DataTable> table = s.table;
    if (!table)
        return stop(w, files,
                    Status::failed("No data file has been read. Read a data file first."));
    if (table->objn <= 0)
        return stop(w, files, Status::failed("The data file has no data rows."));

    const std::string logname = w.text(Ctl::Text6);
    if (Status st = files.log.open(logname, true, "log file"); !st)
        return stop(w, files, st);
    w.setCaption(Ctl::Command4, "Working");
    w.setEnabled(Ctl::Command4, false);
    w.setCaption(Ctl::Label11, " 0 %");

    RoleColumns roles;
    roles.casevar = w.text(Ctl::Text1);
    roles.spvar = w.text(Ctl::Text2);
    roles.prefvar = w.text(Ctl::Text4);
    if (Status st = findRoleColumns(*table, roles); !st)
        return stop(w, files, st);

    StageClock clock(timings);
    CaseSpeciesTables tab;
    if (Status st = buildTables(w, *table, roles.casecol, roles.spcol, tab); !st)
        return stop(w, files, st);
    appendOccurrenceListing(w, tab);
    clock.lap(&RunTimings::tables);

    Matrices m;
    files.recordsCreated = true;
    if (Status st = files.records.open(kRecordFile, true); !st)
        return stop(w, files, st);
    if (Status st = writeRecords(w, *table, roles.prefcol, tab, files.records, m); !st)
        return stop(w, files, st);
    if (Status st = files.records.close(); !st)
        return stop(w, files, st);
    s.filetemp = kRecordFile;
    clock.lap(&RunTimings::records);

    std::vector<std::string_view> spname = tab.spname;
    std::vector<std::int32_t> spfreq = tab.spfreq;
    if (w.value(Ctl::Check1) == 1) {
        if (Status st = removeLowOccurrence(w, files.log, m, spname, spfreq, tab.spocc); !st)
            return stop(w, files, st);
    }
    clock.lap(&RunTimings::removal);

    ComparedPairs pairs = comparedPairs(m);
    std::vector<std::int32_t> connstep;
    if (Status st = connectSteps(w, files.log, pairs, spname, connstep, s.curvec, s.nextvec); !st) {
        const bool split = st.code == Status::Code::Failed && st.message == kSplitNetwork;
        return stop(w, files, st, split ? kBlankTitle : kErrorTitle);
    }
    clock.lap(&RunTimings::connectivity);

    meanMatrix(m);
    dumpMatrix(files.log, spname, m);
    // The compared pairs now take the mean codes; the iteration reads nothing else.
    for (std::int32_t i = 0; i < pairs.n; ++i) {
        const double* row = m.compsum.data() + std::size_t(i) * std::size_t(m.n);
        for (auto k = pairs.start[std::size_t(i)]; k < pairs.start[std::size_t(i) + 1]; ++k)
            pairs.val[std::size_t(k)] = row[pairs.col[std::size_t(k)]];
    }
    clock.lap(&RunTimings::meanDump);

    if (Status st = palatability(w, pairs, s.curvec, s.nextvec); !st)
        return stop(w, files, st);
    clock.lap(&RunTimings::iteration);

    appendRankedListing(w, spname, s.curvec, s.palatvalue);
    files.recordsCreated = false;
    std::remove(kRecordFile);
    if (Status st = files.log.close(); !st)
        return stop(w, files, st);
    w.setEnabled(Ctl::Command4, true);
    w.setCaption(Ctl::Command4, "GO");
    w.setCaption(Ctl::Label11, "100% finished");
    clock.lap(&RunTimings::listing);
    return Status::ok();
}

} // namespace

} // namespace sscm
