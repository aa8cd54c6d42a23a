#pragma once

#include <cstdint>
#include <vector>

namespace sscm {

/// One draw of the splitmix64 generator: advances `state` by 0x9E3779B97F4A7C15 and returns it
/// mixed.
std::uint64_t splitmix64(std::uint64_t& state);

/// A whole number in [0, n), n > 0, every value equally likely: the high half of the 128-bit
/// product of a draw and n, drawing again when its low half falls below 2^64 mod n.
std::uint64_t drawBelow(std::uint64_t& state, std::uint64_t n);

/// The multiplicity of each of `casen` cases in replicate b under seed N: the replicate's
/// generator starts at the first draw of a generator seeded with N, plus b, and takes its own
/// first draw as its state; then casen bounded draws pick the cases.
std::vector<std::int32_t> drawCases(std::uint64_t seed, std::int32_t b, std::int32_t casen);

} // namespace sscm
