#pragma once

#include "analysis/analysis.h"
#include "analysis/draws.h"
#include "analysis/intervals.h"
#include "data/datatable.h"
#include "data/progress.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sscm {

/// The site bootstrap of a finished analysis `full` (run on `table` with `settings`): each
/// replicate draws casen cases with replacement, pools their comparisons among the kept
/// species, skips the replicate when those species are not all linked, and otherwise finds the
/// eigenvector by the full run's iteration. Memory holds B values per species. `progress`, when
/// given, hears from the calling thread only, a few times a second: proceed(), and while that
/// holds progress(Stage::Bootstrap, replicates finished, replicates); a false proceed() stops
/// the bootstrap, which then returns Status::Code::Cancelled.
Status bootstrap(const DataTable& table, const AnalysisSettings& settings,
                 const AnalysisResult& full, const BootstrapSettings& boot, BootstrapResult& out,
                 Progress* progress = nullptr);

/// Values of one replicate: the palatability values of the kept species (empty when the
/// replicate's network is split) and, when `abilities` is given, their Bradley–Terry abilities
/// (empty as well then). Exposed for tests: `multiplicity[c]` is how often case c is drawn.
Status bootstrapReplicate(const DataTable& table, const AnalysisSettings& settings,
                          const AnalysisResult& full, const std::vector<std::int32_t>& multiplicity,
                          std::vector<double>& values, std::vector<double>* abilities = nullptr);

} // namespace sscm
