#include "analysis/listings.h"
#include "tempdir.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class OutputTest : public sscm::test::TempDirTest {
protected:
    std::string dump(const std::vector<std::string_view>& names, const sscm::PairTable& pairs,
                     double fill) {
        sscm::OutFile log;
        EXPECT_TRUE(log.open("log.csv"));
        sscm::dumpMatrix(log, names, pairs, fill);
        EXPECT_TRUE(log.close());
        return readFile("log.csv");
    }
};

TEST_F(OutputTest, OneSpeciesDump) {
    sscm::PairTable p;
    p.n = 1;
    p.start = {0, 1};
    p.col = {0};
    p.mean = {2};
    EXPECT_EQ(dump({"Poa"}, p, 0), "\r\nSpecies,Poa \r\nPoa, 2  \r\n");
}

// Pairs never compared (the first row's last, the last row's first) show the fill.
TEST_F(OutputTest, DumpWritesEveryValueInPrintFormBetweenCommas) {
    sscm::PairTable p;
    p.n = 3;
    p.start = {0, 2, 5, 7};
    p.col = {0, 1, 0, 1, 2, 1, 2};
    p.mean = {2, 2.5, 1.5, 2, 1, 3, 2};
    EXPECT_EQ(dump({"Poa", "Carex", "x,y"}, p, 13.0 / 6.0), "\r\nSpecies,Poa,Carex,x,y \r\n"
                                                            "Poa, 2 , 2.5 , 2.16666666666667  \r\n"
                                                            "Carex, 1.5 , 2 , 1  \r\n"
                                                            "x,y, 2.16666666666667 , 3 , 2  \r\n");
}

TEST(RankedListing, HighestFirstTiesInSpeciesOrder) {
    std::vector<std::string> lines{"kept"};
    std::vector<double> palatvalue;
    sscm::rankedListing({"Poa", "Carex", "Stipa", "Festuca"}, {0.5, 0.7, 0.5, 0.1}, palatvalue,
                        [&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines,
              (std::vector<std::string>{"kept", " ", "Eigen vector (palatability)", "Carex,  .7",
                                        "Poa,  .5", "Stipa,  .5", "Festuca,  .1"}));
    EXPECT_EQ(palatvalue, std::vector<double>(4, -1e+300));
}

TEST(RankedListing, OneSpecies) {
    std::vector<std::string> lines;
    std::vector<double> palatvalue;
    sscm::rankedListing({"Poa"}, {1.0}, palatvalue,
                        [&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, (std::vector<std::string>{" ", "Eigen vector (palatability)", "Poa,  1"}));
}

} // namespace
