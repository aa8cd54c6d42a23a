#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

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
};

/// Follows a bootstrap: called from the calling thread only.
class BootstrapObserver {
public:
    virtual ~BootstrapObserver() = default;
    /// Called now and then with the number of replicates finished; false stops the bootstrap,
    /// which then returns Status::Code::Cancelled.
    virtual bool replicatesDone(std::int32_t done, std::int32_t total) {
        (void)done;
        (void)total;
        return true;
    }
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
};

/// The site bootstrap of a finished analysis `full` (run on `table` with `settings`): each
/// replicate draws casen cases with replacement, pools their comparisons among the kept
/// species, skips the replicate when those species are not all linked, and otherwise finds the
/// eigenvector by the full run's iteration. Memory holds B values per species.
Status bootstrap(const DataTable& table, const AnalysisSettings& settings,
                 const AnalysisResult& full, const BootstrapSettings& boot, BootstrapResult& out,
                 BootstrapObserver* observer = nullptr);

/// Values of one replicate: the palatability values of the kept species (empty when the
/// replicate's network is split). Exposed for tests: `multiplicity[c]` is how often case c is
/// drawn.
Status bootstrapReplicate(const DataTable& table, const AnalysisSettings& settings,
                          const AnalysisResult& full, const std::vector<std::int32_t>& multiplicity,
                          std::vector<double>& values);

/// The multiplicity of each of `casen` cases in replicate b under seed N.
std::vector<std::int32_t> drawCases(std::uint64_t seed, std::int32_t b, std::int32_t casen);

/// R's quantile type 7 of sorted values at probability p.
double quantile7(const std::vector<double>& sorted, double p);

} // namespace sscm
