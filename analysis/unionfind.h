#pragma once

#include <cstdint>
#include <numeric>
#include <vector>

namespace sscm {

/// Sets of species joined pair by pair (union-find with path halving): which species are linked
/// through compared pairs. Each set is named by its smallest member.
class UnionFind {
public:
    UnionFind() = default;
    explicit UnionFind(std::size_t n) { reset(n); }

    /// Every one of the n species in a set of its own.
    void reset(std::size_t n) {
        parent_.resize(n);
        std::iota(parent_.begin(), parent_.end(), std::int32_t{0});
    }

    /// The smallest member of v's set.
    std::int32_t find(std::int32_t v) {
        while (parent_[std::size_t(v)] != v) {
            parent_[std::size_t(v)] = parent_[std::size_t(parent_[std::size_t(v)])];
            v = parent_[std::size_t(v)];
        }
        return v;
    }

    /// Joins the sets of a and b; false when they were one set already.
    bool unite(std::int32_t a, std::int32_t b) {
        a = find(a);
        b = find(b);
        if (a == b)
            return false;
        if (a < b)
            parent_[std::size_t(b)] = a;
        else
            parent_[std::size_t(a)] = b;
        return true;
    }

private:
    std::vector<std::int32_t> parent_;
};

} // namespace sscm
