#include "cli/terminal.h"

#include <cstdio>

namespace sscm::cli {

std::string shown(std::string_view text, bool keepLineBreaks) {
    static const char* const kHex = "0123456789abcdef";
    std::string s;
    s.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 0x20 && u != 0x7f) || (c == '\n' && keepLineBreaks)) {
            s += c;
            continue;
        }
        switch (c) {
        case '\0':
            s += "\\0";
            break;
        case '\t':
            s += "\\t";
            break;
        case '\n':
            s += "\\n";
            break;
        case '\r':
            s += "\\r";
            break;
        default:
            s += "\\x";
            s += kHex[u >> 4];
            s += kHex[u & 15];
        }
    }
    return s;
}

void printError(std::string_view message) {
    std::fprintf(stderr, "sscm-cli: %s\n", shown(message, true).c_str());
}

} // namespace sscm::cli
