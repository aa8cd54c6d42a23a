#include "analysis/prepared.h"

#include "analysis/caserows.h"
#include "analysis/casetables.h"

#include <algorithm>
#include <climits>
#include <string>

namespace sscm {

namespace {

// A case's totals of one pair are kept in 32 bits: at most rows x rows x 3.
constexpr std::int32_t largestCaseRows() {
    std::int64_t r = 0;
    while ((r + 1) * (r + 1) * 3 <= std::int64_t{INT32_MAX})
        ++r;
    return std::int32_t(r);
}
constexpr std::int32_t kMaxBootstrapCaseRows = largestCaseRows();

// A count with a comma between each group of three digits, as messages write large numbers.
std::string thousands(std::int64_t n) {
    std::string digits = std::to_string(n);
    for (auto at = std::int64_t(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(std::size_t(at), ",");
    return digits;
}

} // namespace

namespace {

// Index of the full run's entry (a, b) in row a, or -1.
std::int64_t findEntry(const PairTable& t, std::int32_t a, std::int32_t b) {
    const auto first = t.col.begin() + t.start[std::size_t(a)];
    const auto last = t.col.begin() + t.start[std::size_t(a) + 1];
    const auto it = std::lower_bound(first, last, b);
    return it != last && *it == b ? std::int64_t(it - t.col.begin()) : -1;
}

} // namespace

bool everySpeciesDrawn(const Prepared& p, const std::vector<std::int32_t>& multiplicity) {
    for (std::int32_t s = 0; s < p.species; ++s) {
        bool drawn = false;
        for (auto k = p.speciesStart[std::size_t(s)];
             k < p.speciesStart[std::size_t(s) + 1] && !drawn; ++k)
            drawn = multiplicity[std::size_t(p.speciesCase[std::size_t(k)])] > 0;
        if (!drawn)
            return false;
    }
    return true;
}

Status prepare(const DataTable& table, const AnalysisResult& full, Prepared& p) {
    CaseSpeciesTables tab;
    if (Status st = buildTables(table, full.casecol, full.spcol, full.prefcol, tab); !st)
        return st;
    const PairTable& t = full.pairs;
    p.full = &t;
    p.species = t.n;
    p.casen = tab.casen;

    std::vector<std::int32_t> keptIndex(std::size_t(tab.spn), -1);
    for (std::size_t k = 0; k < full.kept.size(); ++k)
        keptIndex[std::size_t(full.kept[k])] = std::int32_t(k);

    p.speciesStart.assign(1, 0);
    for (const std::int32_t s : full.kept) {
        for (auto k = tab.spcaseStart[std::size_t(s)]; k < tab.spcaseStart[std::size_t(s) + 1]; ++k)
            p.speciesCase.push_back(tab.spcaseCase[std::size_t(k)]);
        p.speciesStart.push_back(std::int32_t(p.speciesCase.size()));
    }

    const std::size_t entries = t.col.size();
    p.pairOf.assign(entries, -1);
    p.flipped.assign(entries, 0);
    p.rowOf.assign(entries, 0);
    for (std::int32_t a = 0; a < t.n; ++a) {
        for (auto k = t.start[std::size_t(a)]; k < t.start[std::size_t(a) + 1]; ++k) {
            p.rowOf[std::size_t(k)] = a;
            const std::int32_t b = t.col[std::size_t(k)];
            if (b >= a) {
                p.pairOf[std::size_t(k)] = std::int32_t(p.pairA.size());
                p.pairA.push_back(a);
                p.pairB.push_back(b);
            }
        }
    }
    for (std::size_t k = 0; k < entries; ++k) {
        if (p.pairOf[k] < 0) {
            const std::int64_t mirror = findEntry(t, t.col[k], p.rowOf[k]);
            p.pairOf[k] = p.pairOf[std::size_t(mirror)];
            p.flipped[k] = 1;
        }
    }
    const std::size_t pairs = p.pairA.size();

    for (const std::int32_t r : tab.casefreq) {
        if (r > kMaxBootstrapCaseRows)
            return Status::failed("The bootstrap takes cases of at most " +
                                  thousands(kMaxBootstrapCaseRows) + " rows; a case has " +
                                  std::to_string(r) + ".");
    }
    // Each case's rows of kept species, grouped by species; then per pair of its species the
    // count and code sum. Two passes: the first counts the entries of each pair, the second
    // fills them.
    CaseRows grouped;
    if (Status st = groupCaseRows(table, full.prefcol, full.lowerIsPreferred, tab.caserowStart,
                                  tab.caserows, tab.rowsp, keptIndex, grouped);
        !st)
        return st;
    const std::vector<CaseRow>& rows = grouped.rows;
    p.pairStart.assign(pairs + 1, 0);
    std::vector<std::int64_t> fillAt;
    std::vector<std::int32_t> groupStart;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            for (std::size_t q = 0; q < pairs; ++q)
                p.pairStart[q + 1] += p.pairStart[q];
            const auto total = std::size_t(p.pairStart[pairs]);
            p.entryCase.assign(total, 0);
            p.entryCount.assign(total, 0);
            p.entrySum.assign(total, 0);
            fillAt.assign(p.pairStart.begin(), p.pairStart.end() - 1);
        }
        for (std::int32_t c = 0; c < tab.casen; ++c) {
            grouped.groupStarts(std::size_t(c), groupStart);
            const std::size_t groups = groupStart.size() - 1;
            for (std::size_t ga = 0; ga < groups; ++ga) {
                const std::int32_t a = rows[std::size_t(groupStart[ga])].sp;
                for (std::size_t gb = ga; gb < groups; ++gb) {
                    const std::int32_t b = rows[std::size_t(groupStart[gb])].sp;
                    const std::int32_t q = p.pairOf[std::size_t(findEntry(t, a, b))];
                    if (pass == 0) {
                        ++p.pairStart[std::size_t(q) + 1];
                        continue;
                    }
                    std::int64_t count = 0;
                    std::int64_t sum = 0;
                    for (auto i = groupStart[ga]; i < groupStart[ga + 1]; ++i) {
                        for (auto j = groupStart[gb]; j < groupStart[gb + 1]; ++j) {
                            sum +=
                                compareCode(rows[std::size_t(i)].pref, rows[std::size_t(j)].pref);
                            ++count;
                        }
                    }
                    const auto at = std::size_t(fillAt[std::size_t(q)]++);
                    p.entryCase[at] = c;
                    p.entryCount[at] = std::int32_t(count);
                    p.entrySum[at] = std::int32_t(sum);
                }
            }
        }
    }
    return Status::ok();
}

} // namespace sscm
