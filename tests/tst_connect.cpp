#include "analysis/connect.h"
#include "commands/windowprogress.h"
#include "random_draws.h"
#include "recording_window.h"
#include "tempdir.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::test::RecordingWindow;

constexpr const char* kHeading = "\r\nMinimum connect steps (smaller is better). Large value means "
                                 "limited number of common species.\r\n";

// Matrices of n species where each species is compared with itself and the listed pairs.
sscm::Matrices linked(int n, const std::vector<std::pair<int, int>>& links) {
    sscm::Matrices m;
    m.reset(n);
    for (int i = 0; i < n; ++i)
        m.count(i, i) = 1;
    for (const auto& [a, b] : links) {
        m.count(a, b) = 2;
        m.count(b, a) = 2;
    }
    return m;
}

class ConnectTest : public sscm::test::TempDirTest {
protected:
    sscm::Status connect(RecordingWindow& w, const sscm::Matrices& m,
                         std::vector<std::string_view> names = {}) {
        names_.clear();
        if (names.empty()) {
            for (int i = 0; i < m.n; ++i)
                names_.push_back("s" + std::to_string(i + 1));
            names.assign(names_.begin(), names_.end());
        }
        sscm::OutFile log;
        EXPECT_TRUE(log.open("log.csv"));
        sscm::WindowProgress obs(w);
        sscm::writeConnectHeading(log);
        const sscm::Status st = sscm::connectSteps(obs, sscm::comparedPairs(m), connstep_, curvec_);
        sscm::writeConnectLines(log, names, connstep_);
        nextvec_ = curvec_;
        EXPECT_TRUE(log.close());
        return st;
    }
    std::vector<std::string> names_;
    std::vector<std::int32_t> connstep_;
    std::vector<double> curvec_;
    std::vector<double> nextvec_;
};

TEST_F(ConnectTest, ChainOfThreeGivesTwoOneTwo) {
    RecordingWindow w;
    ASSERT_TRUE(connect(w, linked(3, {{0, 1}, {1, 2}}), {"A", "B", "Poa annua"}));
    EXPECT_EQ(connstep_, (std::vector<std::int32_t>{2, 1, 2}));
    EXPECT_EQ(readFile("log.csv"), std::string(kHeading) + "A 2 \r\nB 1 \r\nPoa annua 2 \r\n");
    EXPECT_EQ(w.eventCalls, 5); // one per step
    EXPECT_EQ(w.captions[sscm::Ctl::Label11], "connectivity 3");
}

TEST_F(ConnectTest, OneSpeciesAndFullyLinkedSpeciesNeedOneStep) {
    RecordingWindow w;
    ASSERT_TRUE(connect(w, linked(1, {})));
    EXPECT_EQ(connstep_, (std::vector<std::int32_t>{1}));
    ASSERT_TRUE(connect(w, linked(3, {{0, 1}, {1, 2}, {0, 2}})));
    EXPECT_EQ(connstep_, (std::vector<std::int32_t>{1, 1, 1}));
}

TEST_F(ConnectTest, SplitNetworkStopsAtTheFirstSpeciesAfterTheBound) {
    RecordingWindow w;
    const sscm::Status st = connect(w, linked(4, {{0, 1}, {2, 3}}));
    ASSERT_FALSE(st);
    EXPECT_EQ(st.message, sscm::kSplitNetwork);
    EXPECT_EQ(connstep_[0], 1001);
    EXPECT_EQ(readFile("log.csv"), kHeading);
    EXPECT_EQ(w.eventCalls, 1000);
    EXPECT_EQ(curvec_, (std::vector<double>{1, 1, 0, 0}));
}

TEST_F(ConnectTest, ChainOfThousandAndOneSpeciesFailsAtExactlyThousandSteps) {
    std::vector<std::pair<int, int>> chain;
    for (int i = 0; i + 1 < 1001; ++i)
        chain.emplace_back(i, i + 1);
    RecordingWindow w;
    const sscm::Status st = connect(w, linked(1001, chain));
    ASSERT_FALSE(st);
    EXPECT_EQ(connstep_[0], 1000);
    EXPECT_EQ(curvec_, std::vector<double>(1001, 1.0));

    // One species fewer: every species passes, the ends with 999 steps.
    chain.pop_back();
    ASSERT_TRUE(connect(w, linked(1000, chain)));
    EXPECT_EQ(connstep_.front(), 999);
    EXPECT_EQ(connstep_[500], 500);
}

TEST_F(ConnectTest, ClosingWindowStopsTheSearch) {
    RecordingWindow w;
    w.closeAtEventCall = 2;
    EXPECT_EQ(connect(w, linked(3, {{0, 1}, {1, 2}})).code, sscm::Status::Code::Cancelled);
}

// The steps as repeated products of the link matrix with the set reached so far.
std::vector<std::int32_t> denseSteps(const sscm::Matrices& m) {
    const int n = m.n;
    std::vector<std::int32_t> steps(static_cast<std::size_t>(n));
    for (int s = 0; s < n; ++s) {
        std::vector<double> cur(std::size_t(n), 0.0);
        std::vector<double> next(std::size_t(n), 0.0);
        cur[std::size_t(s)] = 1;
        int step = 1;
        while (step <= 1000) {
            double total = 0;
            for (int i = 0; i < n; ++i) {
                double v = 0;
                for (int j = 0; j < n; ++j)
                    v += cur[std::size_t(j)] * (m.count(i, j) > 0 ? 1.0 : 0.0);
                next[std::size_t(i)] = v > 0 ? 1 : v;
                total += next[std::size_t(i)];
            }
            cur = next;
            if (total == n)
                break;
            ++step;
        }
        steps[std::size_t(s)] = step;
        if (step >= 1000) {
            steps.resize(std::size_t(s) + 1); // the species after the failing one are not tried
            break;
        }
    }
    return steps;
}

TEST_F(ConnectTest, FrontierSearchEqualsMatrixProductsOnRandomNetworks) {
    std::mt19937 rng(17);
    for (int round = 0; round < 30; ++round) {
        const int n = 2 + round * 3;
        std::vector<std::pair<int, int>> links;
        // A sparse chain-like backbone, sometimes broken, plus random extra links.
        sscm::test::UniformInt any(0, n - 1);
        for (int i = 0; i + 1 < n; ++i)
            if (round % 5 != 4 || i != n / 2)
                links.emplace_back(i, i + 1 + any(rng) % std::min(3, n - 1 - i));
        for (int e = 0; e < round % 4; ++e)
            links.emplace_back(any(rng), any(rng));
        const sscm::Matrices m = linked(n, links);
        RecordingWindow w;
        const sscm::Status st = connect(w, m);
        const auto expected = denseSteps(m);
        EXPECT_EQ(bool(st), expected.back() < 1000) << "round " << round;
        for (std::size_t s = 0; s < expected.size(); ++s)
            ASSERT_EQ(connstep_[s], expected[s]) << "round " << round << " species " << s;
    }
}

} // namespace
