#pragma once

#include <cstdint>

namespace sscm::test {

// Draws from a 32-bit engine (std::mt19937, whose output the standard fixes) by plain arithmetic,
// so a seeded test sees the same data with every standard library; the standard's distributions
// leave their algorithms to each library.

/// Whole numbers from lo to hi, both included.
class UniformInt {
public:
    UniformInt(int lo, int hi) : lo_(lo), span_(std::uint64_t(std::int64_t(hi) - lo + 1)) {}
    template <class Engine> int operator()(Engine& rng) const {
        return lo_ + int((std::uint64_t(std::uint32_t(rng())) * span_) >> 32);
    }

private:
    int lo_;
    std::uint64_t span_;
};

/// Numbers in [lo, hi).
class UniformReal {
public:
    UniformReal(double lo, double hi) : lo_(lo), width_(hi - lo) {}
    template <class Engine> double operator()(Engine& rng) const {
        return lo_ + width_ * (double(std::uint32_t(rng())) / 4294967296.0);
    }

private:
    double lo_;
    double width_;
};

} // namespace sscm::test
