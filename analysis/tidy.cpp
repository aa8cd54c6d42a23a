#include "analysis/tidy.h"

#include "analysis/caserows.h"
#include "analysis/connect.h"
#include "analysis/eigen.h"
#include "analysis/numbers.h"
#include "analysis/spectrum.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace sscm {

namespace {

// Each data row's case and species as indices of the result, and the rows of each case.
struct RowIndex {
    /// Case of each row (0-based row), index into casename.
    std::vector<std::int32_t> rowCase;
    /// Species of each row, index into allSpecies, and its kept index (-1 when removed).
    std::vector<std::int32_t> rowSpecies;
    std::vector<std::int32_t> rowKept;
    /// The rows of case c in data order: caseRows[caseStart[c] .. caseStart[c+1]).
    std::vector<std::int32_t> caseStart;
    std::vector<std::int32_t> caseRows;
};

Status mismatch(std::int32_t row, std::string_view what, std::string_view text) {
    return Status::failed("The data table does not match the analysis: row " + std::to_string(row) +
                          " holds the " + std::string(what) + " \"" + std::string(text) +
                          "\", which the analysis does not know.");
}

Status indexRows(const DataTable& table, const AnalysisResult& r, RowIndex& out) {
    if (r.casecol < 1 || r.casecol > table.valn || r.spcol < 1 || r.spcol > table.valn ||
        r.prefcol < 1 || r.prefcol > table.valn)
        return Status::failed("The data table does not match the analysis: a role column is "
                              "missing.");
    std::unordered_map<std::string_view, std::int32_t> caseOf;
    caseOf.reserve(r.casename.size());
    for (std::size_t c = 0; c < r.casename.size(); ++c)
        caseOf.emplace(r.casename[c], std::int32_t(c));
    std::unordered_map<std::string_view, std::int32_t> speciesOf;
    speciesOf.reserve(r.allSpecies.size());
    for (std::size_t s = 0; s < r.allSpecies.size(); ++s)
        speciesOf.emplace(r.allSpecies[s], std::int32_t(s));
    std::vector<std::int32_t> keptOf(r.allSpecies.size(), -1);
    for (std::size_t k = 0; k < r.kept.size(); ++k) {
        const auto s = r.kept[k];
        if (s < 0 || std::size_t(s) >= keptOf.size())
            return Status::failed("The analysis names a kept species it does not list.");
        keptOf[std::size_t(s)] = std::int32_t(k);
    }

    const auto n = std::size_t(std::max(table.objn, 0));
    out.rowCase.resize(n);
    out.rowSpecies.resize(n);
    out.rowKept.resize(n);
    out.caseStart.assign(r.casename.size() + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto row = std::int32_t(i + 1);
        const std::string_view c = table.cell(r.casecol, row);
        const auto ci = caseOf.find(c);
        if (ci == caseOf.end())
            return mismatch(row, "case", c);
        const std::string_view sp = table.cell(r.spcol, row);
        const auto si = speciesOf.find(sp);
        if (si == speciesOf.end())
            return mismatch(row, "species", sp);
        out.rowCase[i] = ci->second;
        out.rowSpecies[i] = si->second;
        out.rowKept[i] = keptOf[std::size_t(si->second)];
        ++out.caseStart[std::size_t(ci->second) + 1];
    }
    std::partial_sum(out.caseStart.begin(), out.caseStart.end(), out.caseStart.begin());
    out.caseRows.resize(n);
    std::vector<std::int32_t> fill(out.caseStart.begin(), out.caseStart.end() - 1);
    for (std::size_t i = 0; i < n; ++i)
        out.caseRows[std::size_t(fill[std::size_t(out.rowCase[i])]++)] = std::int32_t(i);
    return Status::ok();
}

// Union-find over the kept species.
std::int32_t findRoot(std::vector<std::int32_t>& parent, std::int32_t v) {
    while (parent[std::size_t(v)] != v) {
        parent[std::size_t(v)] = parent[std::size_t(parent[std::size_t(v)])];
        v = parent[std::size_t(v)];
    }
    return v;
}

void appendInt(std::string& out, std::int64_t v) {
    out += std::to_string(v);
}

} // namespace

