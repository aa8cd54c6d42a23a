#pragma once

#include "analysis/analysis.h"
#include "analysis/outfile.h"

#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// Writes the mean comparison matrix to the log: an empty line, "Species" and a comma before
/// each species name, then per species its name and a comma before each of its row's values in
/// print form, the mean code of a compared pair (`pairs`) and `fill` for any other; the header
/// and each row end with one blank.
void dumpMatrix(OutFile& log, const std::vector<std::string_view>& spname, const PairTable& pairs,
                double fill);

/// The ranked listing, line by line to `out`: " ", "Eigen vector (palatability)", then each
/// species from the highest value of `curvec` to the lowest as "<name>, <value>", equal values in
/// species order. `palatvalue` ends with every entry -1e+300, each listed value being struck out.
void rankedListing(const std::vector<std::string>& spname, const std::vector<double>& curvec,
                   std::vector<double>& palatvalue, const LineSink& out);

} // namespace sscm
