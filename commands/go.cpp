#include "commands/go.h"

#include "analysis/connect.h"
#include "analysis/eigen.h"
#include "analysis/groups.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "analysis/output.h"
#include "analysis/records.h"
#include "analysis/runparts.h"
#include "analysis/setup.h"
#include "analysis/tables.h"
#include "commands/windowobserver.h"
#include "data/printfmt.h"

#include <chrono>
#include <cmath>
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

Status runStages(Window& w, Session& s, RunTimings* timings, RunFiles& files) {
    s.lastResult.reset();
    s.lastTable.reset();
    s.lastIntervals.reset(); // intervals belong to the run they were drawn for
    // The run keeps its own reference: a Read during the run's event processing may replace the
    // session's table, never this one.
    const std::shared_ptr<const DataTable> table = s.table;
    if (!table)
        return stop(w, files,
                    Status::failed("No data file has been read. Read a data file first."));
    if (table->objn <= 0)
        return stop(w, files, Status::failed("The data file has no data rows."));

    // The roles are found before the log is opened, so a typing error in a name does not wipe
    // the log of the previous run.
    AnalysisSettings settings;
    settings.casevar = w.text(Ctl::Text1);
    settings.spvar = w.text(Ctl::Text2);
    settings.prefvar = w.text(Ctl::Text4);
    RoleColumns roles;
    roles.casevar = settings.casevar;
    roles.spvar = settings.spvar;
    roles.prefvar = settings.prefvar;
    if (Status st = findRoleColumns(*table, roles); !st)
        return stop(w, files, st);

    const std::string logname = w.text(Ctl::Text6);
    if (Status st = files.log.open(logname, true, "log file"); !st)
        return stop(w, files, st);
    w.setCaption(Ctl::Command4, "Working");
    w.setEnabled(Ctl::Command4, false);
    w.setCaption(Ctl::Label11, " 0 %");
    WindowObserver obs(w);
    auto result = std::make_shared<AnalysisResult>();

    StageClock clock(timings);
    CaseSpeciesTables tab;
    if (Status st = buildTables(*table, roles.casecol, roles.spcol, tab, &obs); !st)
        return stop(w, files, st);
    describeTables(*result, *table, roles, tab);
    appendOccurrenceListing(w, tab);
    clock.lap(&RunTimings::tables);

    PooledComparisons pooled;
    OutFile* records = nullptr;
    if (s.writeRecordFile) {
        const std::string name = s.recordPath.empty() ? inScratch(s, kRecordFile) : s.recordPath;
        if (Status st = files.records.open(name, true); !st)
            return stop(w, files, st);
        files.recordName = name; // removed should the run stop
        records = &files.records;
    }
    if (Status st = writeRecords(obs, *table, roles.prefcol, tab, records, pooled); !st)
        return stop(w, files, st);
    if (records != nullptr) {
        if (Status st = files.records.close(); !st)
            return stop(w, files, st);
        s.filetemp = files.records.path();
    }
    clock.lap(&RunTimings::records);

    std::vector<std::int32_t> kept;
    std::vector<std::int32_t> removed;
    if (w.value(Ctl::Check1) == 1) {
        // Text5 is read anew for every species: the user may change it while the pass runs.
        std::string lowlimit;
        const Status st = removeLowOccurrence(
            obs, [&] { return w.text(Ctl::Text5); }, tab.spocc, kept, removed, lowlimit);
        settings.lowlimit = lowlimit;
        writeRemovalLog(files.log, tab.spname, removed, st.isOk(), tab.spn,
                        std::int32_t(kept.size()));
        if (!st)
            return stop(w, files, st);
        if (kept.empty())
            return stop(w, files, noSpeciesLeft(tab.spn, lowlimit));
    } else {
        settings.removelow = false;
        for (std::int32_t k = 0; k < tab.spn; ++k)
            kept.push_back(k);
    }
    describeSpecies(*result, tab, kept, removed);
    std::vector<std::string_view> spname = tab.spname;
    std::vector<std::int32_t> spfreq = tab.spfreq;
    Matrices m;
    keepSpecies(pooled, kept, m, spname, spfreq);
    pooled = PooledComparisons{};
    clock.lap(&RunTimings::removal);

    ComparedPairs pairs = comparedPairs(m);
    writeConnectHeading(files.log);
    std::vector<double> reached;
    const Status connected = connectSteps(obs, pairs, result->connstep, reached);
    writeConnectLines(files.log, spname, result->connstep);
    if (connected.code == Status::Code::Cancelled)
        return stop(w, files, connected);
    s.curvec = reached;
    s.nextvec = reached;
    clock.lap(&RunTimings::connectivity);

    const double fill = meanMatrix(m);
    if (connected)
        dumpMatrix(files.log, spname, m);
    // The compared pairs now take the mean codes; the iteration reads nothing else.
    takeMeans(pairs, m);
    describePairs(*result, pairs, m, fill);
    if (!connected) {
        s.lastSettings = settings;
        s.lastResult = std::move(result);
        s.lastTable = table;
        s.lastDataFile = s.dataFile;
        // The warning names the groups of species that share no case.
        return stop(w, files, splitNetworkStatus(*table, *s.lastResult));
    }
    m = Matrices{};
    clock.lap(&RunTimings::meanDump);

    if (Status st = palatability(obs, pairs, s.curvec, s.nextvec, &result->steps, &result->change);
        !st)
        return stop(w, files, st);
    result->curvec = s.curvec;
    result->nextvec = s.nextvec;
    clock.lap(&RunTimings::iteration);

    appendRankedListing(w, spname, s.curvec, s.palatvalue);
    if (s.recordPath.empty())
        files.dropRecords();
    else
        files.recordName.clear(); // asked for: it stays
    if (Status st = files.log.close(); !st)
        return stop(w, files, st);
    s.lastSettings = settings;
    s.lastResult = std::move(result);
    s.lastTable = table;
    s.lastDataFile = s.dataFile;
    w.setEnabled(Ctl::Command4, true);
    w.setCaption(Ctl::Command4, "GO");
    w.setCaption(Ctl::Label11, "100% finished");
    clock.lap(&RunTimings::listing);
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
        return runStages(w, s, timings, files);
    } catch (const std::bad_alloc&) {
        // A variable of all-distinct values (an observation number, say) taken as the species
        // needs more memory than any machine has. The run ends like any other failed run.
        return stop(w, files, Status::failed(kOutOfMemory));
    }
}

} // namespace sscm
