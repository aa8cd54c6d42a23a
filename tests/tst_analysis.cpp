#include "analysis/analysis.h"
#include "analysis_fixtures.h"
#include "random_draws.h"
#include "tempdir.h"

#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include <gtest/gtest.h>

namespace {

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

TEST_F(PlainCall, TwoThreadsAtOnceGiveTheirSoloResults) {
    std::mt19937 rng(9);
    const auto a = makeTable(kNames, sscm::test::randomRows(rng, 300, 30, 60));
    const auto b = makeTable(kNames, sscm::test::randomRows(rng, 200, 40, 80));
    sscm::AnalysisResult soloA;
    sscm::AnalysisResult soloB;
    ASSERT_TRUE(sscm::analysis::run(*a, roles(false, ""), nullptr, soloA));
    ASSERT_TRUE(sscm::analysis::run(*b, roles(false, ""), nullptr, soloB));
    for (int round = 0; round < 3; ++round) {
        sscm::AnalysisResult ra;
        sscm::AnalysisResult rb;
        std::thread ta([&] { (void)sscm::analysis::run(*a, roles(false, ""), nullptr, ra); });
        std::thread tb([&] { (void)sscm::analysis::run(*b, roles(false, ""), nullptr, rb); });
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
    sscm::Status st = sscm::analysis::run(*split, roles(false, ""), nullptr, r);
    EXPECT_EQ(st.code, sscm::Status::Code::SplitNetwork);
    EXPECT_EQ(r.connstep, (std::vector<std::int32_t>{1001}));
    EXPECT_EQ(r.pairs.start, (std::vector<std::int64_t>{0, 2, 4, 5}));
    EXPECT_EQ(r.pairs.mean, (std::vector<double>{2, 1, 3, 2, 2}));
    EXPECT_TRUE(r.curvec.empty());

    st = sscm::analysis::run(*split, roles(true, "many"), nullptr, r);
    EXPECT_EQ(st.code, sscm::Status::Code::Failed);
    EXPECT_NE(st.message.find("\"many\""), std::string::npos);
    auto wrong = roles(false, "");
    wrong.prefvar = "pref";
    st = sscm::analysis::run(*split, wrong, nullptr, r);
    EXPECT_NE(st.message.find("\"pref\""), std::string::npos);

    // A run that is asked to stop stops.
    struct Stopper : sscm::analysis::Hooks {
        int left = 3;
        bool proceed() override { return --left > 0; }
    } stopper;
    st = sscm::analysis::run(*split, roles(false, ""), &stopper, r);
    EXPECT_EQ(st.code, sscm::Status::Code::Cancelled);
}

} // namespace
