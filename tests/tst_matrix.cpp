#include "analysis/matrix.h"
#include "commands/windowobserver.h"
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

sscm::Matrices workedExample() {
    sscm::Matrices m;
    m.n = 3;
    m.compn = {2, 2, 1, 2, 2, 1, 1, 1, 1};
    m.compsum = {4, 5, 1, 3, 4, 1, 3, 3, 2};
    return m;
}

// A window whose threshold text changes while the removal pass runs.
class ChangingThresholdWindow : public RecordingWindow {
public:
    std::vector<std::string> thresholds;
    std::size_t reads = 0;
    std::string text(sscm::Ctl c) override {
        if (c == sscm::Ctl::Text5)
            return thresholds[std::min(reads++, thresholds.size() - 1)];
        return RecordingWindow::text(c);
    }
};

class RemovalTest : public sscm::test::TempDirTest {
protected:
    sscm::Status remove(sscm::Window& w, sscm::Matrices& m, std::vector<std::int32_t> spocc) {
        sscm::OutFile log;
        EXPECT_TRUE(log.open("log.csv"));
        sscm::WindowObserver obs(w);
        std::vector<std::int32_t> kept;
        std::vector<std::int32_t> removed;
        std::string lowlimit;
        sscm::Status st = sscm::removeLowOccurrence(
            obs, [&] { return w.text(sscm::Ctl::Text5); }, spocc, kept, removed, lowlimit);
        sscm::writeRemovalLog(log, spname_, removed, st.isOk(), m.n, std::int32_t(kept.size()));
        if (st)
            sscm::keepSpecies(m, kept, spname_, spfreq_);
        if (st && kept.empty())
            st = sscm::noSpeciesLeft(std::int32_t(spocc.size()), lowlimit);
        EXPECT_TRUE(log.close());
        return st;
    }
    std::vector<std::string_view> spname_;
    std::vector<std::int32_t> spfreq_;
};

TEST_F(RemovalTest, WorkedExampleRemovesCAtThresholdOne) {
    RecordingWindow w;
    w.texts[sscm::Ctl::Text5] = "1";
    sscm::Matrices m = workedExample();
    spname_ = {"A", "B", "C"};
    spfreq_ = {3, 3, 1};
    ASSERT_TRUE(remove(w, m, {2, 2, 1}));
    EXPECT_EQ(readFile("log.csv"),
              "C deleted\r\n\r\nNumber of all species:  3 \r\nNumber of species used:  2 \r\n");
    EXPECT_EQ(m.n, 2);
    EXPECT_EQ(m.compn, (std::vector<double>{2, 2, 2, 2}));
    EXPECT_EQ(m.compsum, (std::vector<double>{4, 5, 3, 4}));
    EXPECT_EQ(spname_, (std::vector<std::string_view>{"A", "B"}));
    EXPECT_EQ(spfreq_, (std::vector<std::int32_t>{3, 3}));
    EXPECT_EQ(w.eventCalls, 3); // one event pass per species step
}

TEST_F(RemovalTest, ThresholdIsReadAtEveryStepAndCompared) {
    ChangingThresholdWindow w;
    // The species occur in 4, 5, 4 and 5 cases; each step sees the text as it is then.
    w.thresholds = {"4", " 4.5 ", "-1", "5"};
    sscm::Matrices m;
    m.n = 4;
    m.compn.assign(16, 1.0);
    m.compsum.assign(16, 2.0);
    spname_ = {"spA", "spB", "spC", "spD"};
    spfreq_ = {1, 2, 3, 4};
    ASSERT_TRUE(remove(w, m, {4, 5, 4, 5}));
    EXPECT_EQ(w.reads, 4u); // once per step
    EXPECT_EQ(readFile("log.csv"), "spA deleted\r\nspD deleted\r\n\r\n"
                                   "Number of all species:  4 \r\nNumber of species used:  2 \r\n");
    EXPECT_EQ(spname_, (std::vector<std::string_view>{"spB", "spC"}));
    EXPECT_EQ(spfreq_, (std::vector<std::int32_t>{2, 3}));
}

