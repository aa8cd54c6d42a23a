#include "analysis/counts.h"

#include "analysis/caserows.h"
#include "analysis/rowindex.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

namespace sscm {

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
    if (Status st = groupCaseRows(table, result.prefcol, result.lowerIsPreferred, idx.caseStart,
                                  idx.caseRows, idx.rowKept, {}, grouped);
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

} // namespace sscm
