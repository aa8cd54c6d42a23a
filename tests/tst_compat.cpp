#include "data/compat.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using sscm::compat::fromCharsFallback;

namespace {

// The fill must read every text exactly as the standard conversion does: the same outcome, the
// same end, the same bits.
void expectSameAsStandard(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    double expected = -7.25;
    double got = -7.25;
    const auto e = std::from_chars(first, last, expected, std::chars_format::general);
    const auto g = fromCharsFallback(first, last, got);
    EXPECT_EQ(static_cast<int>(g.ec), static_cast<int>(e.ec)) << '"' << text << '"';
    EXPECT_EQ(g.ptr - first, e.ptr - first) << '"' << text << '"';
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(got)) << text;
    else
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected))
            << '"' << text << '"';
}

} // namespace

TEST(FromCharsFallback, EdgeTextsReadAsTheStandardReadsThem) {
    const char* texts[] = {
        // halfway cases (ties to even), the largest and smallest doubles and beyond
        "9007199254740993", "9007199254740995", "0.1", "1.7976931348623157e308",
        "1.7976931348623158e308", "1.797693134862315808e308", "1e309", "-1e309",
        "2.2250738585072011e-308", "2.2250738585072014e-308", "4.9406564584124654e-324",
        "2.4703282292062327e-324", "2.4703282292062328e-324", "2e-324", "3e-324", "1e-400",
        "-1e-400", "0e-400", "0", "-0", "000.000", "123456789012345678901234567890e-20",
        // partial and refused texts
        "1e", "1e+", "1.5E-x", "5.", ".5", ".", "-", "", "+1", " 1", "0x1A", "1,5", "12abc", "inf",
        "-Infinity", "INFINITE", "nan", "NaN(12_ab)", "nan(", "in", "-nan"};
    for (const char* t : texts)
        expectSameAsStandard(t);
}

TEST(FromCharsFallback, RandomDoublesReadBackBitForBit) {
    std::mt19937_64 rng(20261208);
    char buf[64];
    for (int i = 0; i < 20000; ++i) {
        const double v = std::bit_cast<double>(rng());
        if (!std::isfinite(v))
            continue;
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        expectSameAsStandard(std::string(buf, r.ptr));
        // More digits than a double holds: rounding decided beyond the 17th digit.
        std::snprintf(buf, sizeof buf, "%.24e", v);
        expectSameAsStandard(buf);
        std::snprintf(buf, sizeof buf, "%.9g", v);
        expectSameAsStandard(buf);
    }
}

TEST(MakeUniqueForOverwrite, GivesAWritableArrayOfTheSize) {
    auto a = sscm::compat::makeUniqueForOverwrite<char[]>(1 << 20);
    std::memset(a.get(), 'x', 1 << 20);
    EXPECT_EQ(a[(1 << 20) - 1], 'x');
}
