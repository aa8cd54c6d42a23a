#include "analysis/analysis.h"

#include "analysis/casetables.h"
#include "analysis/connect.h"
#include "analysis/eigen.h"
#include "analysis/groups.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "analysis/records.h"
#include "analysis/setup.h"

#include <algorithm>
#include <new>
#include <numeric>

namespace sscm {

namespace {

void describeTables(AnalysisResult& r, const DataTable& table, const RoleColumns& roles,
                    const CaseSpeciesTables& tab) {
    r.casecol = roles.casecol;
    r.spcol = roles.spcol;
    r.prefcol = roles.prefcol;
    r.objn = table.objn;
    r.leftOut = tab.leftOut;
    r.lowerIsPreferred = tab.lowerIsPreferred;
    r.casename.assign(tab.casename.begin(), tab.casename.end());
    r.casefreq = tab.casefreq;
    r.allSpecies.assign(tab.spname.begin(), tab.spname.end());
    r.allSpfreq = tab.spfreq;
    r.allSpocc = tab.spocc;
}

void describeSpecies(AnalysisResult& r, const CaseSpeciesTables& tab,
                     const std::vector<std::int32_t>& kept,
                     const std::vector<std::int32_t>& removed) {
    r.kept = kept;
    r.removed = removed;
    r.spname.clear();
    r.spfreq.clear();
    r.spocc.clear();
    for (const std::int32_t k : kept) {
        r.spname.emplace_back(tab.spname[std::size_t(k)]);
        r.spfreq.push_back(tab.spfreq[std::size_t(k)]);
        r.spocc.push_back(tab.spocc[std::size_t(k)]);
    }
}

Status stages(const DataTable& table, const AnalysisSettings& settings, analysis::Hooks& hooks,
              AnalysisResult& r) {
    if (table.objn <= 0)
        return Status::failed("The data file has no data rows.");
    RoleColumns roles;
    roles.casevar = settings.casevar;
    roles.spvar = settings.spvar;
    roles.prefvar = settings.prefvar;
    if (Status st = findRoleColumns(table, roles); !st)
        return st;
    if (Status st = hooks.rolesFound(roles); !st)
        return st;

    CaseSpeciesTables tab;
    const Status built = buildTables(table, roles.casecol, roles.spcol, roles.prefcol, tab, &hooks);
    if (!built)
        return built;
    tab.lowerIsPreferred = settings.lowerIsPreferred;
    describeTables(r, table, roles, tab);
    if (tab.casen == 0)
        return Status::failed("Every data row lacks its case, species or intensity: no row is "
                              "left to compare.");
    hooks.tablesFound(tab);

    PooledComparisons pooled;
    OutFile* records = nullptr;
    if (Status st = hooks.recordFile(records); !st)
        return st;
    if (Status st = writeRecords(hooks, table, roles.prefcol, tab, records, pooled); !st)
        return st;
    if (Status st = hooks.recordsDone(); !st)
        return st;

    std::vector<std::int32_t> kept;
    std::vector<std::int32_t> removed;
    if (settings.removelow) {
        std::string lastLimit;
        const Status st = removeLowOccurrence(
            hooks, [&] { return hooks.threshold(settings); }, tab.spocc, kept, removed, lastLimit);
        hooks.removalDone(tab.spname, removed, st.isOk(), tab.spn, std::int32_t(kept.size()));
        if (!st)
            return st;
        if (kept.empty())
            return noSpeciesLeft(tab.spn, lastLimit);
    } else {
        kept.resize(std::size_t(tab.spn));
        std::iota(kept.begin(), kept.end(), 0);
    }
    describeSpecies(r, tab, kept, removed);
    std::vector<std::string_view> spname = tab.spname;
    std::vector<std::int32_t> spfreq = tab.spfreq;
    {
        Matrices m;
        keepSpecies(pooled, kept, m, spname, spfreq);
        pooled = PooledComparisons{};
        hooks.connectStarting();
        // Later stages read only the compared pairs.
        r.pairs = comparedPairs(m);
    }

    std::vector<double> reached;
    const Status connected = connectSteps(hooks, r.pairs, r.connstep, reached);
    hooks.connectDone(spname, r.connstep, reached, connected.code == Status::Code::Cancelled);
    if (connected.code == Status::Code::Cancelled)
        return connected;

    // The fill also for a split network: its groups can still be looked at, or ranked one by one.
    r.fill = fillValue(r.pairs.mean);
    if (!connected)
        return splitNetworkStatus(table, r);
    hooks.meansFound(spname, r.pairs, r.fill);

    return palatability(hooks, r.pairs, r.curvec, r.nextvec, &r.steps, &r.change);
}

} // namespace

Status analysis::run(const DataTable& table, const AnalysisSettings& settings, Hooks* hooks,
                     AnalysisResult& result) {
    Hooks quiet;
    result = AnalysisResult{};
    try {
        return stages(table, settings, hooks != nullptr ? *hooks : quiet, result);
    } catch (const std::bad_alloc&) {
        return Status::failed(kOutOfMemory);
    }
}

} // namespace sscm
