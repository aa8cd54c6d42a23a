#include "analysis/csv.h"

#include "data/compat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

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
    const auto r = compat::toChars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string fixedDecimals(double v, int decimals) {
    const long long scale = std::llround(std::pow(10.0, decimals));
    const long long k = std::llabs(std::llround(v * double(scale)));
    std::string t = (v < 0 && k != 0 ? "-" : "") + std::to_string(k / scale);
    if (decimals > 0) {
        const std::string frac = std::to_string(k % scale);
        t += "." + std::string(std::size_t(decimals) - frac.size(), '0') + frac;
    }
    return t;
}

} // namespace sscm
