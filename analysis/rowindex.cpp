#include "analysis/rowindex.h"

#include "analysis/caserows.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sscm {

namespace {

Status mismatch(std::int32_t row, std::string_view what, std::string_view text) {
    return Status::failed("The data table does not match the analysis: row " + std::to_string(row) +
                          " holds the " + std::string(what) + " \"" + std::string(text) +
                          "\", which the analysis does not know.");
}

} // namespace

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
        if (rowLeftOut(table, r.casecol, r.spcol, r.prefcol, row)) {
            out.rowCase[i] = out.rowSpecies[i] = out.rowKept[i] = -1;
            continue;
        }
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
    out.caseRows.resize(std::size_t(out.caseStart.back()));
    std::vector<std::int32_t> fill(out.caseStart.begin(), out.caseStart.end() - 1);
    for (std::size_t i = 0; i < n; ++i)
        if (out.rowCase[i] >= 0)
            out.caseRows[std::size_t(fill[std::size_t(out.rowCase[i])]++)] = std::int32_t(i);
    return Status::ok();
}

} // namespace sscm
