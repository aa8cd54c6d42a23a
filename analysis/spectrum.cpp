#include "analysis/spectrum.h"

#include <algorithm>
#include <charconv>
#include <numeric>

namespace sscm {

void appendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendShortest(std::string& out, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot) {
    std::string out = "species,value,rank,cases,rows,value_lo,value_hi,rank_lo,rank_hi,value_sd\n";
    const std::vector<std::int32_t> rank = ranks(full.curvec);
    std::vector<std::size_t> order(full.curvec.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rank[a] < rank[b]; });
    const bool intervals = boot != nullptr && boot->used > 0;
    for (const std::size_t s : order) {
        appendCsvField(out, full.spname[s]);
        out += ',';
        appendShortest(out, full.curvec[s]);
        out += ',' + std::to_string(rank[s]) + ',' + std::to_string(full.spocc[s]) + ',' +
               std::to_string(full.spfreq[s]) + ',';
        if (intervals) {
            for (const auto* column :
                 {&boot->valueLo, &boot->valueHi, &boot->rankLo, &boot->rankHi, &boot->valueSd}) {
                appendShortest(out, (*column)[s]);
                out += column == &boot->valueSd ? '\n' : ',';
            }
        } else {
            out += ",,,,\n";
        }
    }
    return out;
}

} // namespace sscm
