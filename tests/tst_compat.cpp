#include "data/compat.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using sscm::compat::fromCharsFallback;
using sscm::compat::toCharsFallback;

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

namespace {

// The fill must write what the standard conversion writes, character for character.
void expectSameText(double v) {
    char want[64];
    char got[64];
    const auto w = std::to_chars(want, want + sizeof want, v);
    const auto g = toCharsFallback(got, got + sizeof got, v);
    ASSERT_EQ(static_cast<int>(g.ec), 0);
    EXPECT_EQ(std::string(got, g.ptr), std::string(want, w.ptr))
        << "bits " << std::hex << std::bit_cast<std::uint64_t>(v);
    const auto wp = std::to_chars(want, want + sizeof want, v, std::chars_format::general, 15);
    const auto gp = toCharsFallback(got, got + sizeof got, v, 15);
    EXPECT_EQ(std::string(got, gp.ptr), std::string(want, wp.ptr));
}

} // namespace

TEST(ToCharsFallback, WritesWhatTheStandardWrites) {
    for (const double v : {0.0,      -0.0,
                           1.0,      -1.5,
                           0.1,      0.3,
                           1e15,     1e16,
                           1e22,     1e23,
                           123456.0, 1234567890123456789.0,
                           5e-324,   2.2250738585072014e-308,
                           1e-5,     1e-4,
                           0.000123, 1.7976931348623157e308,
                           HUGE_VAL, -HUGE_VAL})
        expectSameText(v);
    // Powers of two, where the rounding interval is lopsided.
    for (int e = -1074; e <= 1023; ++e)
        expectSameText(std::ldexp(1.0, e));
    std::mt19937_64 rng(8122026);
    for (int i = 0; i < 20000; ++i) {
        const double v = std::bit_cast<double>(rng());
        if (std::isfinite(v))
            expectSameText(v);
        // Values as field data have them: few digits, moderate size.
        expectSameText(double(std::int64_t(rng() % 2000001) - 1000000) /
                       std::pow(10.0, double(rng() % 8)));
    }
    char small[4];
    EXPECT_EQ(toCharsFallback(small, small + sizeof small, 0.125).ec, std::errc::value_too_large);
}

TEST(MakeUniqueForOverwrite, GivesAWritableArrayOfTheSize) {
    auto a = sscm::compat::makeUniqueForOverwrite<char[]>(1 << 20);
    std::memset(a.get(), 'x', 1 << 20);
    EXPECT_EQ(a[(1 << 20) - 1], 'x');
}

// A data file past 2 GiB: its size must be told right where long is 32-bit (Windows). The file
// is sparse where the file system allows it; a byte written 3 GiB in puts the end there.
TEST(FileOffsets, ReachPastTwoGibibytes) {
    const std::string name = testing::TempDir() + "sscm-offsets.bin";
    std::FILE* f = std::fopen(name.c_str(), "wb+");
    ASSERT_NE(f, nullptr);
    const std::int64_t at = std::int64_t{3} << 30;
    ASSERT_EQ(sscm::compat::fileSeek(f, at, SEEK_SET), 0);
    ASSERT_NE(std::fputc('x', f), EOF);
    EXPECT_EQ(sscm::compat::fileTell(f), 3221225473);
    ASSERT_EQ(sscm::compat::fileSeek(f, 0, SEEK_SET), 0);
    ASSERT_EQ(sscm::compat::fileSeek(f, 0, SEEK_END), 0);
    EXPECT_EQ(sscm::compat::fileTell(f), 3221225473);
    ASSERT_EQ(sscm::compat::fileSeek(f, -1, SEEK_END), 0);
    EXPECT_EQ(std::fgetc(f), 'x');
    std::fclose(f);
    std::remove(name.c_str());
}
