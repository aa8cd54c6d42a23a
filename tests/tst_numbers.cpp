#include "analysis/csv.h"
#include "analysis/numbers.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

using sscm::strictNumber;

TEST(StrictNumber, AcceptsDecimalFormsWithBlanksSignAndExponent) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"5", 5},        {"5.", 5},         {".5", 0.5},
        {"-.25", -0.25}, {"+3", 3},         {"  7  ", 7},
        {"1e3", 1000},   {"2.5E-2", 0.025}, {"-1e+2", -100},
        {"0", 0},        {"007", 7},        {"1.7976931348623157e308", 1.7976931348623157e308},
    };
    for (const auto& c : cases) {
        double v = -99;
        EXPECT_TRUE(strictNumber(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(StrictNumber, RejectsEverythingElseAndKeepsTheValue) {
    const char* cases[] = {"",   "   ", "null",  ".",   "-",     "+.",     "e3",
                           "1e", "1e+", "0x1A",  "inf", "nan",   "1,5",    "1 000",
                           "5a", "--5", "1.2.3", "\t5", "1e999", "-1e999", "5%"};
    for (const char* text : cases) {
        double v = 42;
        EXPECT_FALSE(strictNumber(text, v)) << '"' << text << '"';
        EXPECT_EQ(v, 42) << text;
    }
}

// Texts whose value lies below the smallest double read as the standard conversion reads them
// (zero, or the nearest subnormal), sign included; too large is still refused.
TEST(StrictNumber, UnderflowReadsAsTheNearestDoubleAsStrtodGivesIt) {
    const std::string tiny = "0." + std::string(400, '0') + "1";
    const std::string cases[] = {
        "1e-400",
        "2e-324",
        "-2e-324",
        "3e-324",
        "2.4703282292062327e-324",
        "1e-310",
        "  -1e-400 ",
        "0.0000001e-320",
        tiny,
        "123456e-330",
        "1e-999999999999999999999",
        "0e-999",
        "0.000e99999",
    };
    for (const std::string& text : cases) {
        double v = 42;
        ASSERT_TRUE(strictNumber(text, v)) << text;
        const double expected = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&v, &expected, sizeof v), 0) << text << ": " << v;
    }
    for (const char* text : {"1e309", "-1e400", "1e999999999999999999999", "0.1e310"}) {
        double v = 42;
        EXPECT_FALSE(strictNumber(text, v)) << text;
    }
}

// Correlations in messages: rounded, with a point even where the locale writes a decimal comma
// (the window runs in the user's locale).
TEST(FixedDecimals, RoundsAndWritesAPointWhateverTheLocale) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name) != nullptr)
            break;
    EXPECT_EQ(sscm::fixedDecimals(0.98824, 4), "0.9882");
    EXPECT_EQ(sscm::fixedDecimals(0.93695, 2), "0.94");
    EXPECT_EQ(sscm::fixedDecimals(-0.351, 2), "-0.35");
    EXPECT_EQ(sscm::fixedDecimals(-0.004, 2), "0.00");
    EXPECT_EQ(sscm::fixedDecimals(1.0, 4), "1.0000");
    EXPECT_EQ(sscm::fixedDecimals(12.6, 0), "13");
    std::setlocale(LC_NUMERIC, before.c_str());
}
