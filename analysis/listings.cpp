#include "analysis/listings.h"

#include "data/printfmt.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>

namespace sscm {

namespace {

// Mean codes repeat across a matrix (2, 2.5, 3, the filled mean of all means, ...): their print
// forms are remembered in a small table keyed by the value's bits.
class PrintCache {
public:
    void append(std::string& out, double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        Entry& e = table_[std::size_t((bits * 0x9E3779B97F4A7C15ULL) >> (64 - kBits))];
        if (!e.used || e.bits != bits) {
            e.text.clear();
            appendPrint(e.text, v);
            e.bits = bits;
            e.used = true;
        }
        out += e.text;
    }

private:
    static constexpr int kBits = 12;
    struct Entry {
        std::uint64_t bits = 0;
        bool used = false;
        std::string text;
    };
    std::array<Entry, std::size_t{1} << kBits> table_;
};

} // namespace

void dumpMatrix(OutFile& log, const std::vector<std::string_view>& spname, const PairTable& pairs,
                double fill) {
    log.putLine("");
    std::string line = "Species";
    for (const auto& name : spname) {
        line += ',';
        line += name;
    }
    line += ' ';
    log.putLine(line);
    auto cache = std::make_unique<PrintCache>();
    const auto n = std::size_t(pairs.n);
    for (std::size_t i = 0; i < n; ++i) {
        line.assign(spname[i]);
        // The row's pairs come in ascending column: each is met once, in column order.
        auto k = std::size_t(pairs.start[i]);
        const auto last = std::size_t(pairs.start[i + 1]);
        for (std::size_t j = 0; j < n; ++j) {
            line += ',';
            if (k < last && std::size_t(pairs.col[k]) == j)
                cache->append(line, pairs.mean[k++]);
            else
                cache->append(line, fill);
        }
        line += ' ';
        log.putLine(line);
    }
}

void rankedListing(const std::vector<std::string>& spname, const std::vector<double>& curvec,
                   std::vector<double>& palatvalue, const LineSink& out) {
    out(" ");
    out("Eigen vector (palatability)");
    // Repeatedly taking the first strictly greatest value is a stable sort by descending value.
    std::vector<std::size_t> order(curvec.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return curvec[a] > curvec[b]; });
    std::string line;
    for (const std::size_t s : order) {
        line.assign(spname[s]);
        line += ", ";
        appendNumberText(line, curvec[s]);
        out(line);
    }
    palatvalue.assign(curvec.size(), -1e+300);
}

} // namespace sscm
