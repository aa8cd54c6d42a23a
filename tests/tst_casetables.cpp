#include "analysis/casetables.h"
#include "analysis_fixtures.h"
#include "recording_window.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::test::makeTable;
using sscm::test::RecordingWindow;

// The listing's lines added to List3, as GO adds them.
sscm::LineSink intoList3(RecordingWindow& w) {
    return [&w](std::string_view line) { w.lists[sscm::Ctl::List3].emplace_back(line); };
}

sscm::CaseSpeciesTables tablesOf(const sscm::DataTable& t, RecordingWindow& w) {
    sscm::CaseSpeciesTables tab;
    (void)w;
    EXPECT_TRUE(sscm::buildTables(t, 1, 2, 3, tab));
    return tab;
}

TEST(Tables, WorkedExampleCountsAndListing) {
    const auto t = makeTable({"Site", "Species", "Pref"},
                             {{"A", "x", "1"}, {"A", "y", "1"}, {"A", "x", "1"}, {"B", "y", "1"}});
    RecordingWindow w;
    w.lists[sscm::Ctl::List3] = {"earlier line"};
    const auto tab = tablesOf(*t, w);
    EXPECT_EQ(tab.casen, 2);
    EXPECT_EQ(tab.casefreq, (std::vector<std::int32_t>{3, 1}));
    EXPECT_EQ(tab.spn, 2);
    EXPECT_EQ(tab.spfreq, (std::vector<std::int32_t>{2, 2}));
    EXPECT_EQ(tab.spocc, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(tab.spcase(0, 0), 2);
    EXPECT_EQ(tab.spcase(0, 1), 0);
    EXPECT_EQ(tab.spcase(1, 0), 1);
    EXPECT_EQ(tab.spcase(1, 1), 1);

    sscm::occurrenceListing(tab, intoList3(w));
    EXPECT_EQ(w.lists[sscm::Ctl::List3],
              (std::vector<std::string>{"earlier line", " ", " Item , A, B, Number of occurence",
                                        "x,  2,  0,  1", "y,  1,  1,  2"}));
}

TEST(Tables, NamesKeepFirstAppearanceOrderAndExactText) {
    const auto t = makeTable({"Site", "Species", "Pref"}, {{"S2", "Poa", "1"},
                                                           {"S1", "poa", "1"},
                                                           {"S2", "Poa ", "1"},
                                                           {"S1", "null", "1"},
                                                           {"S1", "Poa", "1"}});
    RecordingWindow w;
    const auto tab = tablesOf(*t, w);
    EXPECT_EQ(tab.casename, (std::vector<std::string_view>{"S2", "S1"}));
    EXPECT_EQ(tab.spname, (std::vector<std::string_view>{"Poa", "poa", "Poa ", "null"}));
    EXPECT_EQ(tab.spocc, (std::vector<std::int32_t>{2, 1, 1, 1}));
    // The rows of each case in data order.
    EXPECT_EQ(tab.caserows, (std::vector<std::int32_t>{0, 2, 1, 3, 4}));
}

TEST(Tables, OneCaseListsOneCountPerSpecies) {
    const auto t = makeTable({"Site", "Species", "Pref"}, {{"S", "a", "1"}, {"S", "b", "2"}});
    RecordingWindow w;
    sscm::occurrenceListing(tablesOf(*t, w), intoList3(w));
    EXPECT_EQ(w.lists[sscm::Ctl::List3],
              (std::vector<std::string>{" ", " Item , S, Number of occurence", "a,  1,  1",
                                        "b,  1,  1"}));
}

// The sparse counts and the listing built from them against the species-by-case table filled
// row by row with linear searches.
TEST(Tables, SparseCountsAndListingEqualTheFullTableOnRandomData) {
    std::mt19937 rng(5);
    for (int round = 0; round < 5; ++round) {
        const auto rows = sscm::test::randomRows(rng, 40, 30, 60);
        const auto t = makeTable({"Site", "Species", "Pref"}, rows);
        RecordingWindow w;
        const auto tab = tablesOf(*t, w);

        std::vector<std::string> casename;
        std::vector<std::string> spname;
        for (const auto& r : rows) {
            if (std::find(casename.begin(), casename.end(), r[0]) == casename.end())
                casename.push_back(r[0]);
            if (std::find(spname.begin(), spname.end(), r[1]) == spname.end())
                spname.push_back(r[1]);
        }
        std::vector<std::vector<int>> spcase(spname.size(), std::vector<int>(casename.size()));
        for (const auto& r : rows) {
            const auto c = std::find(casename.begin(), casename.end(), r[0]) - casename.begin();
            const auto s = std::find(spname.begin(), spname.end(), r[1]) - spname.begin();
            ++spcase[std::size_t(s)][std::size_t(c)];
        }
        std::vector<std::string> expected = {" "};
        std::string header = " Item ";
        for (const auto& c : casename)
            header += ", " + c;
        expected.push_back(header + ", Number of occurence");
        ASSERT_EQ(std::size_t(tab.spn), spname.size());
        for (std::size_t s = 0; s < spname.size(); ++s) {
            ASSERT_EQ(tab.spname[s], spname[s]);
            std::string line = spname[s];
            int occ = 0;
            for (std::size_t c = 0; c < casename.size(); ++c) {
                EXPECT_EQ(tab.spcase(std::int32_t(s), std::int32_t(c)), spcase[s][c]);
                line += ",  " + std::to_string(spcase[s][c]);
                occ += spcase[s][c] > 0 ? 1 : 0;
            }
            EXPECT_EQ(tab.spocc[s], occ);
            expected.push_back(line + ",  " + std::to_string(occ));
        }
        sscm::occurrenceListing(tab, intoList3(w));
        EXPECT_EQ(w.lists[sscm::Ctl::List3], expected);
    }
}

} // namespace
