#include "data/compat.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <locale.h>
#elif defined(__APPLE__) || defined(__FreeBSD__)
#include <xlocale.h>
#else
#include <locale.h>
#endif

namespace sscm::compat {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(const char* first, const char* last, const char* word) {
    for (; *word; ++word, ++first) {
        if (first == last || lower(*first) != *word)
            return false;
    }
    return true;
}

// strtod with the point as the decimal separator whatever the process's locale is. The C
// libraries this fill is for (glibc, Apple's, the BSDs', the Windows CRT's) round it correctly.
double strtodC(const char* text, char** end) {
#if defined(_WIN32)
    static const _locale_t c = _create_locale(LC_NUMERIC, "C");
    return _strtod_l(text, end, c);
#else
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(text, end, c);
#endif
}

} // namespace

std::from_chars_result fromCharsFallback(const char* first, const char* last, double& value) {
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative)
        ++p;
    const char* body = p;
    std::size_t digits = 0;
    bool nonzero = false;
    while (p != last && isDigit(*p)) {
        nonzero = nonzero || *p != '0';
        ++p;
        ++digits;
    }
    if (p != last && *p == '.') {
        ++p;
        while (p != last && isDigit(*p)) {
            nonzero = nonzero || *p != '0';
            ++p;
            ++digits;
        }
    }
    if (digits == 0) {
        // Only the special values remain; anything else is not a number.
        double special = 0;
        const char* end = body;
        if (startsWithNoCase(body, last, "infinity")) {
            special = HUGE_VAL;
            end = body + 8;
        } else if (startsWithNoCase(body, last, "inf")) {
            special = HUGE_VAL;
            end = body + 3;
        } else if (startsWithNoCase(body, last, "nan")) {
            special = std::nan("");
            end = body + 3;
            // "nan(chars)": the parenthesised part belongs to the number when it is closed.
            const char* q = end;
            if (q != last && *q == '(') {
                ++q;
                while (q != last &&
                       (isDigit(*q) || (lower(*q) >= 'a' && lower(*q) <= 'z') || *q == '_'))
                    ++q;
                if (q != last && *q == ')')
                    end = q + 1;
            }
        } else {
            return {first, std::errc::invalid_argument};
        }
        value = negative ? -special : special;
        return {end, std::errc()};
    }
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != last && (*q == '+' || *q == '-'))
            ++q;
        if (q != last && isDigit(*q)) {
            while (q != last && isDigit(*q))
                ++q;
            p = q;
        }
    }

    // strtod needs a terminated text, and would take more than the general format does
    // (leading blanks, '+', hexadecimal): it only ever sees the part checked above.
    const std::string text(first, p);
    char* end = nullptr;
    errno = 0;
    const double v = strtodC(text.c_str(), &end);
    const int err = errno;
    if (end != text.c_str() + text.size())
        return {first, std::errc::invalid_argument};
    // Subnormal results are values like any other; out of range are only the texts that
    // overflow, and those that round to zero although a digit is not zero.
    if ((err == ERANGE && std::isinf(v)) || (v == 0 && nonzero))
        return {p, std::errc::result_out_of_range};
    value = v;
    return {p, std::errc()};
}

} // namespace sscm::compat
