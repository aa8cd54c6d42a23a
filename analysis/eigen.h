#pragma once

#include "analysis/analysis.h"
#include "data/status.h"

#include <cstdint>
#include <vector>

namespace sscm {

/// The value of every pair never compared: the mean of the mean codes `means` (one per compared
/// pair), summed in their order; 0 when there are none.
double fillValue(const std::vector<double>& means);

/// Largest number of steps of the power iteration.
inline constexpr std::int32_t kMaxEigenSteps = 1000000;
/// The iteration stops once the mean absolute change of a step is below this.
inline constexpr double kEigenTolerance = 0.0000001;

/// The palatability eigenvector by power iteration over the compared pairs (`pairs`, values the
/// mean codes): starting from the first species' unit vector, each step sums a(i, j) x(j) over
/// the pairs of row i in ascending j, divides by their number and multiplies by the number of
/// species, normalises to unit length, and stops once the mean absolute change is below
/// kEigenTolerance. proceed() comes once per step; every 100th step
/// progress(Stage::Iteration, step / 100, 0, previous change). `nextvec` keeps the last
/// iterate, `curvec` the final unit vector; `steps` and `change` (when not null) the number of
/// steps taken and the last change.
Status palatability(Progress& obs, const PairTable& pairs, std::vector<double>& curvec,
                    std::vector<double>& nextvec, std::int32_t* steps = nullptr,
                    double* change = nullptr);

/// The same iteration over rows given as arrays: row i holds the pairs [start[i], start[i+1])
/// with columns `col` and values `val`; `partners[i]` is the number of its pairs that count. A
/// pair carrying the value 0 adds nothing to its row's sum, so pairs absent from a resample can
/// stay in place with the value 0 as long as `partners` leaves them out.
Status powerIteration(Progress& obs, std::int32_t species, const std::int64_t* start,
                      const std::int32_t* col, const double* val, const double* partners,
                      std::vector<double>& curvec, std::vector<double>& nextvec,
                      std::int32_t* steps = nullptr, double* lastChange = nullptr);

} // namespace sscm
