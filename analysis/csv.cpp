#include "analysis/csv.h"

#include "data/compat.h"

#include <charconv>

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

} // namespace sscm
