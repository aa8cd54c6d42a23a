#include "analysis/btmodel.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::BtFit;
using sscm::PairCounts;

// Pair counts {a, b, a higher, ties, b higher}.
std::vector<PairCounts> counts(const std::vector<std::vector<std::int64_t>>& rows) {
    std::vector<PairCounts> out;
    for (const auto& r : rows)
        out.push_back({std::int32_t(r[0]), std::int32_t(r[1]), r[2], r[3], r[4], 1});
    return out;
}

BtFit fit(std::int32_t species, const std::vector<PairCounts>& c) {
    BtFit f;
    EXPECT_TRUE(sscm::fitBradleyTerry(species, sscm::btPairs(c), f));
    return f;
}

void expectAbilities(const BtFit& f, const std::vector<double>& expected) {
    ASSERT_EQ(f.ability.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(f.ability[i], expected[i], 1e-6) << "species " << i;
    EXPECT_TRUE(f.converged);
    EXPECT_GT(f.steps, 1);
}

// Expected abilities from R's BradleyTerry2: BTm(cbind(win1, win2), player1, player2) with each
// tie split as half a win, the coefficients (species 0 fixed at 0) centred to mean 0.
TEST(BtModel, MatchesBtmOnDenseAndSparseComparisons) {
    const BtFit dense = fit(4, counts({{0, 1, 5, 2, 1},
                                       {0, 2, 3, 1, 4},
                                       {0, 3, 7, 0, 2},
                                       {1, 2, 4, 3, 2},
                                       {1, 3, 6, 1, 1},
                                       {2, 3, 2, 2, 3}}));
    EXPECT_TRUE(dense.mleExists);
    expectAbilities(dense, {0.497635457, 0.187272204, -0.104015076, -0.580892585});

    // Six of the ten pairs of five species compared.
    const BtFit sparse = fit(5, counts({{0, 1, 3, 1, 2},
                                        {0, 4, 1, 0, 2},
                                        {1, 2, 2, 2, 1},
                                        {2, 3, 4, 0, 1},
                                        {3, 4, 1, 2, 3},
                                        {1, 3, 0, 1, 2}}));
    EXPECT_TRUE(sparse.mleExists);
    expectAbilities(sparse, {-0.049013787, -0.322598033, 0.117127605, -0.254310156, 0.508794372});
}

TEST(BtModel, NamesTheSpeciesWithoutAnEstimateAndAddsPseudoWins) {
    // Species 3 lost every comparison; a tie would have been half a win.
    const std::vector<PairCounts> lost = counts(
        {{0, 1, 2, 1, 1}, {0, 3, 3, 0, 0}, {1, 2, 1, 2, 3}, {1, 3, 2, 0, 0}, {2, 3, 1, 0, 0}});
    const BtFit f = fit(4, lost);
    EXPECT_FALSE(f.mleExists);
    EXPECT_EQ(f.unboundedHigh, (std::vector<std::int32_t>{0, 1, 2}));
    EXPECT_EQ(f.unboundedLow, (std::vector<std::int32_t>{3}));
    // BTm on the same counts with 0.5 added to both wins of every pair.
    expectAbilities(f, {0.565462980, 0.096854075, 0.556153815, -1.218470870});

    std::vector<PairCounts> tied = lost;
    tied[4].ties = 1;
    EXPECT_TRUE(fit(4, tied).mleExists);

    // Species 0 beat both others, which beat each other: 0 alone above, 1 and 2 below.
    const BtFit top = fit(3, counts({{0, 1, 2, 0, 0}, {0, 2, 1, 0, 0}, {1, 2, 1, 0, 1}}));
    EXPECT_FALSE(top.mleExists);
    EXPECT_EQ(top.unboundedHigh, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(top.unboundedLow, (std::vector<std::int32_t>{1, 2}));
    EXPECT_GT(top.ability[0], top.ability[1]);
}

TEST(BtModel, FailsWhenTheSpeciesCannotShareOneScale) {
    BtFit f;
    // Species 2 never compared; then two separate groups.
    const sscm::Status alone = sscm::fitBradleyTerry(3, {{0, 1, 1, 1}}, f);
    EXPECT_FALSE(alone);
    EXPECT_NE(alone.message.find(": 3."), std::string::npos) << alone.message;
    EXPECT_FALSE(sscm::fitBradleyTerry(4, {{0, 1, 1, 1}, {2, 3, 1, 1}}, f));
    EXPECT_FALSE(sscm::fitBradleyTerry(2, {{0, 2, 1, 1}}, f));
    EXPECT_FALSE(sscm::fitBradleyTerry(2, {{0, 1, -1, 1}}, f));
}

// Hand-computed: ranks of x are 1, 2.5, 2.5, 4 and of y 1, 4, 2.5, 2.5, so rho = 2.25 / 4.5;
// of the six pairs 3 are concordant, 1 discordant, 1 tied in x only and 1 in y only, so
// tau-b = 2 / sqrt(5 * 5).
TEST(BtModel, SpearmanAndKendallWithTies) {
    const std::vector<double> x{1, 2, 2, 3}, y{1, 3, 2, 2};
    double rho = 0, tau = 0;
    ASSERT_TRUE(sscm::spearman(x, y, rho));
    ASSERT_TRUE(sscm::kendallTauB(x, y, tau));
    EXPECT_DOUBLE_EQ(rho, 0.5);
    EXPECT_DOUBLE_EQ(tau, 0.4);
    ASSERT_TRUE(sscm::spearman(x, {4, 3, 3, 1}, rho));
    EXPECT_DOUBLE_EQ(rho, -1.0);
    EXPECT_FALSE(sscm::spearman(x, {2, 2, 2, 2}, rho));
    EXPECT_FALSE(sscm::kendallTauB(x, {1, 2}, tau));
}

TEST(BtModel, RankShiftsBeyondThreeOrATenth) {
    // Ten species: the limit is 3, so a move of 4 counts and one of 3 does not.
    std::vector<double> x(10), y;
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = double(i);
    y = x;
    std::swap(y[0], y[4]);
    std::swap(y[5], y[8]);
    std::vector<std::int32_t> out;
    ASSERT_TRUE(sscm::rankShifts(x, y, out));
    EXPECT_EQ(out, (std::vector<std::int32_t>{0, 4}));

    // Forty species: the limit is 4.
    x.resize(40);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = double(i);
    y = x;
    std::swap(y[0], y[5]);
    std::swap(y[10], y[14]);
    ASSERT_TRUE(sscm::rankShifts(x, y, out));
    EXPECT_EQ(out, (std::vector<std::int32_t>{0, 5}));
}

} // namespace
