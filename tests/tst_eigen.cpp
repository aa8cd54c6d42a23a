#include "analysis/connect.h"
#include "analysis/eigen.h"
#include "analysis_fixtures.h"
#include "commands/windowprogress.h"
#include "data/printfmt.h"
#include "random_draws.h"
#include "recording_window.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::test::denseIteration;
using sscm::test::RecordingWindow;
using Result = sscm::test::IterationResult;

// Mean codes `a` of n species compared wherever `compared` holds, as the stage sees them.
sscm::Matrices meanCodes(int n, const std::vector<double>& a, const std::vector<bool>& compared) {
    sscm::Matrices m;
    m.reset(n);
    for (std::size_t k = 0; k < a.size(); ++k) {
        m.compsum[k] = a[k];
        m.compn[k] = compared[k] ? 1 : 0;
    }
    return m;
}

Result iterate(const sscm::Matrices& m) {
    RecordingWindow w;
    Result r;
    sscm::WindowProgress obs(w);
    EXPECT_TRUE(sscm::palatability(obs, sscm::comparedPairs(m), r.curvec, r.nextvec));
    r.steps = int(w.eventCalls);
    return r;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(MeanCodes, ComparedPairsTakeTheirMeansAndTheFillIsTheMeanOfAllMeansInRowOrder) {
    sscm::Matrices m;
    m.n = 3;
    m.compn = {2, 2, 0, 2, 2, 1, 0, 1, 1};
    m.compsum = {4, 5, 0, 3, 4, 1, 0, 3, 2};
    const sscm::PairTable p = sscm::comparedPairs(m);
    EXPECT_EQ(p.start, (std::vector<std::int64_t>{0, 2, 5, 7}));
    EXPECT_EQ(p.col, (std::vector<std::int32_t>{0, 1, 0, 1, 2, 1, 2}));
    EXPECT_EQ(p.count, (std::vector<double>{2, 2, 2, 2, 1, 1, 1}));
    EXPECT_EQ(p.mean, (std::vector<double>{2, 2.5, 1.5, 2, 1, 3, 2}));
    EXPECT_EQ(sscm::fillValue(p.mean), ((((((2 + 2.5) + 1.5) + 2) + 1) + 3) + 2) / 7.0);
    // Summed in order the ones make 2 before the large value; the other way round each is lost.
    EXPECT_EQ(sscm::fillValue({1, 1, 1e16}), (1e16 + 2) / 3);
    EXPECT_EQ(sscm::fillValue({}), 0.0);
}

TEST(Palatability, OneSpeciesStopsAfterOneStep) {
    const Result r = iterate(meanCodes(1, {2}, {true}));
    EXPECT_EQ(r.curvec, (std::vector<double>{1}));
    EXPECT_EQ(r.steps, 1);
}

TEST(Palatability, TwoSpeciesTheFirstAlwaysHigher) {
    const Result r = iterate(meanCodes(2, {2, 3, 1, 2}, {true, true, true, true}));
    EXPECT_EQ(r.steps, 7);
    EXPECT_EQ(sscm::numberText(r.curvec[0]), " .866025408042726");
    EXPECT_EQ(sscm::numberText(r.curvec[1]), " .49999999262443");
    EXPECT_NEAR(r.curvec[0] / r.curvec[1], std::sqrt(3.0), 1e-6);
}

TEST(Palatability, AllEqualGivesEqualValuesAtStepTwo) {
    const Result r = iterate(meanCodes(3, std::vector<double>(9, 2.0), std::vector<bool>(9, true)));
    EXPECT_EQ(r.steps, 2);
    for (double v : r.curvec)
        EXPECT_NEAR(v, 1 / std::sqrt(3.0), 1e-15);
    EXPECT_EQ(sscm::numberText(r.curvec[0]).substr(0, 7), " .57735");
}

// Mean codes of a random connected network of n species: a(i, j) + a(j, i) = 4, 2 on the diagonal.
sscm::Matrices randomNetwork(std::mt19937& rng, int n, double linkChance) {
    sscm::test::UniformReal u(0.0, 1.0);
    sscm::test::UniformInt quarter(0, 8);
    std::vector<double> a(std::size_t(n * n), 0.0);
    std::vector<bool> compared(std::size_t(n * n), false);
    for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) {
            const bool link = i == j || j == i + 1 || u(rng) < linkChance;
            if (!link)
                continue;
            a[std::size_t(i * n + j)] = i == j ? 2 : 1 + 0.25 * quarter(rng);
            a[std::size_t(j * n + i)] = 4 - a[std::size_t(i * n + j)];
            compared[std::size_t(i * n + j)] = compared[std::size_t(j * n + i)] = true;
        }
    }
    return meanCodes(n, a, compared);
}

