#include "analysis/output.h"
#include "recording_window.h"
#include "tempdir.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::test::RecordingWindow;

class OutputTest : public sscm::test::TempDirTest {
protected:
    std::string dump(const std::vector<std::string_view>& names, const sscm::Matrices& m) {
        sscm::OutFile log;
        EXPECT_TRUE(log.open("log.csv"));
        sscm::dumpMatrix(log, names, m);
        EXPECT_TRUE(log.close());
        return readFile("log.csv");
    }
};

TEST_F(OutputTest, OneSpeciesDump) {
    sscm::Matrices m;
    m.n = 1;
    m.compsum = {2};
    m.compn = {1};
    EXPECT_EQ(dump({"Poa"}, m), "\r\nSpecies,Poa \r\nPoa, 2  \r\n");
}

TEST_F(OutputTest, DumpWritesEveryValueInPrintFormBetweenCommas) {
    sscm::Matrices m;
    m.n = 3;
    const double fill = 13.0 / 6.0;
    m.compsum = {2, 2.5, fill, 1.5, 2, 1, fill, 3, 2};
    m.compn = {1, 1, 0, 1, 1, 1, 0, 1, 1};
    EXPECT_EQ(dump({"Poa", "Carex", "x,y"}, m), "\r\nSpecies,Poa,Carex,x,y \r\n"
                                                "Poa, 2 , 2.5 , 2.16666666666667  \r\n"
                                                "Carex, 1.5 , 2 , 1  \r\n"
                                                "x,y, 2.16666666666667 , 3 , 2  \r\n");
}

TEST(RankedListing, HighestFirstTiesInSpeciesOrder) {
    RecordingWindow w;
    w.lists[sscm::Ctl::List3] = {"kept"};
    std::vector<double> palatvalue;
    sscm::appendRankedListing(w, {"Poa", "Carex", "Stipa", "Festuca"}, {0.5, 0.7, 0.5, 0.1},
                              palatvalue);
    EXPECT_EQ(w.lists[sscm::Ctl::List3],
              (std::vector<std::string>{"kept", " ", "Eigen vector (palatability)", "Carex,  .7",
                                        "Poa,  .5", "Stipa,  .5", "Festuca,  .1"}));
    EXPECT_EQ(palatvalue, std::vector<double>(4, -1e+300));
}

TEST(RankedListing, OneSpecies) {
    RecordingWindow w;
    std::vector<double> palatvalue;
    sscm::appendRankedListing(w, {"Poa"}, {1.0}, palatvalue);
    EXPECT_EQ(w.lists[sscm::Ctl::List3],
              (std::vector<std::string>{" ", "Eigen vector (palatability)", "Poa,  1"}));
}

} // namespace
