#include "analysis/draws.h"

namespace sscm {

namespace {

// The 128-bit product of a and b as its high and low halves.
void multiply(std::uint64_t a, std::uint64_t b, std::uint64_t& high, std::uint64_t& low) {
    const std::uint64_t a0 = a & 0xFFFFFFFFU;
    const std::uint64_t a1 = a >> 32;
    const std::uint64_t b0 = b & 0xFFFFFFFFU;
    const std::uint64_t b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0;
    const std::uint64_t p01 = a0 * b1;
    const std::uint64_t p10 = a1 * b0;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFU) + (p10 & 0xFFFFFFFFU);
    low = (middle << 32) | (p00 & 0xFFFFFFFFU);
    high = a1 * b1 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

} // namespace

std::uint64_t splitmix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t drawBelow(std::uint64_t& state, std::uint64_t n) {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    multiply(splitmix64(state), n, high, low);
    // Only a low half below 2^64 mod n would favour some values; that test is rarely needed.
    if (low < n) {
        const std::uint64_t threshold = (0 - n) % n;
        while (low < threshold)
            multiply(splitmix64(state), n, high, low);
    }
    return high;
}

std::vector<std::int32_t> drawCases(std::uint64_t seed, std::int32_t b, std::int32_t casen) {
    std::uint64_t start = seed;
    std::uint64_t state = splitmix64(start) + std::uint64_t(b);
    state = splitmix64(state);
    std::vector<std::int32_t> k(std::size_t(casen), 0);
    for (std::int32_t d = 0; d < casen; ++d)
        ++k[std::size_t(drawBelow(state, std::uint64_t(casen)))];
    return k;
}

} // namespace sscm