TEST(Palatability, ComparedPairsGiveTheFullMatrixResultBitForBit) {
    std::mt19937 rng(23);
    for (int round = 0; round < 12; ++round) {
        const int n = 3 + round * 7;
        const sscm::Matrices m = randomNetwork(rng, n, round % 2 == 0 ? 0.1 : 0.6);
        const Result fast = iterate(m);
        const Result dense = denseIteration(m);
        EXPECT_EQ(fast.steps, dense.steps) << "round " << round;
        EXPECT_TRUE(sameBits(fast.curvec, dense.curvec)) << "round " << round;
        EXPECT_TRUE(sameBits(fast.nextvec, dense.nextvec)) << "round " << round;

        // Unit length, positive, and an eigenvector of the iteration matrix up to the tolerance.
        double len = 0;
        for (double x : fast.curvec) {
            EXPECT_GT(x, 0);
            len += x * x;
        }
        EXPECT_NEAR(len, 1.0, 1e-12);
        std::vector<double> mx(static_cast<std::size_t>(n));
        double lambda = 0;
        for (int i = 0; i < n; ++i) {
            double s = 0;
            double k = 0;
            for (int j = 0; j < n; ++j)
                if (m.count(i, j) != 0) {
                    s += m.sum(i, j) * fast.curvec[std::size_t(j)];
                    k += 1;
                }
            mx[std::size_t(i)] = s / k;
            lambda += mx[std::size_t(i)] * fast.curvec[std::size_t(i)];
        }
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(mx[std::size_t(i)], lambda * fast.curvec[std::size_t(i)], 1e-4);
    }
}

TEST(Palatability, ProgressCaptionsEveryHundredSteps) {
    // A long chain of species mixes slowly, so the iteration passes step 100.
    const int n = 40;
    std::vector<double> a(std::size_t(n * n), 0.0);
    std::vector<bool> compared(std::size_t(n * n), false);
    for (int i = 0; i < n; ++i)
        for (int j = std::max(0, i - 1); j <= std::min(n - 1, i + 1); ++j) {
            a[std::size_t(i * n + j)] = i == j ? 2 : (j > i ? 2.25 : 1.75);
            compared[std::size_t(i * n + j)] = true;
        }
    const sscm::Matrices m = meanCodes(n, a, compared);
    RecordingWindow w;
    w.captions[sscm::Ctl::Label14] = "untouched";
    std::vector<double> cur;
    std::vector<double> next;
    sscm::WindowProgress obs(w);
    ASSERT_TRUE(sscm::palatability(obs, sscm::comparedPairs(m), cur, next));
    const Result dense = denseIteration(m);
    ASSERT_GE(dense.steps, 200);
    EXPECT_EQ(w.eventCalls, dense.steps);
    const int lastHundred = dense.steps / 100 * 100;
    EXPECT_EQ(w.captions[sscm::Ctl::Label11], "Eigen vector " + std::to_string(lastHundred / 100));
    const double shown =
        std::floor(dense.changes[std::size_t(lastHundred - 2)] * 1000000) / 1000000;
    EXPECT_EQ(w.captions[sscm::Ctl::Label14], sscm::numberText(shown));
}

} // namespace
