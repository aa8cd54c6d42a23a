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

Status removeLowOccurrence(RunObserver& obs, const std::function<std::string()>& lowlimit,
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

void keepSpecies(Matrices& m, const std::vector<std::int32_t>& kept,
                 std::vector<std::string_view>& spname, std::vector<std::int32_t>& spfreq) {
    compactMatrices(m, kept);
    for (std::size_t r = 0; r < kept.size(); ++r) {
        spname[r] = spname[std::size_t(kept[r])];
        spfreq[r] = spfreq[std::size_t(kept[r])];
    }
    spname.resize(kept.size());
    spfreq.resize(kept.size());
}

} // namespace sscm