TEST_F(RemovalTest, ThresholdThatIsNoNumberStopsWithItsText) {
    RecordingWindow w;
    w.texts[sscm::Ctl::Text5] = "4 cases";
    sscm::Matrices m = workedExample();
    spname_ = {"A", "B", "C"};
    spfreq_ = {1, 1, 1};
    const sscm::Status st = remove(w, m, {2, 2, 1});
    ASSERT_FALSE(st);
    EXPECT_NE(st.message.find("\"4 cases\""), std::string::npos) << st.message;
    EXPECT_EQ(readFile("log.csv"), "");
}

TEST_F(RemovalTest, EverySpeciesRemovedIsAFailureAfterTheCounts) {
    RecordingWindow w;
    w.texts[sscm::Ctl::Text5] = "4";
    sscm::Matrices m = workedExample();
    spname_ = {"A", "B", "C"};
    spfreq_ = {1, 1, 1};
    const sscm::Status st = remove(w, m, {2, 4, 1});
    ASSERT_FALSE(st);
    EXPECT_NE(st.message.find("All 3 species"), std::string::npos) << st.message;
    EXPECT_EQ(readFile("log.csv"), "A deleted\r\nB deleted\r\nC deleted\r\n\r\n"
                                   "Number of all species:  3 \r\nNumber of species used:  0 \r\n");
}

// The removal as rows moved up and columns moved left, once per removed species, over the
// full extent of the matrices.
void shiftingRemoval(sscm::Matrices& m, const std::vector<std::int32_t>& spocc, double threshold) {
    const int n = m.n;
    int pos = 0;
    for (int k = 0; k < n; ++k) {
        ++pos;
        if (spocc[std::size_t(k)] <= threshold) {
            for (int i = pos; i <= n - 1; ++i)
                for (int j = 1; j <= n; ++j) {
                    m.sum(i - 1, j - 1) = m.sum(i, j - 1);
                    m.count(i - 1, j - 1) = m.count(i, j - 1);
                }
            for (int j = pos; j <= n - 1; ++j)
                for (int i = 1; i <= n; ++i) {
                    m.sum(i - 1, j - 1) = m.sum(i - 1, j);
                    m.count(i - 1, j - 1) = m.count(i - 1, j);
                }
            --pos;
        }
    }
    sscm::Matrices kept;
    kept.reset(pos);
    for (int i = 0; i < pos; ++i)
        for (int j = 0; j < pos; ++j) {
            kept.sum(i, j) = m.sum(i, j);
            kept.count(i, j) = m.count(i, j);
        }
    m = kept;
}

TEST(CompactMatrices, EqualsShiftingOnRandomMatrices) {
    std::mt19937 rng(3);
    sscm::test::UniformInt cell(0, 50);
    sscm::test::UniformInt occ(1, 8);
    for (int n : {1, 2, 7, 40}) {
        for (int round = 0; round < 6; ++round) {
            sscm::Matrices m;
            m.reset(n);
            for (auto& v : m.compsum)
                v = cell(rng);
            for (auto& v : m.compn)
                v = cell(rng);
            std::vector<std::int32_t> spocc(static_cast<std::size_t>(n));
            for (auto& o : spocc)
                o = occ(rng);
            const double threshold = round; // 0 removes nothing; larger ones remove runs
            std::vector<std::int32_t> kept;
            for (int k = 0; k < n; ++k)
                if (spocc[std::size_t(k)] > threshold)
                    kept.push_back(k);
            sscm::Matrices fast = m;
            sscm::compactMatrices(fast, kept);
            shiftingRemoval(m, spocc, threshold);
            ASSERT_EQ(fast.n, m.n);
            EXPECT_EQ(fast.compsum, m.compsum);
            EXPECT_EQ(fast.compn, m.compn);
        }
    }
}

} // namespace