Status pairCounts(const DataTable& table, const AnalysisResult& result,
                  std::vector<PairCounts>& out) {
    out.clear();
    RowIndex idx;
    if (Status st = indexRows(table, result, idx); !st)
        return st;
    const PairTable& p = result.pairs;
    const auto n = std::size_t(p.n);
    if (n != result.spname.size() || p.start.size() != n + 1)
        return Status::failed("The analysis holds no compared pairs of its kept species.");

    // Counts of the compared pairs of row a with a column b > a, in the pair table's order.
    std::vector<PairCounts> counts(p.col.size());
    CaseRows grouped;
    if (Status st = groupCaseRows(table, result.prefcol, idx.caseStart, idx.caseRows, idx.rowKept,
                                  {}, grouped);
        !st)
        return st;
    // One case at a time: its rows of kept species, sorted by species and then intensity, so the
    // comparisons of two species are one merge of their sorted intensities.
    std::vector<std::pair<std::int32_t, double>> rows;
    std::vector<std::size_t> segment; // starts of the species' runs in `rows`, plus the end
    for (std::size_t c = 0; c + 1 < grouped.caseStart.size(); ++c) {
        rows.clear();
        for (auto k = grouped.caseStart[c]; k < grouped.caseStart[c + 1]; ++k)
            rows.emplace_back(grouped.rows[std::size_t(k)].sp, grouped.rows[std::size_t(k)].pref);
        std::sort(rows.begin(), rows.end());
        segment.clear();
        for (std::size_t k = 0; k < rows.size(); ++k)
            if (k == 0 || rows[k].first != rows[k - 1].first)
                segment.push_back(k);
        segment.push_back(rows.size());
        for (std::size_t x = 0; x + 1 < segment.size(); ++x) {
            const std::int32_t a = rows[segment[x]].first;
            const auto rowBegin = p.col.begin() + p.start[std::size_t(a)];
            const auto rowEnd = p.col.begin() + p.start[std::size_t(a) + 1];
            for (std::size_t y = x + 1; y + 1 < segment.size(); ++y) {
                const std::int32_t b = rows[segment[y]].first;
                const auto at = std::lower_bound(rowBegin, rowEnd, b);
                if (at == rowEnd || *at != b)
                    return Status::failed("The compared pairs of the analysis do not match the "
                                          "data table: " +
                                          result.spname[std::size_t(a)] + " and " +
                                          result.spname[std::size_t(b)] + " share a case.");
                PairCounts& pc = counts[std::size_t(at - p.col.begin())];
                pc.a = a;
                pc.b = b;
                ++pc.cases;
                // For each of a's intensities, b's below it, equal to it and above it.
                std::size_t lo = segment[y];
                std::size_t hi = segment[y];
                const std::size_t bEnd = segment[y + 1];
                for (std::size_t k = segment[x]; k < segment[x + 1]; ++k) {
                    const double v = rows[k].second;
                    while (lo < bEnd && compareCode(v, rows[lo].second) == 3)
                        ++lo;
                    hi = std::max(hi, lo);
                    while (hi < bEnd && compareCode(v, rows[hi].second) == 2)
                        ++hi;
                    pc.aHigher += std::int64_t(lo - segment[y]);
                    pc.ties += std::int64_t(hi - lo);
                    pc.bHigher += std::int64_t(bEnd - hi);
                }
            }
        }
    }
    for (const PairCounts& pc : counts)
        if (pc.cases > 0)
            out.push_back(pc);
    return Status::ok();
}

