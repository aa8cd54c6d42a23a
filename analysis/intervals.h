#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sscm {

/// How the cases are resampled.
struct BootstrapSettings {
    /// Number of replicates B (at least 1).
    std::int32_t replicates = 1000;
    /// Seed N: replicate b draws from its own generator seeded from (N, b).
    std::uint64_t seed = 1;
    /// Coverage of the percentile intervals, in (0, 1): 0.95 gives the 2.5 % and 97.5 % points.
    double level = 0.95;
    /// Worker threads (at least 1); the result does not depend on it.
    std::int32_t threads = 1;
    /// Also fit the Bradley–Terry model to every used replicate's pair counts.
    bool model = false;
    /// Also find, for pairs of species, the share of replicates that order them as the full run
    /// does (BootstrapResult::dominance).
    bool dominance = false;
};

/// Above this many species the dominance shares are kept for near neighbours only.
inline constexpr std::size_t kDominanceAllPairs = 500;
/// How many ranks apart near neighbours may be.
inline constexpr std::size_t kDominanceReach = 10;

/// Of two kept species, `a` the higher in the full run's order: the share of the used
/// replicates in which a's value exceeds b's.
struct Dominance {
    std::int32_t a = 0;
    std::int32_t b = 0;
    double pAbove = 0;
};

/// Percentile intervals of every kept species of the full run, in kept-species order.
struct BootstrapResult {
    BootstrapSettings settings;
    /// Replicates whose compared pairs linked every species, and those that did not (not used).
    std::int32_t used = 0;
    std::int32_t split = 0;
    /// Lower and upper percentile points (R's quantile type 7) of each species' value and rank
    /// over the used replicates, and the standard deviation of its value (divisor used - 1; 0
    /// when only one replicate was used). Empty when no replicate was used.
    std::vector<double> valueLo;
    std::vector<double> valueHi;
    std::vector<double> rankLo;
    std::vector<double> rankHi;
    std::vector<double> valueSd;
    /// With `settings.model`: the same percentile points of each species' Bradley–Terry ability
    /// and rank by ability over the same replicates; empty otherwise.
    std::vector<double> btLo;
    std::vector<double> btHi;
    std::vector<double> btRankLo;
    std::vector<double> btRankHi;
    /// Share of the used replicates in which each species' value exceeds that of the species
    /// ranked next below it in the full run; NaN for the lowest-ranked species.
    std::vector<double> pAboveNext;
    /// With `settings.dominance`: every pair of kept species, or above kDominanceAllPairs species
    /// the pairs at most kDominanceReach places apart, in the full run's order (by a's place,
    /// then b's).
    std::vector<Dominance> dominance;
};

/// Advice for the bootstrap's summary when a tenth or more of the replicates were left out (a
/// species missing from the drawn sites): a higher threshold; empty otherwise.
std::string bootstrapAdvice(const BootstrapResult& boot);

/// R's quantile type 7 of sorted values at probability p.
double quantile7(const std::vector<double>& sorted, double p);

/// The standard deviation of `values` with the divisor n - 1; 0 for fewer than two values.
double valueSd(const std::vector<double>& values);

/// Fills `out` from the values of every replicate: replicate r's values of the `species` kept
/// species are values[r * species ..], and count only where used[r]. `out.settings` gives the
/// number of replicates and the level.
void fillIntervals(const std::vector<double>& values, const std::vector<std::uint8_t>& used,
                   std::size_t species, BootstrapResult& out);

/// pAboveNext, and with `out.settings.dominance` the dominance shares, from the same values and
/// the full run's values `full` (its rank order).
void fillAboveNext(const std::vector<double>& values, const std::vector<std::uint8_t>& used,
                   const std::vector<double>& full, BootstrapResult& out);

} // namespace sscm
