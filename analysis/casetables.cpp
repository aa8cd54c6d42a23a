#include "analysis/casetables.h"

#include "analysis/caserows.h"
#include "data/category.h"
#include "data/printfmt.h"

#include <algorithm>
#include <string>

namespace sscm {

std::int32_t CaseSpeciesTables::spcase(std::int32_t s, std::int32_t c) const {
    const auto first = spcaseCase.begin() + spcaseStart[std::size_t(s)];
    const auto last = spcaseCase.begin() + spcaseStart[std::size_t(s) + 1];
    const auto it = std::lower_bound(first, last, c);
    if (it == last || *it != c)
        return 0;
    return spcaseCount[std::size_t(it - spcaseCase.begin())];
}

namespace {

// One column through category, over the rows that take part (0-based, ascending): its distinct
// values, their counts and each row's index (-1 for the rows left out).
Status tabulate(const DataTable& table, std::int32_t col, const std::vector<std::int32_t>& used,
                std::int32_t& num, std::vector<std::string_view>& names,
                std::vector<std::int32_t>& freq, std::vector<std::int32_t>& rowcat,
                const std::function<bool()>& tick) {
    const auto n = std::int32_t(used.size());
    std::vector<std::string_view> colvalue(used.size());
    for (std::size_t k = 0; k < used.size(); ++k)
        colvalue[k] = table.cell(col, used[k] + 1);
    std::vector<std::string_view> cattype(used.size());
    std::vector<std::int32_t> catfreq(used.size(), 0);
    std::int32_t catnum = 0;
    std::vector<std::int32_t> usedcat(used.size(), 0);
    Status st = category(table.varname[std::size_t(col - 1)], n, colvalue, catnum, cattype, catfreq,
                         n, &usedcat, tick);
    if (!st)
        return st;
    num = catnum;
    names.assign(cattype.begin(), cattype.begin() + catnum);
    freq.assign(catfreq.begin(), catfreq.begin() + catnum);
    rowcat.assign(std::size_t(table.objn), -1);
    for (std::size_t k = 0; k < used.size(); ++k)
        rowcat[std::size_t(used[k])] = usedcat[k];
    return Status::ok();
}

} // namespace

Status buildTables(const DataTable& table, std::int32_t casecol, std::int32_t spcol,
                   std::int32_t prefcol, CaseSpeciesTables& out, Progress* obs) {
    std::function<bool()> tick;
    if (obs != nullptr)
        tick = [obs] { return obs->proceed(); };
    if (tick && !tick())
        return Status::cancelled();
    std::vector<std::int32_t> used;
    used.reserve(std::size_t(table.objn));
    out.leftOut.clear();
    for (std::int32_t i = 1; i <= table.objn; ++i) {
        if (rowLeftOut(table, casecol, spcol, prefcol, i))
            out.leftOut.push_back(i);
        else
            used.push_back(i - 1);
    }
    std::vector<std::int32_t> rowcase;
    Status st =
        tabulate(table, casecol, used, out.casen, out.casename, out.casefreq, rowcase, tick);
    if (!st)
        return st;
    st = tabulate(table, spcol, used, out.spn, out.spname, out.spfreq, out.rowsp, tick);
    if (!st)
        return st;
    if (tick && !tick())
        return Status::cancelled();

    // Rows grouped by case, each group in data order (a counting sort on the case).
    const std::size_t casen = std::size_t(out.casen);
    const std::size_t spn = std::size_t(out.spn);
    out.caserowStart.assign(casen + 1, 0);
    for (std::size_t c = 0; c < casen; ++c)
        out.caserowStart[c + 1] = out.caserowStart[c] + out.casefreq[c];
    out.caserows.assign(used.size(), 0);
    {
        std::vector<std::int32_t> fill(out.caserowStart.begin(), out.caserowStart.end() - 1);
        for (const std::int32_t i : used)
            out.caserows[std::size_t(fill[std::size_t(rowcase[std::size_t(i)])]++)] = i;
    }

    if (tick && !tick())
        return Status::cancelled();

    // Occurrence: walking the cases in order, a species is new to a case when its last case
    // seen differs; the same walk then fills the sparse counts in ascending case order.
    out.spocc.assign(spn, 0);
    std::vector<std::int32_t> lastCase(spn, -1);
    for (std::size_t c = 0; c < casen; ++c) {
        for (auto k = out.caserowStart[c]; k < out.caserowStart[c + 1]; ++k) {
            const auto s = std::size_t(out.rowsp[std::size_t(out.caserows[std::size_t(k)])]);
            if (lastCase[s] != std::int32_t(c)) {
                lastCase[s] = std::int32_t(c);
                ++out.spocc[s];
            }
        }
    }
    out.spcaseStart.assign(spn + 1, 0);
    for (std::size_t s = 0; s < spn; ++s)
        out.spcaseStart[s + 1] = out.spcaseStart[s] + out.spocc[s];
    const auto entries = std::size_t(out.spcaseStart[spn]);
    out.spcaseCase.assign(entries, 0);
    out.spcaseCount.assign(entries, 0);
    std::vector<std::int32_t> next(out.spcaseStart.begin(), out.spcaseStart.end() - 1);
    std::fill(lastCase.begin(), lastCase.end(), -1);
    for (std::size_t c = 0; c < casen; ++c) {
        for (auto k = out.caserowStart[c]; k < out.caserowStart[c + 1]; ++k) {
            const auto s = std::size_t(out.rowsp[std::size_t(out.caserows[std::size_t(k)])]);
            if (lastCase[s] != std::int32_t(c)) {
                lastCase[s] = std::int32_t(c);
                out.spcaseCase[std::size_t(next[s]++)] = std::int32_t(c);
            }
            ++out.spcaseCount[std::size_t(next[s] - 1)];
        }
    }
    return Status::ok();
}

void occurrenceListing(const CaseSpeciesTables& t, const LineSink& out) {
    out(" ");

    std::string line = " Item ";
    for (const auto& name : t.casename) {
        line += ", ";
        line += name;
    }
    line += ", Number of occurence";
    out(line);

    // Most counts are 0: runs of ",  0" are copied from one prepared text.
    constexpr std::string_view kZero = ",  0";
    std::string zeros;
    zeros.reserve(std::size_t(t.casen) * kZero.size());
    for (std::int32_t c = 0; c < t.casen; ++c)
        zeros += kZero;
    for (std::int32_t s = 0; s < t.spn; ++s) {
        line.assign(t.spname[std::size_t(s)]);
        std::int32_t done = 0;
        for (auto k = t.spcaseStart[std::size_t(s)]; k < t.spcaseStart[std::size_t(s) + 1]; ++k) {
            const std::int32_t c = t.spcaseCase[std::size_t(k)];
            line.append(zeros.data(), std::size_t(c - done) * kZero.size());
            line += ", ";
            appendNumberText(line, std::int64_t{t.spcaseCount[std::size_t(k)]});
            done = c + 1;
        }
        line.append(zeros.data(), std::size_t(t.casen - done) * kZero.size());
        line += ", ";
        appendNumberText(line, std::int64_t{t.spocc[std::size_t(s)]});
        out(line);
    }
}

} // namespace sscm
