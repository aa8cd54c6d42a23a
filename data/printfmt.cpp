#include "data/printfmt.h"

#include "data/compat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace sscm {

namespace {

// Whole numbers below this have at most 15 digits, so "%.15g" writes them in plain digits.
constexpr double kPlainWholeLimit = 1e15;

void appendUnsigned(std::string& out, std::uint64_t u) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, u);
    out.append(buf, std::size_t(r.ptr - buf));
}

// Digits of a non-negative value (or NaN) as "%.15g" writes them, without the zero before the
// decimal point and with an upper-case E.
void appendMagnitude(std::string& out, double a) {
    if (a < kPlainWholeLimit && a == std::floor(a)) {
        appendUnsigned(out, static_cast<std::uint64_t>(a));
        return;
    }
    // to_chars with a format and a precision is specified to give what printf gives for the
    // same conversion and precision, without the locale and far faster.
    char buf[40];
    const auto r = compat::toCharsGeneral(buf, buf + sizeof buf, a, 15);
    const char* first = buf;
    if (r.ptr - buf > 1 && buf[0] == '0' && buf[1] == '.')
        ++first;
    const std::size_t at = out.size();
    out.append(first, std::size_t(r.ptr - first));
    for (std::size_t i = at; i < out.size(); ++i) {
        if (out[i] == 'e') {
            out[i] = 'E';
            break;
        }
    }
}

void appendSigned(std::string& out, double v) {
    // -0.0 prints like 0; a NaN gets the blank of a non-negative number.
    if (v < 0) {
        out += '-';
        appendMagnitude(out, -v);
    } else {
        out += ' ';
        appendMagnitude(out, v == 0 ? 0.0 : v);
    }
}

void appendSigned(std::string& out, std::int64_t v) {
    if (v < 0) {
        out += '-';
        appendUnsigned(out, std::uint64_t{0} - static_cast<std::uint64_t>(v));
    } else {
        out += ' ';
        appendUnsigned(out, static_cast<std::uint64_t>(v));
    }
}

} // namespace

void appendPrint(std::string& out, double v) {
    appendSigned(out, v);
    out += ' ';
}

void appendNumberText(std::string& out, double v) {
    appendSigned(out, v);
}

void appendNumberText(std::string& out, std::int64_t v) {
    appendSigned(out, v);
}

void appendPrint(std::string& out, std::int64_t v) {
    appendSigned(out, v);
    out += ' ';
}

std::string printForm(double v) {
    std::string s;
    appendPrint(s, v);
    return s;
}

std::string numberText(double v) {
    std::string s;
    appendNumberText(s, v);
    return s;
}

void zoneAdvance(std::string& line) {
    // Columns are counted from the start of the current line, should the caller pass more.
    const std::size_t nl = line.find_last_of('\n');
    const std::size_t col = nl == std::string::npos ? line.size() : line.size() - nl - 1;
    const std::size_t rem = col % kZoneWidth;
    if (rem != 0)
        line.append(kZoneWidth - rem, ' ');
}

} // namespace sscm
