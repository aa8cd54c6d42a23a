#include "analysis/numbers.h"

#include "data/compat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace sscm {

namespace {

// Beyond any decimal place a double can reach, and far from overflowing a long long.
constexpr long long kFar = 1'000'000'000;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool strictNumber(std::string_view text, double& value) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    std::string_view t = text.substr(b, e - b);

    // Check the shape first: from_chars alone would also take "inf", "nan" and hexadecimal.
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    const std::size_t numStart = i;
    // Decimal place of the first significant digit: 0 for the units, -1 for the tenths, ...
    // Only its sign matters below, so it is kept within a safe range.
    long long place = 0;
    bool significant = false;
    std::size_t digits = 0;
    while (i < t.size() && isDigit(t[i])) {
        if (significant)
            place = std::min(place + 1, kFar);
        else if (t[i] != '0')
            significant = true;
        ++i;
        ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            if (!significant) {
                place = std::max(place - 1, -kFar);
                significant = t[i] != '0';
            }
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool negExp = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            negExp = t[i] == '-';
            ++i;
        }
        std::size_t expDigits = 0;
        long long exp = 0;
        while (i < t.size() && isDigit(t[i])) {
            exp = std::min(exp * 10 + (t[i] - '0'), kFar);
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
        place += negExp ? -exp : exp;
    }
    if (i != t.size())
        return false;

    // from_chars takes no leading '+'; the sign is applied afterwards.
    double v = 0;
    const char* first = t.data() + numStart;
    const char* last = t.data() + t.size();
    const auto r = compat::fromChars(first, last, v);
    if (r.ec == std::errc::result_out_of_range && r.ptr == last && place < 0) {
        // Too small for a double: the nearest one is zero ("1e-400", "2e-324"). Only a text
        // whose value is too large is refused.
        value = negative ? -0.0 : 0.0;
        return true;
    }
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v))
        return false;
    value = negative ? -v : v;
    return true;
}

} // namespace sscm
