#pragma once

#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "data/window.h"

#include <string_view>
#include <vector>

namespace sscm {

/// Writes the mean comparison matrix to the log: an empty line, "Species" and a comma before
/// each species name, then per species its name and a comma before each of its row's values in
/// print form; the header and each row end with one blank.
void dumpMatrix(OutFile& log, const std::vector<std::string_view>& spname, const Matrices& m);

/// Appends the ranked listing to List3: " ", "Eigen vector (palatability)", then each species
/// from the highest value of `curvec` to the lowest as "<name>, <value>", equal values in
/// species order. `palatvalue` ends with every entry -1e+300, each listed value being struck out.
void appendRankedListing(Window& w, const std::vector<std::string_view>& spname,
                         const std::vector<double>& curvec, std::vector<double>& palatvalue);

} // namespace sscm
