#pragma once

#include <cstdint>
#include <vector>

namespace sscm {

/// Rank of each value: 1 + the number of values strictly larger (rank 1 is the highest).
std::vector<std::int32_t> ranks(const std::vector<double>& values);

/// Indices of the values from the highest rank to the lowest; equal ranks keep their index order
/// (species order). The order in which the spectrum table, the charts and R list the species.
std::vector<std::int32_t> rankOrder(const std::vector<double>& values);

} // namespace sscm
