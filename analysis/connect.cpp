#include "analysis/connect.h"

#include "data/printfmt.h"

#include <algorithm>
#include <bit>
#include <string>

namespace sscm {

PairTable comparedPairs(const Matrices& m) {
    PairTable p;
    p.n = m.n;
    const auto n = std::size_t(m.n);
    p.start.assign(n + 1, 0);
    std::size_t total = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double* row = m.compn.data() + i * n;
        for (std::size_t j = 0; j < n; ++j)
            total += row[j] != 0.0 ? 1 : 0;
        p.start[i + 1] = std::int64_t(total);
    }
    p.col.resize(total);
    p.count.resize(total);
    p.mean.resize(total);
    std::size_t k = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double* row = m.compn.data() + i * n;
        const double* sums = m.compsum.data() + i * n;
        for (std::size_t j = 0; j < n; ++j) {
            if (row[j] != 0.0) {
                p.col[k] = std::int32_t(j);
                p.count[k] = row[j];
                p.mean[k] = sums[j] / row[j];
                ++k;
            }
        }
    }
    return p;
}

void writeConnectHeading(OutFile& log) {
    log.putLine("");
    log.putLine("Minimum connect steps (smaller is better). Large value means limited number of "
                "common species.");
}

void writeConnectLines(OutFile& log, const std::vector<std::string_view>& spname,
                       const std::vector<std::int32_t>& connstep) {
    std::string line;
    for (std::size_t s = 0; s < connstep.size() && connstep[s] < kMaxConnectSteps; ++s) {
        line.assign(spname[s]);
        appendPrint(line, std::int64_t{connstep[s]});
        log.putLine(line);
    }
}

Status connectSteps(Progress& obs, const PairTable& pairs, std::vector<std::int32_t>& connstep,
                    std::vector<double>& reachedOut) {
    const auto n = std::size_t(pairs.n);
    const std::size_t words = (n + 63) / 64;
    // Links as bit rows: a level of the search is the union of its frontier's rows.
    std::vector<std::uint64_t> links(n * words, 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (auto k = pairs.start[i]; k < pairs.start[i + 1]; ++k) {
            const auto j = std::size_t(pairs.col[std::size_t(k)]);
            links[i * words + j / 64] |= std::uint64_t{1} << (j % 64);
        }
    }
    connstep.clear();
    connstep.reserve(n);
    std::vector<std::uint64_t> reached(words);
    std::vector<std::int32_t> frontier;
    std::vector<std::int32_t> nextFrontier;
    frontier.reserve(n);
    nextFrontier.reserve(n);
    for (std::size_t s = 0; s < n; ++s) {
        std::fill(reached.begin(), reached.end(), 0);
        reached[s / 64] |= std::uint64_t{1} << (s % 64);
        std::size_t reachedCount = 1;
        frontier.assign(1, std::int32_t(s));
        std::int32_t step = 1;
        for (;;) {
            if (!obs.proceed())
                return Status::cancelled();
            obs.progress(Stage::Connectivity, std::int64_t(s + 1), 0, 0);
            nextFrontier.clear();
            for (const std::int32_t v : frontier) {
                const std::uint64_t* row = links.data() + std::size_t(v) * words;
                for (std::size_t q = 0; q < words; ++q) {
                    std::uint64_t fresh = row[q] & ~reached[q];
                    if (fresh == 0)
                        continue;
                    reached[q] |= fresh;
                    while (fresh != 0) {
                        const int b = std::countr_zero(fresh);
                        nextFrontier.push_back(std::int32_t(q * 64 + std::size_t(b)));
                        fresh &= fresh - 1;
                    }
                }
            }
            reachedCount += nextFrontier.size();
            frontier.swap(nextFrontier);
            // After step t every species within t links is reached; the step that reaches the
            // last one ends the search.
            if (reachedCount == n)
                break;
            if (step == kMaxConnectSteps) {
                step = kMaxConnectSteps + 1; // the bound passed: some species is never reached
                break;
            }
            ++step;
        }
        connstep.push_back(step);
        if (step >= kMaxConnectSteps) {
            reachedOut.assign(n, 0.0);
            for (std::size_t i = 0; i < n; ++i)
                reachedOut[i] = (reached[i / 64] >> (i % 64)) & 1 ? 1.0 : 0.0;
            return Status::splitNetwork(kSplitNetwork);
        }
    }
    reachedOut.assign(n, 1.0);
    return Status::ok();
}

} // namespace sscm
