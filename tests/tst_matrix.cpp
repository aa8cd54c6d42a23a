#include "analysis/matrix.h"
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

// The comparisons of the worked example: S1 A 5, S1 B 2; S2 A 1, S2 B 1, S2 C 3.
sscm::PooledComparisons workedExample() {
    sscm::PooledComparisons p;
    p.reset(3, true);
    p.cells = {(5ULL << 32) | 2, (1ULL << 32) | 1, (1ULL << 32) | 1}; // A-B, A-C, B-C
    p.self = {2, 2, 1};
    return p;
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
    sscm::Status remove(sscm::Window& w, const sscm::PooledComparisons& p,
                        std::vector<std::int32_t> spocc) {
        sscm::OutFile log;
        EXPECT_TRUE(log.open("log.csv"));
        sscm::WindowProgress obs(w);
        std::vector<std::int32_t> kept;
        std::vector<std::int32_t> removed;
        std::string lowlimit;
        sscm::Status st = sscm::removeLowOccurrence(
            obs, [&] { return w.text(sscm::Ctl::Text5); }, spocc, kept, removed, lowlimit);
        sscm::writeRemovalLog(log, spname_, removed, st.isOk(), p.n, std::int32_t(kept.size()));
        if (st)
            sscm::keepSpecies(p, kept, m_, spname_, spfreq_);
        if (st && kept.empty())
            st = sscm::noSpeciesLeft(std::int32_t(spocc.size()), lowlimit);
        EXPECT_TRUE(log.close());
        return st;
    }
    std::vector<std::string_view> spname_;
    std::vector<std::int32_t> spfreq_;
    sscm::Matrices m_;
};

TEST_F(RemovalTest, WorkedExampleRemovesCAtThresholdOne) {
    RecordingWindow w;
    w.texts[sscm::Ctl::Text5] = "1";
    spname_ = {"A", "B", "C"};
    spfreq_ = {3, 3, 1};
    ASSERT_TRUE(remove(w, workedExample(), {2, 2, 1}));
    EXPECT_EQ(readFile("log.csv"),
              "C deleted\r\n\r\nNumber of all species:  3 \r\nNumber of species used:  2 \r\n");
    EXPECT_EQ(m_.n, 2);
    EXPECT_EQ(m_.compn, (std::vector<double>{2, 2, 2, 2}));
    EXPECT_EQ(m_.compsum, (std::vector<double>{4, 5, 3, 4}));
    EXPECT_EQ(spname_, (std::vector<std::string_view>{"A", "B"}));
    EXPECT_EQ(spfreq_, (std::vector<std::int32_t>{3, 3}));
    EXPECT_EQ(w.eventCalls, 3); // one event pass per species step
}

TEST_F(RemovalTest, ThresholdIsReadAtEveryStepAndCompared) {
    ChangingThresholdWindow w;
    // The species occur in 4, 5, 4 and 5 cases; each step sees the text as it is then.
    w.thresholds = {"4", " 4.5 ", "-1", "5"};
    sscm::PooledComparisons p;
    p.reset(4, true);
    spname_ = {"spA", "spB", "spC", "spD"};
    spfreq_ = {1, 2, 3, 4};
    ASSERT_TRUE(remove(w, p, {4, 5, 4, 5}));
    EXPECT_EQ(w.reads, 4u); // once per step
    EXPECT_EQ(readFile("log.csv"), "spA deleted\r\nspD deleted\r\n\r\n"
                                   "Number of all species:  4 \r\nNumber of species used:  2 \r\n");
    EXPECT_EQ(spname_, (std::vector<std::string_view>{"spB", "spC"}));
    EXPECT_EQ(spfreq_, (std::vector<std::int32_t>{2, 3}));
}

TEST_F(RemovalTest, ThresholdThatIsNoNumberStopsWithItsText) {
    RecordingWindow w;
    w.texts[sscm::Ctl::Text5] = "4 cases";
    spname_ = {"A", "B", "C"};
    spfreq_ = {1, 1, 1};
    const sscm::Status st = remove(w, workedExample(), {2, 2, 1});
    ASSERT_FALSE(st);
    EXPECT_NE(st.message.find("\"4 cases\""), std::string::npos) << st.message;
    EXPECT_EQ(readFile("log.csv"), "");
}

TEST_F(RemovalTest, EverySpeciesRemovedIsAFailureAfterTheCounts) {
    RecordingWindow w;
    w.texts[sscm::Ctl::Text5] = "4";
    spname_ = {"A", "B", "C"};
    spfreq_ = {1, 1, 1};
    const sscm::Status st = remove(w, workedExample(), {2, 4, 1});
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

// The matrices of the kept species equal the full matrices with the removed species' rows and
// columns shifted out, on pooled totals packed and not, across several tiles.
TEST(KeptMatrices, EqualShiftingRemovalOfTheFullMatrices) {
    std::mt19937 rng(3);
    sscm::test::UniformInt draw(0, 50);
    sscm::test::UniformInt occ(1, 8);
    for (int n : {1, 2, 7, 130}) {
        for (int round = 0; round < 6; ++round) {
            sscm::PooledComparisons p;
            p.reset(n, round % 2 == 0);
            for (std::size_t k = 0; k < p.cells.size(); ++k) {
                const std::uint64_t count = std::uint64_t(draw(rng));
                const std::uint64_t sum = count + std::uint64_t(draw(rng)) % (2 * count + 1);
                p.cells[k] = p.packed ? (sum << 32) | count : count;
                if (!p.packed)
                    p.sums[k] = sum;
            }
            for (auto& v : p.self)
                v = std::uint64_t(draw(rng));
            std::vector<std::int32_t> spocc(static_cast<std::size_t>(n));
            for (auto& o : spocc)
                o = occ(rng);
            const double threshold = round; // 0 removes nothing; larger ones remove runs
            std::vector<std::int32_t> all;
            std::vector<std::int32_t> kept;
            for (int k = 0; k < n; ++k) {
                all.push_back(k);
                if (spocc[std::size_t(k)] > threshold)
                    kept.push_back(k);
            }
            sscm::Matrices m;
            sscm::keptMatrices(p, all, m);
            sscm::Matrices fast;
            sscm::keptMatrices(p, kept, fast);
            shiftingRemoval(m, spocc, threshold);
            ASSERT_EQ(fast.n, m.n);
            EXPECT_EQ(fast.compsum, m.compsum);
            EXPECT_EQ(fast.compn, m.compn);
        }
    }
}

} // namespace
