#include "analysis/groups.h"

#include "analysis/connect.h"
#include "analysis/eigen.h"
#include "analysis/rowindex.h"
#include "analysis/unionfind.h"

#include <algorithm>
#include <utility>

namespace sscm {

Status speciesGroups(const DataTable& table, const AnalysisResult& result, SpeciesGroups& out) {
    out = SpeciesGroups{};
    const PairTable& p = result.pairs;
    const auto n = std::size_t(p.n);
    if (n != result.spname.size() || p.start.size() != n + 1)
        return Status::failed("The analysis holds no compared pairs of its kept species.");
    RowIndex idx;
    if (Status st = indexRows(table, result, idx); !st)
        return st;

    UnionFind linked(n);
    for (std::size_t i = 0; i < n; ++i)
        for (auto k = p.start[i]; k < p.start[i + 1]; ++k)
            linked.unite(std::int32_t(i), p.col[std::size_t(k)]);
    // Roots in order of their first species; then the largest group first.
    std::vector<std::int32_t> groupOfRoot(n, -1);
    std::vector<std::vector<std::int32_t>> members;
    for (std::size_t i = 0; i < n; ++i) {
        const auto root = std::size_t(linked.find(std::int32_t(i)));
        if (groupOfRoot[root] < 0) {
            groupOfRoot[root] = std::int32_t(members.size());
            members.emplace_back();
        }
        members[std::size_t(groupOfRoot[root])].push_back(std::int32_t(i));
    }
    std::stable_sort(members.begin(), members.end(),
                     [](const auto& x, const auto& y) { return x.size() > y.size(); });
    out.group.assign(n, 0);
    for (std::size_t g = 0; g < members.size(); ++g)
        for (const auto s : members[g])
            out.group[std::size_t(s)] = std::int32_t(g);
    out.species = std::move(members);

    out.cases.assign(out.species.size(), {});
    for (std::size_t c = 0; c + 1 < idx.caseStart.size(); ++c) {
        std::int32_t last = -1;
        for (auto k = idx.caseStart[c]; k < idx.caseStart[c + 1]; ++k) {
            const std::int32_t s = idx.rowKept[std::size_t(idx.caseRows[std::size_t(k)])];
            if (s < 0)
                continue;
            const std::int32_t g = out.group[std::size_t(s)];
            // All kept species of a case are compared with each other, so they share a group;
            // a table that says otherwise does not belong to this result.
            if (last >= 0 && g != last)
                return Status::failed("The compared pairs of the analysis do not match the "
                                      "data table: case " +
                                      result.casename[c] + " links two groups.");
            if (last < 0)
                out.cases[std::size_t(g)].push_back(std::int32_t(c));
            last = g;
        }
    }
    return Status::ok();
}

namespace {

// How many species and cases of a group the message names before "...".
constexpr std::size_t kNamedSpecies = 5;
constexpr std::size_t kNamedCases = 3;

void appendNames(std::string& out, const std::vector<std::string>& names,
                 const std::vector<std::int32_t>& which, std::size_t most) {
    for (std::size_t k = 0; k < which.size() && k < most; ++k) {
        if (k > 0)
            out += ", ";
        out += names[std::size_t(which[k])];
    }
    if (which.size() > most)
        out += ", ...";
}

} // namespace

std::string splitNetworkMessage(const AnalysisResult& result, const SpeciesGroups& groups) {
    std::string m = kSplitNetwork;
    const std::size_t g = groups.species.size();
    if (g < 2) {
        // Linked, but through a chain too long for the connectivity check.
        m += "\nThe species are all linked through shared cases, but some need " +
             std::to_string(kMaxConnectSteps) + " or more links to reach the others.";
        return m;
    }
    m += "\nThe species fall into " + std::to_string(g) +
         " groups that share no case (largest first):";
    for (std::size_t k = 0; k < g; ++k) {
        const auto& sp = groups.species[k];
        const auto& cs = groups.cases[k];
        m += "\nGroup " + std::to_string(k + 1) + ": " + std::to_string(sp.size()) + " species (";
        appendNames(m, result.spname, sp, kNamedSpecies);
        m += ") in " + std::to_string(cs.size()) + (cs.size() == 1 ? " case (" : " cases (");
        appendNames(m, result.casename, cs, kNamedCases);
        m += ")";
    }
    return m;
}

Status splitNetworkStatus(const DataTable& table, const AnalysisResult& result) {
    SpeciesGroups groups;
    if (!speciesGroups(table, result, groups))
        return Status::splitNetwork(kSplitNetwork);
    return Status::splitNetwork(splitNetworkMessage(result, groups));
}

Status rankGroups(const AnalysisResult& result, const SpeciesGroups& groups,
                  std::vector<GroupSpectrum>& out, Progress* observer) {
    out.clear();
    const PairTable& p = result.pairs;
    const auto n = std::size_t(p.n);
    if (n != result.spname.size() || p.start.size() != n + 1 || groups.group.size() != n)
        return Status::failed("The analysis holds no compared pairs of its kept species.");
    Progress quiet;
    Progress& obs = observer != nullptr ? *observer : quiet;
    std::vector<std::int32_t> local(n, -1);
    for (std::size_t g = 0; g < groups.species.size(); ++g) {
        const auto& members = groups.species[g];
        if (members.size() < 2)
            continue;
        for (std::size_t k = 0; k < members.size(); ++k)
            local[std::size_t(members[k])] = std::int32_t(k);
        // The group's compared pairs in its own numbering: the kept order is kept, so each row's
        // partners stay ascending, and sums and means run in the order of a run on the group's
        // rows alone.
        PairTable sub;
        sub.n = std::int32_t(members.size());
        sub.start.assign(members.size() + 1, 0);
        GroupSpectrum gs;
        gs.group = std::int32_t(g);
        for (std::size_t k = 0; k < members.size(); ++k) {
            const auto i = std::size_t(members[k]);
            for (auto e = std::size_t(p.start[i]); e < std::size_t(p.start[i + 1]); ++e) {
                sub.col.push_back(local[std::size_t(p.col[e])]);
                sub.mean.push_back(p.mean[e]);
            }
            sub.start[k + 1] = std::int64_t(sub.col.size());
        }
        gs.fill = fillValue(sub.mean);
        if (Status st = palatability(obs, sub, gs.curvec, gs.nextvec, &gs.steps, &gs.change); !st)
            return st;
        out.push_back(std::move(gs));
    }
    return Status::ok();
}

} // namespace sscm
