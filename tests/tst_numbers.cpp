#include "analysis/numbers.h"

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
