#include "analysis/matrix.h"

#include "analysis/numbers.h"
#include "data/printfmt.h"

#include <string>

namespace sscm {

void compactMatrices(Matrices& m, const std::vector<std::int32_t>& kept) {
    const auto n = std::size_t(m.n);
    const auto k = kept.size();
    if (k == n)
        return;
    // Cell (r, c) of the compacted block never lies after its source (kept[r], kept[c]) in
    // row-major order, so copying forward never overwrites a cell still to be read.
    for (std::size_t r = 0; r < k; ++r) {
        const std::size_t from = std::size_t(kept[r]) * n;
        for (std::size_t c = 0; c < k; ++c) {
            m.compsum[r * k + c] = m.compsum[from + std::size_t(kept[c])];
            m.compn[r * k + c] = m.compn[from + std::size_t(kept[c])];
        }
    }
    m.n = std::int32_t(k);
    m.compsum.resize(k * k);
    m.compn.resize(k * k);
    m.compsum.shrink_to_fit();
    m.compn.shrink_to_fit();
}

Status removeLowOccurrence(Window& w, OutFile& log, Matrices& m,
                           std::vector<std::string_view>& spname, std::vector<std::int32_t>& spfreq,
                           const std::vector<std::int32_t>& spocc) {
    const std::int32_t total = m.n;
    std::vector<std::int32_t> kept;
    kept.reserve(std::size_t(total));
    std::string line;
    std::string lowlimit;
    for (std::int32_t k = 0; k < total; ++k) {
        if (!w.processEvents())
            return Status::cancelled();
        // The user may edit the threshold while the pass runs; each species uses its text then.
        lowlimit = w.text(Ctl::Text5);
        double threshold = 0;
        if (!strictNumber(lowlimit, threshold))
            return Status::failed("The threshold \"" + lowlimit +
                                  "\" (Equal or fewer than) is not a number.");
        if (double(spocc[std::size_t(k)]) <= threshold) {
            line.assign(spname[std::size_t(k)]);
            line += " deleted";
            log.putLine(line);
        } else {
            kept.push_back(k);
        }
    }
    const auto used = std::int32_t(kept.size());
    log.putLine("");
    line = "Number of all species: ";
    appendPrint(line, std::int64_t{total});
    log.putLine(line);
    line = "Number of species used: ";
    appendPrint(line, std::int64_t{used});
    log.putLine(line);

    compactMatrices(m, kept);
    for (std::size_t r = 0; r < kept.size(); ++r) {
        spname[r] = spname[std::size_t(kept[r])];
        spfreq[r] = spfreq[std::size_t(kept[r])];
    }
    spname.resize(kept.size());
    spfreq.resize(kept.size());
    if (used == 0)
        return Status::failed("All " + std::to_string(total) +
                              " species occur in no more cases than the threshold \"" + lowlimit +
                              "\"; no species is left to compare.");
    return Status::ok();
}

} // namespace sscm
