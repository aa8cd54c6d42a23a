#pragma once

#include "analysis/analysis.h"
#include "analysis/connect.h"
#include "analysis/matrix.h"
#include "data/status.h"

#include <cstdint>
#include <vector>

namespace sscm {

/// Turns compsum into the mean comparison code of every compared pair (row by row, ascending
/// columns) and fills every pair never compared with the mean of all means. Returns that mean,
/// or 0 when no pair was compared (nothing is filled then).
double meanMatrix(Matrices& m);

/// Largest number of steps of the power iteration.
inline constexpr std::int32_t kMaxEigenSteps = 1000000;

/// The palatability eigenvector by power iteration over the compared pairs (`pairs`, values the
/// mean codes): starting from the first species' unit vector, each step sums a(i, j) x(j) over
/// the pairs of row i in ascending j, divides by their number and multiplies by the number of
/// species, normalises to unit length, and stops once the mean absolute change is below 1e-07.
/// The observer's proceed() comes once per step; every 100th step it hears
/// progress(RunStage::Iteration, step / 100, previous change). `nextvec` keeps the last
/// iterate, `curvec` the final unit vector; `steps` and `change` (when not null) the number of
/// steps taken and the last change.
Status palatability(RunObserver& obs, const ComparedPairs& pairs, std::vector<double>& curvec,
                    std::vector<double>& nextvec, std::int32_t* steps = nullptr,
                    double* change = nullptr);

/// The same iteration over rows given as arrays: row i holds the pairs [start[i], start[i+1])
/// with columns `col` and values `val`; `partners[i]` is the number of its pairs that count. A
/// pair carrying the value 0 adds nothing to its row's sum, so pairs absent from a resample can
/// stay in place with the value 0 as long as `partners` leaves them out.
Status powerIteration(RunObserver& obs, std::int32_t species, const std::int64_t* start,
                      const std::int32_t* col, const double* val, const double* partners,
                      std::vector<double>& curvec, std::vector<double>& nextvec,
                      std::int32_t* steps = nullptr, double* lastChange = nullptr);

} // namespace sscm
