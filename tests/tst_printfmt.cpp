#include "data/printfmt.h"
#include "random_draws.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using sscm::numberText;
using sscm::printForm;

// The reference: C's "%.15g", with the blank or "-" in front, no zero before the decimal point and
// an upper-case E.
std::string reference(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", std::fabs(v));
    std::string digits = buf;
    if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.')
        digits.erase(0, 1);
    for (char& c : digits)
        if (c == 'e')
            c = 'E';
    return (v < 0 ? "-" : " ") + digits;
}

TEST(PrintFormat, WholeNumbers) {
    EXPECT_EQ(printForm(3), " 3 ");
    EXPECT_EQ(printForm(0), " 0 ");
    EXPECT_EQ(printForm(-7), "-7 ");
    EXPECT_EQ(printForm(100), " 100 ");
    EXPECT_EQ(printForm(123456789012345.0), " 123456789012345 ");
    EXPECT_EQ(printForm(-123456789012345.0), "-123456789012345 ");
}

TEST(PrintFormat, NegativeZeroPrintsLikeZero) {
    EXPECT_EQ(printForm(-0.0), " 0 ");
    EXPECT_EQ(numberText(-0.0), " 0");
}

TEST(PrintFormat, FractionsHaveNoLeadingZero) {
    EXPECT_EQ(printForm(0.5), " .5 ");
    EXPECT_EQ(printForm(-0.25), "-.25 ");
    EXPECT_EQ(printForm(2.5), " 2.5 ");
    EXPECT_EQ(printForm(std::sqrt(3.0) / 2), " .866025403784439 ");
    EXPECT_EQ(printForm(1.0 / 3), " .333333333333333 ");
    EXPECT_EQ(printForm(2.0 / 3), " .666666666666667 ");
    EXPECT_EQ(printForm(0.1 + 0.2), " .3 ");
    EXPECT_EQ(printForm(1.1), " 1.1 ");
}

TEST(PrintFormat, ExponentForm) {
    EXPECT_EQ(numberText(1e-05), " 1E-05");
    EXPECT_EQ(numberText(1.5e20), " 1.5E+20");
    EXPECT_EQ(numberText(1.23456789012345e-05), " 1.23456789012345E-05");
    EXPECT_EQ(numberText(-1e-300), "-1E-300");
    EXPECT_EQ(numberText(1e15), " 1E+15");
    EXPECT_EQ(numberText(1234567890123456.0), " 1.23456789012346E+15");
    EXPECT_EQ(numberText(0.0001), " .0001");
    EXPECT_EQ(numberText(-1e300), "-1E+300");
}

TEST(PrintFormat, NumberTextHasNoTrailingBlank) {
    EXPECT_EQ(numberText(3), " 3");
    EXPECT_EQ(numberText(0.5), " .5");
    EXPECT_EQ(numberText(-0.25), "-.25");
    EXPECT_EQ(numberText(1.0), " 1");
}

TEST(PrintFormat, IntegerOverloads) {
    std::string s;
    sscm::appendNumberText(s, std::int64_t{25});
    sscm::appendPrint(s, std::int64_t{-3});
    sscm::appendPrint(s, std::int32_t{0});
    sscm::appendNumberText(s, std::int32_t{100});
    sscm::appendNumberText(s, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(s, " 25-3  0  100-9223372036854775808");
}

TEST(PrintFormat, AppendsToWhatIsThere) {
    std::string s = "Poa,";
    sscm::appendPrint(s, 2.0);
    s += ',';
    sscm::appendPrint(s, 2.5);
    s += ' ';
    EXPECT_EQ(s, "Poa, 2 , 2.5  ");
}

TEST(PrintFormat, MatchesPrintfOnManyValues) {
    std::mt19937_64 rng(12345);
    sscm::test::UniformReal unit(0.0, 1.0);
    sscm::test::UniformInt smallInt(-1000, 1000);
    sscm::test::UniformInt expo(-320, 310);
    auto check = [](double v) {
        if (std::isfinite(v)) {
            ASSERT_EQ(numberText(v), reference(v)) << "value " << std::hexfloat << v;
        }
    };
    for (int i = 0; i < 200000; ++i) {
        // Arbitrary bit patterns: every magnitude and digit string.
        std::uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        check(v);
        // Ordinary magnitudes, where the plain and the exponent form meet.
        check((unit(rng) - 0.5) * std::pow(10.0, expo(rng) / 10));
        check(unit(rng) * std::pow(10.0, expo(rng)));
        // Means of comparison codes and other ratios of small whole numbers.
        const int den = smallInt(rng);
        if (den != 0)
            check(double(smallInt(rng)) / den);
        // Whole numbers of every size, round the 15-digit limit too.
        check(std::round(unit(rng) * std::pow(10.0, 1 + i % 18)));
    }
    for (double v : {1e14, 1e15 - 1, 1e15, 1e15 + 1, 999999999999999.5, 0.0001, 0.00001,
                     0.000099999999999999999, 1e-5, 9.99999999999999e14, 4.9e-324, 1.7e308})
        check(v), check(-v);
}

TEST(ZoneAdvance, PadsToTheNextZone) {
    std::string line = "Number of data";
    ASSERT_EQ(line.size(), 14u);
    sscm::zoneAdvance(line);
    EXPECT_EQ(line, "Number of data") << "a line ending on a zone boundary gets no blank";
    sscm::appendPrint(line, std::int64_t{12});
    EXPECT_EQ(line, "Number of data 12 ");

    std::string a = "abc";
    sscm::zoneAdvance(a);
    EXPECT_EQ(a, "abc" + std::string(11, ' '));
    std::string empty;
    sscm::zoneAdvance(empty);
    EXPECT_EQ(empty, "");
    std::string fifteen(15, 'x');
    sscm::zoneAdvance(fifteen);
    EXPECT_EQ(fifteen.size(), 28u);
}

} // namespace
