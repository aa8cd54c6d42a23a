#include "analysis/caserows.h"

#include "analysis/numbers.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace sscm {

bool rowLeftOut(const DataTable& table, std::int32_t casecol, std::int32_t spcol,
                std::int32_t prefcol, std::int32_t row) {
    const std::string_view pref = table.cell(prefcol, row);
    return table.cell(casecol, row).empty() || table.cell(spcol, row).empty() || pref.empty() ||
           pref == "NA";
}

std::vector<std::string> firstPlaces(const DataTable& table, const std::vector<std::int32_t>& rows,
                                     std::size_t most) {
    std::vector<std::string> places;
    for (std::size_t k = 0; k < rows.size() && k < most; ++k)
        places.push_back(table.place(rows[k]));
    return places;
}

std::string leftOutMessage(const DataTable& table, const std::vector<std::int32_t>& leftOut) {
    if (leftOut.empty())
        return {};
    const std::size_t n = leftOut.size();
    std::string msg = std::to_string(n) + (n == 1 ? " data row was" : " data rows were") +
                      " left out: " + (n == 1 ? "its" : "their") +
                      " case, species or intensity is missing (";
    const std::vector<std::string> places = firstPlaces(table, leftOut, 5);
    for (std::size_t k = 0; k < places.size(); ++k)
        msg += (k == 0 ? "" : ", ") + places[k];
    return msg + (n > places.size() ? ", ...)." : ").");
}

bool readIntensity(const DataTable& table, std::string_view text, bool lowerIsPreferred,
                   double& value) {
    bool ok = false;
    if (table.decimalComma && text.find(',') != std::string_view::npos) {
        if (text.find('.') != std::string_view::npos)
            return false; // "1.234,5": no thousands separators
        // Intensities are short: the copy with a point stays on the stack, as this runs for
        // every row of every run and replicate preparation.
        char buf[64];
        std::string longer;
        char* point = buf;
        if (text.size() > sizeof buf) {
            longer.resize(text.size());
            point = longer.data();
        }
        std::replace_copy(text.begin(), text.end(), point, ',', '.');
        ok = strictNumber(std::string_view(point, text.size()), value);
    } else {
        ok = strictNumber(text, value);
    }
    if (ok && lowerIsPreferred)
        value = -value;
    return ok;
}

Status intensitiesNotNumbers(const DataTable& table, std::int32_t prefcol,
                             std::vector<std::int32_t> rows) {
    constexpr std::size_t kShown = 10;
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> shown; // "line 7 (data row 6): "x"", the first ten
    std::size_t bad = 0;
    for (const std::int32_t row : rows) {
        const std::string_view text = table.cell(prefcol, row + 1);
        double v = 0;
        if (readIntensity(table, text, false, v))
            continue;
        if (++bad <= kShown)
            shown.push_back(table.place(row + 1) + ": \"" + std::string(text) + "\"");
    }
    const std::string& var = table.varname[std::size_t(prefcol - 1)];
    if (bad == 0)
        return Status::failed("An intensity of the variable " + var + " is not a number.");
    if (bad == 1) {
        std::string msg = shown.front();
        msg[0] = char(std::toupper(static_cast<unsigned char>(msg[0])));
        msg.insert(msg.find(": ") + 2, "the intensity ");
        return Status::failed(msg + " of the variable " + var + " is not a number.");
    }
    std::string msg =
        std::to_string(bad) + " intensities of the variable " + var + " are not numbers";
    msg += bad > kShown ? "; the first ten: " : ": ";
    for (std::size_t k = 0; k < shown.size(); ++k)
        msg += (k == 0 ? "" : "; ") + shown[k];
    return Status::failed(msg + ".");
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

Status groupCaseRows(const DataTable& table, std::int32_t prefcol, bool lowerIsPreferred,
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
            if (!readIntensity(table, text, lowerIsPreferred, v))
                return intensitiesNotNumbers(table, prefcol, caseRows);
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
