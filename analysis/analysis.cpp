#include "analysis/analysis.h"

#include "analysis/connect.h"
#include "analysis/eigen.h"
#include "analysis/groups.h"
#include "analysis/matrix.h"
#include "analysis/records.h"
#include "analysis/runparts.h"
#include "analysis/setup.h"
#include "analysis/tables.h"

#include <algorithm>
#include <new>
#include <numeric>

namespace sscm {

void describeTables(AnalysisResult& r, const DataTable& table, const RoleColumns& roles,
                    const CaseSpeciesTables& tab) {
    r.casecol = roles.casecol;
    r.spcol = roles.spcol;
    r.prefcol = roles.prefcol;
    r.objn = table.objn;
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

void describePairs(AnalysisResult& r, const ComparedPairs& pairs, const Matrices& m, double fill) {
    r.fill = fill;
    r.pairs.n = pairs.n;
    r.pairs.start = pairs.start;
    r.pairs.col = pairs.col;
    r.pairs.mean = pairs.val;
    r.pairs.count.resize(pairs.col.size());
    for (std::int32_t i = 0; i < pairs.n; ++i) {
        const double* row = m.compn.data() + std::size_t(i) * std::size_t(m.n);
        for (auto k = pairs.start[std::size_t(i)]; k < pairs.start[std::size_t(i) + 1]; ++k)
            r.pairs.count[std::size_t(k)] = row[pairs.col[std::size_t(k)]];
    }
}

namespace {

Status analyzeStages(const DataTable& table, const AnalysisSettings& settings, AnalysisResult& r,
                     RunObserver& obs) {
    if (table.objn <= 0)
        return Status::failed("The data file has no data rows.");
    RoleColumns roles;
    roles.casevar = settings.casevar;
    roles.spvar = settings.spvar;
    roles.prefvar = settings.prefvar;
    if (Status st = findRoleColumns(table, roles); !st)
        return st;
    CaseSpeciesTables tab;
    if (Status st = buildTables(table, roles.casecol, roles.spcol, tab, &obs); !st)
        return st;
    describeTables(r, table, roles, tab);

    PooledComparisons pooled;
    if (Status st = writeRecords(obs, table, roles.prefcol, tab, nullptr, pooled); !st)
        return st;

    std::vector<std::int32_t> kept;
    std::vector<std::int32_t> removed;
    if (settings.removelow) {
        std::string lastLimit;
        Status st = removeLowOccurrence(
            obs, [&] { return settings.lowlimit; }, tab.spocc, kept, removed, lastLimit);
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
    Matrices m;
    keepSpecies(pooled, kept, m, spname, spfreq);
    pooled = PooledComparisons{};

    ComparedPairs pairs = comparedPairs(m);
    std::vector<double> reached;
    const Status connected = connectSteps(obs, pairs, r.connstep, reached);
    if (connected.code == Status::Code::Cancelled)
        return connected;

    // The compared pairs with their counts and means, also for a split network: its groups can
    // still be looked at, or ranked one by one.
    const double fill = meanMatrix(m);
    takeMeans(pairs, m);
    describePairs(r, pairs, m, fill);
    if (!connected)
        return splitNetworkStatus(table, r);
    m = Matrices{}; // the iteration reads only the compared pairs

    return palatability(obs, pairs, r.curvec, r.nextvec, &r.steps, &r.change);
}

} // namespace

Status analyze(const DataTable& table, const AnalysisSettings& settings, AnalysisResult& result,
               RunObserver* observer) {
    RunObserver quiet;
    result = AnalysisResult{};
    try {
        return analyzeStages(table, settings, result, observer != nullptr ? *observer : quiet);
    } catch (const std::bad_alloc&) {
        return Status::failed(kOutOfMemory);
    }
}

} // namespace sscm
