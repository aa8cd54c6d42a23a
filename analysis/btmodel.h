#pragma once

#include "analysis/counts.h"
#include "data/status.h"

#include <cstdint>
#include <vector>

namespace sscm {

// A model-based ranking of the kept species beside the palatability spectrum: the Bradley–Terry
// model, in which species i comes out higher than j with probability p_i / (p_i + p_j). Species
// are referred to by their 0-based index in the kept species.

/// The comparisons of one pair of species, a tie already split as half a win for each.
struct BtPair {
    std::int32_t a = 0;
    std::int32_t b = 0;
    /// Comparisons a won (a's intensity the higher) and b won, each plus half the ties.
    double winsA = 0;
    double winsB = 0;
};

/// The pair (a, b) from its `count` row pairs a-first and the sum of their codes: code 3 (a
/// higher) adds 2 to sum - count and a tie 1, so a's wins with half the ties are (sum - count) / 2,
/// exactly.
inline BtPair btPair(std::int32_t a, std::int32_t b, double count, double codeSum) {
    const double winsA = (codeSum - count) / 2;
    return {a, b, winsA, count - winsA};
}

/// The fit stops once no log-ability changes by more than this in one step.
inline constexpr double kBtTolerance = 1e-10;
/// Largest number of steps of the fit.
inline constexpr std::int32_t kBtMaxSteps = 100000;
/// Wins added each way to every compared pair when the maximum-likelihood estimate does not
/// exist, so that every species has won and lost and the abilities stay finite.
inline constexpr double kBtPseudoWins = 0.5;

struct BtFit {
    /// Log-abilities, one per species, centred to mean 0; higher means more often the higher.
    std::vector<double> ability;
    std::int32_t steps = 0;
    bool converged = false;
    /// Whether the maximum-likelihood estimate exists: every species can be reached from every
    /// other by a chain of wins. When it does not, kBtPseudoWins were added to every pair.
    bool mleExists = true;
    /// When it does not exist: the species of groups that no species outside the group ever beat
    /// (their abilities would grow without bound) and of groups that never beat a species outside
    /// (theirs would fall without bound), in ascending order. A species that won every comparison
    /// it had is in `unboundedHigh`; one that lost every comparison in `unboundedLow`.
    std::vector<std::int32_t> unboundedHigh;
    std::vector<std::int32_t> unboundedLow;
};

/// The pairs of `counts` with their ties split as half a win each, pairs without comparisons left
/// out.
std::vector<BtPair> btPairs(const std::vector<PairCounts>& counts);
/// The same pairs from a run's compared pairs, without another pass over the data: of the n
/// comparisons of a against b with code sum s (3 when a is the higher, 2 for a tie), a won
/// (s - n) / 2 with half the ties. Pairs in the same order as pairCounts() gives them.
std::vector<BtPair> btPairs(const PairTable& pairs);

/// Maximum-likelihood Bradley–Terry abilities of `species` species from `pairs` by the
/// fixed-point iteration p_i <- sum_j w_ij p_j / (p_i + p_j) / sum_j w_ji / (p_i + p_j) (a faster
/// relative of the MM algorithm with the same fixed point), recentred after every step, from all
/// abilities equal, its steps accelerated by squared extrapolation (SQUAREM). `steps` counts the
/// iteration's steps. Summation follows the order of `pairs`. Fails when a species has no
/// comparison or the species are not all linked through compared pairs (no ranking then puts
/// them on one scale), or on a pair out of range or with a negative count.
Status fitBradleyTerry(std::int32_t species, const std::vector<BtPair>& pairs, BtFit& out);

/// Spearman's rank correlation of `x` and `y`: Pearson's correlation of their ranks, tied values
/// given the mean of their ranks. Fails on vectors of different length, fewer than two values,
/// or a vector whose values are all equal.
Status spearman(const std::vector<double>& x, const std::vector<double>& y, double& rho);

/// Kendall's tau-b of `x` and `y`: (concordant - discordant) pairs over the square root of the
/// product of the pairs untied in x and untied in y. Fails as spearman().
Status kendallTauB(const std::vector<double>& x, const std::vector<double>& y, double& tau);

/// max(3, a tenth of `species`): how many places two ranks of a species may differ before
/// rankShifts() names it.
double rankShiftLimit(std::size_t species);

/// The species whose ranks by `x` and by `y` (tied values given the mean of their ranks) differ
/// by more than max(3, a tenth of the number of species), in ascending order. Fails on vectors of
/// different length.
Status rankShifts(const std::vector<double>& x, const std::vector<double>& y,
                  std::vector<std::int32_t>& out);

} // namespace sscm