Status caseCounts(const DataTable& table, const AnalysisResult& result,
                  std::vector<CaseCounts>& out) {
    out.clear();
    RowIndex idx;
    if (Status st = indexRows(table, result, idx); !st)
        return st;
    out.resize(result.casename.size());
    // Last case each species was seen in, so each species counts once per case.
    std::vector<std::int32_t> seenIn(result.allSpecies.size(), -1);
    for (std::size_t c = 0; c < out.size(); ++c) {
        CaseCounts& cc = out[c];
        cc.rows = idx.caseStart[c + 1] - idx.caseStart[c];
        for (auto k = idx.caseStart[c]; k < idx.caseStart[c + 1]; ++k) {
            const auto i = std::size_t(idx.caseRows[std::size_t(k)]);
            const auto s = std::size_t(idx.rowSpecies[i]);
            if (seenIn[s] == std::int32_t(c))
                continue;
            seenIn[s] = std::int32_t(c);
            ++cc.species;
            if (idx.rowKept[i] >= 0)
                ++cc.speciesKept;
        }
    }
    return Status::ok();
}

Status speciesGroups(const DataTable& table, const AnalysisResult& result, SpeciesGroups& out) {
    out = SpeciesGroups{};
    const PairTable& p = result.pairs;
    const auto n = std::size_t(p.n);
    if (n != result.spname.size() || p.start.size() != n + 1)
        return Status::failed("The analysis holds no compared pairs of its kept species.");
    RowIndex idx;
    if (Status st = indexRows(table, result, idx); !st)
        return st;

    std::vector<std::int32_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (auto k = p.start[i]; k < p.start[i + 1]; ++k) {
            const std::int32_t a = findRoot(parent, std::int32_t(i));
            const std::int32_t b = findRoot(parent, p.col[std::size_t(k)]);
            if (a != b)
                parent[std::size_t(std::max(a, b))] = std::min(a, b);
        }
    }
    // Roots in order of their first species; then the largest group first.
    std::vector<std::int32_t> groupOfRoot(n, -1);
    std::vector<std::vector<std::int32_t>> members;
    for (std::size_t i = 0; i < n; ++i) {
        const auto root = std::size_t(findRoot(parent, std::int32_t(i)));
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
        m += "\nThe species are all linked through shared cases, but some need 1000 or more "
             "links to reach the others.";
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

Status rankGroups(const AnalysisResult& result, const SpeciesGroups& groups,
                  std::vector<GroupSpectrum>& out, RunObserver* observer) {
    out.clear();
    const PairTable& p = result.pairs;
    const auto n = std::size_t(p.n);
    if (n != result.spname.size() || p.start.size() != n + 1 || groups.group.size() != n)
        return Status::failed("The analysis holds no compared pairs of its kept species.");
    RunObserver quiet;
    RunObserver& obs = observer != nullptr ? *observer : quiet;
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
        ComparedPairs sub;
        sub.n = std::int32_t(members.size());
        sub.start.assign(members.size() + 1, 0);
        GroupSpectrum gs;
        gs.group = std::int32_t(g);
        double total = 0;
        double count = 0;
        for (std::size_t k = 0; k < members.size(); ++k) {
            const auto i = std::size_t(members[k]);
            for (auto e = std::size_t(p.start[i]); e < std::size_t(p.start[i + 1]); ++e) {
                sub.col.push_back(local[std::size_t(p.col[e])]);
                sub.val.push_back(p.mean[e]);
                total += p.mean[e];
                count += 1;
            }
            sub.start[k + 1] = std::int64_t(sub.col.size());
        }
        gs.fill = count > 0 ? total / count : 0;
        if (Status st = palatability(obs, sub, gs.curvec, gs.nextvec, &gs.steps, &gs.change); !st)
            return st;
        out.push_back(std::move(gs));
    }
    return Status::ok();
}

