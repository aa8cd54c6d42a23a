#pragma once

#include "analysis/analysis.h"
#include "analysis/btmodel.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sscm {

// The Bradley–Terry companion of a finished run, as every front end shows it: the fit on the
// run's pair counts, its ranks, and how far its order agrees with the spectrum's.

/// Name and tie rule of the model, as run.json records them.
inline constexpr const char* kBtModelName = "Bradley-Terry";
inline constexpr const char* kBtTieRule = "a tie counts as half a win for each species";
/// Below this Spearman correlation between the spectrum and the abilities the user is warned
/// that the spectrum may misorder the species.
inline constexpr double kBtAgreementLimit = 0.95;

struct BtRanking {
    BtFit fit;
    /// Rank of each kept species by its ability, by the rule of the spectrum's ranks (1 highest).
    std::vector<std::int32_t> rank;
    /// Whether the correlations could be computed (at least two species, values not all equal).
    bool agreement = false;
    double spearman = 0;
    double kendall = 0;
    /// Kept species whose ranks by value and by ability differ by more than max(3, a tenth of
    /// the species), in kept order.
    std::vector<std::int32_t> shifted;

    /// Whether the spectrum and the model disagree enough to warn.
    bool warn() const { return agreement && spearman < kBtAgreementLimit; }
};

/// Fits the model to the pair counts of `full`, a finished run (the counts of pairs.csv, taken
/// from its compared pairs), and compares its order with the spectrum. Fails when the run has no
/// values or the fit fails.
Status btRanking(const AnalysisResult& full, BtRanking& out);

/// What the agreement says, in lines for standard error, the window and R: the correlations,
/// the shifted species by name, the species without a finite estimate and, below the limit, the
/// warning in words. Each line ends with '\n'.
std::string btSummary(const AnalysisResult& full, const BtRanking& bt);

} // namespace sscm
