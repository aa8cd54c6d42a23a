#include "analysis/analysis.h"
#include "analysis_fixtures.h"
#include "commands/go.h"
#include "random_draws.h"
#include "recording_window.h"
#include "tempdir.h"

#include <cstring>
#include <random>
#include <thread>

#include <gtest/gtest.h>

namespace {

using sscm::Ctl;
using sscm::test::makeTable;

const std::vector<std::string> kNames = {"Site", "Species", "Pref"};

sscm::AnalysisSettings roles(bool removelow, std::string lowlimit) {
    sscm::AnalysisSettings s;
    s.casevar = "Site";
    s.spvar = "Species";
    s.prefvar = "Pref";
    s.removelow = removelow;
    s.lowlimit = std::move(lowlimit);
    return s;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

class PlainCall : public sscm::test::TempDirTest {};

// The plain call and the window's GO command drive the same stages: same species, same values to
// the last bit, on random data with and without the removal.
TEST_F(PlainCall, EqualsTheGoCommandOnRandomData) {
    std::mt19937 rng(5);
    int compared = 0;
    for (int round = 0; round < 6; ++round) {
        const bool removelow = round % 2 == 0;
        const auto table = makeTable(kNames, sscm::test::randomRows(rng, 40, 12, 15));
        sscm::AnalysisResult plain;
        const sscm::Status st = sscm::analyze(*table, roles(removelow, "1"), plain);

        sscm::test::RecordingWindow w;
        w.texts[Ctl::Text1] = "Site";
        w.texts[Ctl::Text2] = "Species";
        w.texts[Ctl::Text4] = "Pref";
        w.texts[Ctl::Text5] = "1";
        w.texts[Ctl::Text6] = "log.csv";
        w.values[Ctl::Check1] = removelow ? 1 : 0;
        sscm::Session s;
        s.table = table;
        const sscm::Status go = sscm::goCommand(w, s);
        ASSERT_EQ(st.code, go.code) << st.message << " / " << go.message;
        if (!st)
            continue;
        ++compared;
        EXPECT_TRUE(sameBits(plain.curvec, s.curvec));
        EXPECT_TRUE(sameBits(plain.nextvec, s.nextvec));
        ASSERT_TRUE(s.lastResult);
        EXPECT_EQ(plain.spname, s.lastResult->spname);
        EXPECT_EQ(plain.removed, s.lastResult->removed);
        EXPECT_EQ(plain.connstep, s.lastResult->connstep);
        EXPECT_EQ(plain.pairs.mean, s.lastResult->pairs.mean);
        EXPECT_EQ(plain.pairs.count, s.lastResult->pairs.count);
    }
    EXPECT_GE(compared, 4);
}

TEST_F(PlainCall, TwoThreadsAtOnceGiveTheirSoloResults) {
    std::mt19937 rng(9);
    const auto a = makeTable(kNames, sscm::test::randomRows(rng, 300, 30, 60));
    const auto b = makeTable(kNames, sscm::test::randomRows(rng, 200, 40, 80));
    sscm::AnalysisResult soloA;
    sscm::AnalysisResult soloB;
    ASSERT_TRUE(sscm::analyze(*a, roles(false, ""), soloA));
    ASSERT_TRUE(sscm::analyze(*b, roles(false, ""), soloB));
    for (int round = 0; round < 3; ++round) {
        sscm::AnalysisResult ra;
        sscm::AnalysisResult rb;
        std::thread ta([&] { (void)sscm::analyze(*a, roles(false, ""), ra); });
        std::thread tb([&] { (void)sscm::analyze(*b, roles(false, ""), rb); });
        ta.join();
        tb.join();
        EXPECT_TRUE(sameBits(ra.curvec, soloA.curvec));
        EXPECT_TRUE(sameBits(rb.curvec, soloB.curvec));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir())); // no record file, no log
}

TEST_F(PlainCall, FailuresSayWhyAndSplitNetworkKeepsThePairs) {
    const auto split = makeTable(kNames, {{"S1", "A", "1"}, {"S1", "B", "2"}, {"S2", "C", "1"}});
    sscm::AnalysisResult r;
    sscm::Status st = sscm::analyze(*split, roles(false, ""), r);
    EXPECT_EQ(st.code, sscm::Status::Code::SplitNetwork);
    EXPECT_EQ(r.connstep, (std::vector<std::int32_t>{1001}));
    EXPECT_EQ(r.pairs.start, (std::vector<std::int64_t>{0, 2, 4, 5}));
    EXPECT_EQ(r.pairs.mean, (std::vector<double>{2, 1, 3, 2, 2}));
    EXPECT_TRUE(r.curvec.empty());

    st = sscm::analyze(*split, roles(true, "many"), r);
    EXPECT_EQ(st.code, sscm::Status::Code::Failed);
    EXPECT_NE(st.message.find("\"many\""), std::string::npos);
    auto wrong = roles(false, "");
    wrong.prefvar = "pref";
    st = sscm::analyze(*split, wrong, r);
    EXPECT_NE(st.message.find("\"pref\""), std::string::npos);

    // A run that is asked to stop stops.
    struct Stopper : sscm::RunObserver {
        int left = 3;
        bool proceed() override { return --left > 0; }
    } stopper;
    st = sscm::analyze(*split, roles(false, ""), r, &stopper);
    EXPECT_EQ(st.code, sscm::Status::Code::Cancelled);
}

} // namespace