std::string groupSpectrumTable(const AnalysisResult& result, const SpeciesGroups& groups,
                               const std::vector<GroupSpectrum>& spectra) {
    std::string out;
    bool header = true;
    for (const GroupSpectrum& gs : spectra) {
        const auto& members = groups.species[std::size_t(gs.group)];
        AnalysisResult sub;
        for (const auto s : members) {
            sub.spname.push_back(result.spname[std::size_t(s)]);
            sub.spfreq.push_back(result.spfreq[std::size_t(s)]);
            sub.spocc.push_back(result.spocc[std::size_t(s)]);
            sub.kept.push_back(result.kept[std::size_t(s)]);
        }
        sub.curvec = gs.curvec;
        sub.nextvec = gs.nextvec;
        sub.steps = gs.steps;
        sub.change = gs.change;
        appendGroupColumn(out, spectrumTable(sub, nullptr), gs.group + 1, header);
        header = false;
    }
    if (header) // no group ranked: the header alone
        appendGroupColumn(out, spectrumTable(AnalysisResult{}, nullptr), 0, true);
    return out;
}

void appendGroupColumn(std::string& out, const std::string& table, std::int32_t group,
                       bool withHeader) {
    bool quoted = false;
    bool header = true;
    std::size_t begin = 0;
    for (std::size_t k = 0; k < table.size(); ++k) {
        const char ch = table[k];
        if (ch == '"')
            quoted = !quoted;
        if (ch != '\n' || quoted)
            continue;
        if (!header || withHeader) {
            out.append(table, begin, k - begin);
            out += header ? std::string(",group") : "," + std::to_string(group);
            out += '\n';
        }
        header = false;
        begin = k + 1;
    }
}

Status splitNetworkStatus(const DataTable& table, const AnalysisResult& result) {
    SpeciesGroups groups;
    if (!speciesGroups(table, result, groups))
        return Status::splitNetwork(kSplitNetwork);
    return Status::splitNetwork(splitNetworkMessage(result, groups));
}

std::string pairsTable(const AnalysisResult& result, const std::vector<PairCounts>& pairs) {
    std::string out = "species_a,species_b,a_higher,ties,b_higher,cases\n";
    for (const PairCounts& p : pairs) {
        appendCsvField(out, result.spname[std::size_t(p.a)]);
        out += ',';
        appendCsvField(out, result.spname[std::size_t(p.b)]);
        out += ',';
        appendInt(out, p.aHigher);
        out += ',';
        appendInt(out, p.ties);
        out += ',';
        appendInt(out, p.bHigher);
        out += ',';
        appendInt(out, p.cases);
        out += '\n';
    }
    return out;
}

std::string matrixTable(const AnalysisResult& result) {
    std::string out = "species_a,species_b,comparisons,mean_code\n";
    const PairTable& p = result.pairs;
    for (std::size_t i = 0; i + 1 < p.start.size(); ++i) {
        for (auto k = std::size_t(p.start[i]); k < std::size_t(p.start[i + 1]); ++k) {
            appendCsvField(out, result.spname[i]);
            out += ',';
            appendCsvField(out, result.spname[std::size_t(p.col[k])]);
            out += ',';
            appendShortest(out, p.count[k]);
            out += ',';
            appendShortest(out, p.mean[k]);
            out += '\n';
        }
    }
    return out;
}

std::string casesTable(const AnalysisResult& result, const std::vector<CaseCounts>& cases) {
    std::string out = "case,rows,species,species_kept\n";
    for (std::size_t c = 0; c < cases.size() && c < result.casename.size(); ++c) {
        appendCsvField(out, result.casename[c]);
        out += ',';
        appendInt(out, cases[c].rows);
        out += ',';
        appendInt(out, cases[c].species);
        out += ',';
        appendInt(out, cases[c].speciesKept);
        out += '\n';
    }
    return out;
}

std::string groupsTable(const AnalysisResult& result, const SpeciesGroups& groups) {
    std::string out = "species,group,group_species,group_cases\n";
    for (std::size_t g = 0; g < groups.species.size(); ++g) {
        for (const auto s : groups.species[g]) {
            appendCsvField(out, result.spname[std::size_t(s)]);
            out += ',';
            appendInt(out, std::int64_t(g + 1));
            out += ',';
            appendInt(out, std::int64_t(groups.species[g].size()));
            out += ',';
            appendInt(out, std::int64_t(groups.cases[g].size()));
            out += '\n';
        }
    }
    return out;
}

} // namespace sscm
