#include "analysis/caserows.h"

#include "analysis/numbers.h"

#include <algorithm>
#include <string>

namespace sscm {

Status intensityNotANumber(const DataTable& table, std::int32_t prefcol, std::int32_t row,
                           std::string_view text) {
    return Status::failed("Data row " + std::to_string(row + 1) + ": the intensity \"" +
                          std::string(text) + "\" of the variable " +
                          std::string(table.varname[std::size_t(prefcol - 1)]) +
                          " is not a number.");
}

void CaseRows::groupStarts(std::size_t c, std::vector<std::int32_t>& starts) const {
    starts.clear();
    const std::int32_t first = caseStart[c];
    const std::int32_t last = caseStart[c + 1];
    for (std::int32_t k = first; k < last; ++k) {
        if (k == first || rows[std::size_t(k)].sp != rows[std::size_t(k) - 1].sp)
            starts.push_back(k);
    }
    starts.push_back(last);
}

Status groupCaseRows(const DataTable& table, std::int32_t prefcol,
                     const std::vector<std::int32_t>& caseStart,
                     const std::vector<std::int32_t>& caseRows,
                     const std::vector<std::int32_t>& rowSpecies,
                     const std::vector<std::int32_t>& speciesMap, CaseRows& out, Progress* obs) {
    const std::size_t cases = caseStart.empty() ? 0 : caseStart.size() - 1;
    out.rows.clear();
    out.rows.reserve(caseRows.size());
    out.caseStart.assign(1, 0);
    out.caseStart.reserve(cases + 1);
    out.pref.assign(std::size_t(std::max(table.objn, 0)), 0.0);
    for (std::size_t c = 0; c < cases; ++c) {
        if (obs != nullptr && !obs->proceed())
            return Status::cancelled();
        const std::size_t first = out.rows.size();
        for (auto k = std::size_t(caseStart[c]); k < std::size_t(caseStart[c + 1]); ++k) {
            const std::int32_t row = caseRows[k];
            std::int32_t sp = rowSpecies[std::size_t(row)];
            if (!speciesMap.empty() && sp >= 0)
                sp = speciesMap[std::size_t(sp)];
            if (sp < 0)
                continue;
            const std::string_view text = table.cell(prefcol, row + 1);
            double& v = out.pref[std::size_t(row)];
            if (!strictNumber(text, v))
                return intensityNotANumber(table, prefcol, row, text);
            out.rows.push_back({sp, v});
        }
        // A row's pairs with the rows of higher species then follow it.
        std::stable_sort(out.rows.begin() + std::ptrdiff_t(first), out.rows.end(),
                         [](const CaseRow& a, const CaseRow& b) { return a.sp < b.sp; });
        out.caseStart.push_back(std::int32_t(out.rows.size()));
    }
    return Status::ok();
}

} // namespace sscm
