#include "data/compat.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

double readBack(const std::string& text) {
    return strtodC(text.c_str(), nullptr);
}

std::to_chars_result put(char* first, char* last, const std::string& text) {
    if (last - first < static_cast<std::ptrdiff_t>(text.size()))
        return {last, std::errc::value_too_large};
    std::memcpy(first, text.data(), text.size());
    return {first + text.size(), std::errc()};
}

// printf's output with the locale's decimal separator turned back into a point.
std::string withPoint(const char* text) {
    std::string s(text);
    const char* sep = std::localeconv()->decimal_point;
    if (sep != nullptr && std::strcmp(sep, ".") != 0 && *sep != '\0') {
        const std::size_t at = s.find(sep);
        if (at != std::string::npos)
            s.replace(at, std::strlen(sep), ".");
    }
    return s;
}

// The decimal m * 10^q with the fewest digits that reads back to a (finite, positive): for each
// count of digits the one nearest to a (printf's rounding), else its neighbours, which can be
// the only ones inside the rounding interval where it is lopsided (at a power of two).
void shortestDigits(double a, std::uint64_t& m, int& q) {
    char buf[64];
    m = 0;
    q = 0;
    // 17 significant digits always read back, so the loop returns.
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*e", digits - 1, a);
        const std::string s = withPoint(buf);
        const std::size_t e = s.find('e');
        std::uint64_t nearest = 0;
        for (std::size_t i = 0; i < e; ++i) {
            if (s[i] != '.')
                nearest = nearest * 10 + std::uint64_t(s[i] - '0');
        }
        const int exp = std::atoi(s.c_str() + e + 1) - (digits - 1);
        const std::uint64_t candidates[] = {nearest, nearest - 1, nearest + 1};
        for (const std::uint64_t c : candidates) {
            if (c == 0)
                continue;
            if (readBack(std::to_string(c) + "e" + std::to_string(exp)) == a) {
                m = c;
                q = exp;
                while (m % 10 == 0) {
                    m /= 10;
                    ++q;
                }
                return;
            }
        }
    }
}

} // namespace

std::to_chars_result toCharsFallback(char* first, char* last, double value) {
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value))
        return put(first, last, sign + "nan");
    if (std::isinf(value))
        return put(first, last, sign + "inf");
    if (value == 0)
        return put(first, last, sign + "0");
    std::uint64_t m = 0;
    int q = 0;
    shortestDigits(std::fabs(value), m, q);
    const std::string digits = std::to_string(m);
    const int n = static_cast<int>(digits.size());
    const int e = q + n - 1; // the exponent of the scientific notation

    std::string sci = digits.substr(0, 1);
    if (n > 1)
        sci += "." + digits.substr(1);
    const int absE = e < 0 ? -e : e;
    sci += std::string(e < 0 ? "e-" : "e+") + (absE < 10 ? "0" : "") + std::to_string(absE);

    // A whole number is written in plain notation with all its digits, exact as printf's "%.0f"
    // writes it, not the shortest digits padded with zeros.
    std::string plain;
    if (q >= 0) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.0f", std::fabs(value));
        plain = buf;
    } else if (e >= 0)
        plain = digits.substr(0, std::size_t(e + 1)) + "." + digits.substr(std::size_t(e + 1));
    else
        plain = "0." + std::string(std::size_t(-e - 1), '0') + digits;

    return put(first, last, sign + (plain.size() <= sci.size() ? plain : sci));
}

std::to_chars_result toCharsFallback(char* first, char* last, double value, int precision) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*g", precision, value);
    return put(first, last, withPoint(buf));
}

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

std::int64_t fileTell(std::FILE* file) {
#if defined(_WIN32)
    return ::_ftelli64(file);
#else
    return std::int64_t(::ftello(file));
#endif
}

int fileSeek(std::FILE* file, std::int64_t offset, int origin) {
#if defined(_WIN32)
    return ::_fseeki64(file, offset, origin);
#else
    return ::fseeko(file, off_t(offset), origin);
#endif
}

} // namespace sscm::compat
