#include "analysis/analysis.h"
#include "analysis/casetables.h"
#include "analysis/setup.h"
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
    EXPECT_EQ(r.pairs.count, (std::vector<double>{1, 1, 1, 1, 1}));
    EXPECT_EQ(r.fill, 2.0);
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

// Hears each stage's findings as one line per hook, in order.
struct Heard : sscm::analysis::Hooks {
    std::vector<std::string> thresholds; // answered in turn, the last one repeated
    bool failRoles = false;
    std::vector<std::string> log;
    std::size_t asked = 0;

    sscm::Status rolesFound(const sscm::RoleColumns& r) override {
        log.push_back("roles " + std::to_string(r.casecol) + std::to_string(r.spcol) +
                      std::to_string(r.prefcol));
        return failRoles ? sscm::Status::failed("no log") : sscm::Status::ok();
    }
    void tablesFound(const sscm::CaseSpeciesTables& t) override {
        log.push_back("tables " + std::to_string(t.casen) + " " + std::to_string(t.spn));
    }
    sscm::Status recordsDone() override {
        log.push_back("records");
        return sscm::Status::ok();
    }
    std::string threshold(const sscm::AnalysisSettings&) override {
        return thresholds[std::min(asked++, thresholds.size() - 1)];
    }
    void removalDone(const std::vector<std::string_view>& spname,
                     const std::vector<std::int32_t>& removed, bool complete, std::int32_t total,
                     std::int32_t used) override {
        std::string line = "removal";
        for (const auto k : removed)
            line += " " + std::string(spname[std::size_t(k)]);
        log.push_back(line + (complete ? " complete " : " stopped ") + std::to_string(total) + " " +
                      std::to_string(used));
    }
    void connectStarting() override { log.push_back("connect"); }
    void connectDone(const std::vector<std::string_view>& spname,
                     const std::vector<std::int32_t>& connstep, const std::vector<double>&,
                     bool cancelled) override {
        std::string line = "steps";
        for (std::size_t s = 0; s < connstep.size(); ++s)
            line += " " + std::string(spname[s]) + std::to_string(connstep[s]);
        log.push_back(line + (cancelled ? " cancelled" : ""));
    }
    void meansFound(const std::vector<std::string_view>&, const sscm::PairTable& pairs,
                    double fill) override {
        std::string line = "means";
        for (const double m : pairs.mean)
            line += " " + std::to_string(int(m));
        log.push_back(line + " fill " + std::to_string(fill));
    }
};

// Case S1 (A 5, B 2) and case S2 (A 1, B 1, C 3); the threshold is asked anew for each species:
// "0" keeps A (2 cases), "5" removes B, "0" keeps C (1 case).
TEST_F(PlainCall, HooksHearEachStageInOrderAndTheThresholdPerSpecies) {
    const auto table = makeTable(
        kNames,
        {{"S1", "A", "5"}, {"S1", "B", "2"}, {"S2", "A", "1"}, {"S2", "B", "1"}, {"S2", "C", "3"}});
    Heard h;
    h.thresholds = {"0", "5", "0"};
    sscm::AnalysisResult r;
    ASSERT_TRUE(sscm::analysis::run(*table, roles(true, "99"), &h, r));
    EXPECT_EQ(h.log, (std::vector<std::string>{"roles 123", "tables 2 3", "records",
                                               "removal B complete 3 2", "connect", "steps A1 C1",
                                               "means 2 1 3 2 fill 2.000000"}));
    EXPECT_EQ(h.asked, 3u);
    EXPECT_EQ(r.spname, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(r.removed, (std::vector<std::int32_t>{1}));

    // A threshold that is no number: the removal is heard as stopped, then the run fails.
    Heard bad;
    bad.thresholds = {"0", "x"};
    EXPECT_FALSE(sscm::analysis::run(*table, roles(true, "0"), &bad, r));
    EXPECT_EQ(bad.log.back(), "removal stopped 3 1");

    // A hook's failure ends the run before the next stage.
    Heard refusing;
    refusing.failRoles = true;
    const sscm::Status st = sscm::analysis::run(*table, roles(false, ""), &refusing, r);
    EXPECT_EQ(st.message, "no log");
    EXPECT_EQ(refusing.log, (std::vector<std::string>{"roles 123"}));

    // A split network: the steps up to the failing species, no means.
    const auto split = makeTable(kNames, {{"S1", "A", "1"}, {"S1", "B", "2"}, {"S2", "C", "1"}});
    Heard parted;
    EXPECT_EQ(sscm::analysis::run(*split, roles(false, ""), &parted, r).code,
              sscm::Status::Code::SplitNetwork);
    EXPECT_EQ(parted.log.back(), "steps A1001");
}

} // namespace
