#include "analysis/rankorder.h"

#include <algorithm>
#include <numeric>

namespace sscm {

std::vector<std::int32_t> ranks(const std::vector<double>& values) {
    std::vector<double> sorted(values);
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::int32_t> out(values.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
        // Species with a larger value: those after the last equal one in ascending order.
        const auto larger =
            sorted.end() - std::upper_bound(sorted.begin(), sorted.end(), values[k]);
        out[k] = std::int32_t(larger) + 1;
    }
    return out;
}

std::vector<std::int32_t> rankOrder(const std::vector<double>& values) {
    const std::vector<std::int32_t> rank = ranks(values);
    std::vector<std::int32_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        return rank[std::size_t(a)] < rank[std::size_t(b)];
    });
    return order;
}

} // namespace sscm
