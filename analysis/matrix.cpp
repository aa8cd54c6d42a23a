#include "analysis/matrix.h"

#include "analysis/numbers.h"
#include "data/printfmt.h"

#include <algorithm>
#include <string>

namespace sscm {

void PooledComparisons::reset(std::int32_t species, bool packedCells) {
    n = species;
    packed = packedCells;
    const auto k = std::size_t(species);
    const std::size_t pairs = k * (k - (k > 0 ? 1 : 0)) / 2;
    cells.assign(pairs, 0);
    sums.assign(packed ? 0 : pairs, 0);
    self.assign(k, 0);
}

void keptMatrices(const PooledComparisons& p, const std::vector<std::int32_t>& kept, Matrices& m) {
    const std::size_t k = kept.size();
    m.n = std::int32_t(k);
    m.compsum.assign(k * k, 0.0);
    m.compn.assign(k * k, 0.0);
    double* sum = m.compsum.data();
    double* cnt = m.compn.data();
    for (std::size_t r = 0; r < k; ++r) {
        const double self = double(p.self[std::size_t(kept[r])]);
        cnt[r * k + r] = self;
        sum[r * k + r] = 2 * self;
    }
    // Each pair fills its cell above the diagonal and its mirror below, in tiles so that the
    // mirrored column writes stay in the cache.
    constexpr std::size_t kTile = 64;
    for (std::size_t r0 = 0; r0 < k; r0 += kTile) {
        const std::size_t r1 = std::min(k, r0 + kTile);
        for (std::size_t c0 = r0; c0 < k; c0 += kTile) {
            const std::size_t c1 = std::min(k, c0 + kTile);
            for (std::size_t r = r0; r < r1; ++r) {
                const std::size_t base = p.rowBase(kept[r]);
                for (std::size_t c = std::max(c0, r + 1); c < c1; ++c) {
                    const std::size_t at = base + std::size_t(kept[c]);
                    std::uint64_t n = 0;
                    std::uint64_t s = 0;
                    if (p.packed) {
                        n = p.cells[at] & 0xFFFFFFFFU;
                        s = p.cells[at] >> 32;
                    } else {
                        n = p.cells[at];
                        s = p.sums[at];
                    }
                    cnt[r * k + c] = double(n);
                    cnt[c * k + r] = double(n);
                    sum[r * k + c] = double(s);
                    sum[c * k + r] = double(4 * n - s);
                }
            }
        }
    }
}

Status removeLowOccurrence(Progress& obs, const std::function<std::string()>& lowlimit,
                           const std::vector<std::int32_t>& spocc, std::vector<std::int32_t>& kept,
                           std::vector<std::int32_t>& removed, std::string& lastLimit) {
    kept.clear();
    removed.clear();
    const auto total = std::int32_t(spocc.size());
    for (std::int32_t k = 0; k < total; ++k) {
        if (!obs.proceed())
            return Status::cancelled();
        lastLimit = lowlimit();
        double threshold = 0;
        if (!strictNumber(lastLimit, threshold))
            return Status::failed("The threshold \"" + lastLimit +
                                  "\" (Equal or fewer than) is not a number.");
        if (double(spocc[std::size_t(k)]) <= threshold)
            removed.push_back(k);
        else
            kept.push_back(k);
    }
    return Status::ok();
}

void writeRemovalLog(OutFile& log, const std::vector<std::string_view>& spname,
                     const std::vector<std::int32_t>& removed, bool complete, std::int32_t total,
                     std::int32_t used) {
    std::string line;
    for (const std::int32_t k : removed) {
        line.assign(spname[std::size_t(k)]);
        line += " deleted";
        log.putLine(line);
    }
    if (!complete)
        return;
    log.putLine("");
    line = "Number of all species: ";
    appendPrint(line, total);
    log.putLine(line);
    line = "Number of species used: ";
    appendPrint(line, used);
    log.putLine(line);
}

Status noSpeciesLeft(std::int32_t total, const std::string& lowlimit) {
    return Status::failed("All " + std::to_string(total) +
                          " species occur in no more cases than the threshold \"" + lowlimit +
                          "\"; no species is left to compare.");
}

void keepSpecies(const PooledComparisons& p, const std::vector<std::int32_t>& kept, Matrices& m,
                 std::vector<std::string_view>& spname, std::vector<std::int32_t>& spfreq) {
    keptMatrices(p, kept, m);
    for (std::size_t r = 0; r < kept.size(); ++r) {
        spname[r] = spname[std::size_t(kept[r])];
        spfreq[r] = spfreq[std::size_t(kept[r])];
    }
    spname.resize(kept.size());
    spfreq.resize(kept.size());
}

} // namespace sscm
