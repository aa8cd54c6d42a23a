#include "analysis/bootstrap.h"

#include "analysis/btmodel.h"
#include "analysis/eigen.h"
#include "analysis/parallel.h"
#include "analysis/prepared.h"
#include "analysis/unionfind.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace sscm {

namespace {

// Replicates pooled together in one pass over the case entries.
constexpr int kBootstrapLanes = 8;

// A replicate's pooled totals turned into the iteration's input: the mean code of every pair of
// the full run that the replicate compared (0 for the others), and each row's partners.
struct ReplicateMatrix {
    std::vector<double> val;
    std::vector<double> partners;
};

// Whether the compared pairs (count > 0) link every species.
bool linked(const Prepared& p, const std::int64_t* count, UnionFind& sets) {
    sets.reset(std::size_t(p.species));
    std::int32_t groups = p.species;
    std::vector<std::uint8_t> present(std::size_t(p.species), 0);
    for (std::size_t q = 0; q < p.pairA.size(); ++q) {
        if (count[q] == 0)
            continue;
        present[std::size_t(p.pairA[q])] = 1;
        if (sets.unite(p.pairA[q], p.pairB[q]))
            --groups;
    }
    // A species in none of the drawn cases has no partner, not even itself.
    return groups == 1 && std::all_of(present.begin(), present.end(), [](auto v) { return v; });
}

// Values of one replicate from its pair totals; false for a split network.
bool replicateValues(const Prepared& p, const std::int64_t* count, const std::int64_t* sum,
                     ReplicateMatrix& m, UnionFind& sets, std::vector<double>& curvec,
                     std::vector<double>& nextvec) {
    if (!linked(p, count, sets))
        return false;
    const PairTable& t = *p.full;
    m.val.assign(t.col.size(), 0.0);
    m.partners.assign(std::size_t(p.species), 0.0);
    for (std::size_t k = 0; k < t.col.size(); ++k) {
        const auto q = std::size_t(p.pairOf[k]);
        if (count[q] == 0)
            continue;
        // Every record has its mirror with the opposite code: b against a sums to 4n - s.
        const std::int64_t s = p.flipped[k] ? 4 * count[q] - sum[q] : sum[q];
        m.val[k] = double(s) / double(count[q]);
        m.partners[std::size_t(p.rowOf[k])] += 1;
    }
    Progress quiet;
    (void)powerIteration(quiet, p.species, t.start.data(), t.col.data(), m.val.data(),
                         m.partners.data(), curvec, nextvec);
    return true;
}

// Pools the totals of `lanes` replicates at once, pair by pair: the case entries are read once
// for all of them. `mult` holds each case's multiplicity in every lane (case-major).
void poolLanes(const Prepared& p, const std::vector<std::int32_t>& mult, int lanes,
               std::vector<std::int64_t>& count, std::vector<std::int64_t>& sum) {
    const std::size_t pairs = p.pairA.size();
    count.assign(pairs * std::size_t(lanes), 0);
    sum.assign(pairs * std::size_t(lanes), 0);
    for (std::size_t q = 0; q < pairs; ++q) {
        std::int64_t c[kBootstrapLanes] = {};
        std::int64_t s[kBootstrapLanes] = {};
        for (auto e = std::size_t(p.pairStart[q]); e < std::size_t(p.pairStart[q + 1]); ++e) {
            const std::int32_t* k = mult.data() + std::size_t(p.entryCase[e]) * kBootstrapLanes;
            const std::int64_t n = p.entryCount[e];
            const std::int64_t v = p.entrySum[e];
            for (int b = 0; b < kBootstrapLanes; ++b) {
                c[b] += k[b] * n;
                s[b] += k[b] * v;
            }
        }
        for (int b = 0; b < lanes; ++b) {
            count[std::size_t(b) * pairs + q] = c[b];
            sum[std::size_t(b) * pairs + q] = s[b];
        }
    }
}

// Bradley–Terry abilities of one replicate from its pair totals. False when the fit fails, which
// a linked replicate never does.
bool replicateAbilities(const Prepared& p, const std::int64_t* count, const std::int64_t* sum,
                        std::vector<BtPair>& pairs, BtFit& fit) {
    pairs.clear();
    for (std::size_t q = 0; q < p.pairA.size(); ++q) {
        if (count[q] == 0 || p.pairA[q] == p.pairB[q])
            continue;
        pairs.push_back(btPair(p.pairA[q], p.pairB[q], double(count[q]), double(sum[q])));
    }
    return fitBradleyTerry(p.species, pairs, fit).isOk();
}

} // namespace

Status bootstrapReplicate(const DataTable& table, const AnalysisSettings& settings,
                          const AnalysisResult& full, const std::vector<std::int32_t>& multiplicity,
                          std::vector<double>& values, std::vector<double>* abilities) {
    (void)settings;
    Prepared p;
    if (Status st = prepare(table, full, p); !st)
        return st;
    if (multiplicity.size() != std::size_t(p.casen))
        return Status::failed("One multiplicity per case is needed.");
    std::vector<std::int32_t> mult(std::size_t(p.casen) * kBootstrapLanes, 0);
    for (std::size_t c = 0; c < multiplicity.size(); ++c)
        mult[c * kBootstrapLanes] = multiplicity[c];
    std::vector<std::int64_t> count;
    std::vector<std::int64_t> sum;
    poolLanes(p, mult, 1, count, sum);
    ReplicateMatrix m;
    UnionFind sets;
    std::vector<double> nextvec;
    if (!replicateValues(p, count.data(), sum.data(), m, sets, values, nextvec))
        values.clear();
    if (abilities != nullptr) {
        abilities->clear();
        std::vector<BtPair> pairs;
        BtFit fit;
        if (!values.empty() && replicateAbilities(p, count.data(), sum.data(), pairs, fit))
            *abilities = std::move(fit.ability);
    }
    return Status::ok();
}

namespace {

Status runBootstrap(const DataTable& table, const AnalysisResult& full,
                    const BootstrapSettings& boot, BootstrapResult& out, Progress* progress) {
    Prepared p;
    if (Status st = prepare(table, full, p); !st)
        return st;
    const auto species = std::size_t(p.species);
    const auto replicates = std::size_t(boot.replicates);
    // Each replicate's values, or nothing for a split network: B values per species.
    std::vector<double> values(replicates * species, 0.0);
    std::vector<double> abilities(boot.model ? replicates * species : 0, 0.0);
    std::vector<std::uint8_t> used(replicates, 0);

    // Replicates are handed out in chunks; a chunk's draws that miss some species altogether
    // (a split network for sure) are counted at once, and the others pooled eight at a time.
    constexpr std::size_t kChunk = 32;
    const std::size_t chunks = (replicates + kChunk - 1) / kChunk;
    std::atomic<std::size_t> nextChunk{0};
    std::atomic<std::int32_t> done{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable progressed;
    bool outOfMemory = false;

    const std::function<void(unsigned)> worker = [&](unsigned) {
        try {
            std::vector<std::int32_t> mult;
            std::vector<std::int64_t> count;
            std::vector<std::int64_t> sum;
            ReplicateMatrix m;
            UnionFind sets;
            std::vector<double> curvec;
            std::vector<double> nextvec;
            std::vector<std::size_t> survivors;
            std::vector<std::vector<std::int32_t>> draws;
            std::vector<BtPair> btPairs;
            BtFit fit;
            for (;;) {
                const std::size_t chunk = nextChunk.fetch_add(1);
                if (chunk >= chunks || stop.load())
                    return;
                const std::size_t first = chunk * kChunk;
                const std::size_t last = std::min(first + kChunk, replicates);
                survivors.clear();
                draws.clear();
                for (std::size_t r = first; r < last; ++r) {
                    auto k = drawCases(boot.seed, std::int32_t(r) + 1, p.casen);
                    if (everySpeciesDrawn(p, k)) {
                        survivors.push_back(r);
                        draws.push_back(std::move(k));
                    }
                }
                const std::size_t pairs = p.pairA.size();
                for (std::size_t g = 0; g < survivors.size(); g += kBootstrapLanes) {
                    const int lanes =
                        int(std::min<std::size_t>(kBootstrapLanes, survivors.size() - g));
                    mult.assign(std::size_t(p.casen) * kBootstrapLanes, 0);
                    for (int b = 0; b < lanes; ++b) {
                        const auto& k = draws[g + std::size_t(b)];
                        for (std::size_t c = 0; c < k.size(); ++c)
                            mult[c * kBootstrapLanes + std::size_t(b)] = k[c];
                    }
                    poolLanes(p, mult, lanes, count, sum);
                    for (int b = 0; b < lanes; ++b) {
                        if (stop.load())
                            return;
                        const std::size_t r = survivors[g + std::size_t(b)];
                        const std::int64_t* c = count.data() + std::size_t(b) * pairs;
                        const std::int64_t* t = sum.data() + std::size_t(b) * pairs;
                        if (!replicateValues(p, c, t, m, sets, curvec, nextvec))
                            continue;
                        if (boot.model) {
                            if (!replicateAbilities(p, c, t, btPairs, fit))
                                continue;
                            std::copy(fit.ability.begin(), fit.ability.end(),
                                      abilities.begin() + std::ptrdiff_t(r * species));
                        }
                        std::copy(curvec.begin(), curvec.end(), values.begin() + r * species);
                        used[r] = 1;
                    }
                }
                done.fetch_add(std::int32_t(last - first));
                {
                    std::lock_guard<std::mutex> lock(mutex); // no wake-up lost
                }
                progressed.notify_all();
            }
        } catch (const std::bad_alloc&) {
            std::lock_guard<std::mutex> lock(mutex);
            outOfMemory = true;
            stop.store(true);
        }
    };
    // Workers the system cannot give leave fewer to share the work; with none at all the
    // calling thread draws every replicate.
    PartThreads pool;
    (void)pool.start(0, unsigned(std::max(1, boot.threads)), worker);
    if (pool.running() == 0)
        worker(0);
    {
        // The follower hears from the calling thread only, a few times a second.
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            const std::int32_t now = done.load();
            if (progress != nullptr) {
                if (progress->proceed())
                    progress->progress(Stage::Bootstrap, now, boot.replicates, 0.0);
                else
                    stop.store(true);
            }
            if (now >= boot.replicates || stop.load())
                break;
            progressed.wait_for(lock, std::chrono::milliseconds(200),
                                [&] { return done.load() >= boot.replicates || stop.load(); });
        }
    }
    pool.join();
    if (outOfMemory)
        return Status::failed("There is not enough memory for the bootstrap.");
    if (stop.load())
        return Status::cancelled();

    out = BootstrapResult{};
    out.settings = boot;
    fillIntervals(values, used, species, out);
    fillAboveNext(values, used, full.curvec, out);
    if (boot.model) {
        // The same replicates and the same percentile rule as the spectrum's intervals.
        BootstrapResult bt;
        bt.settings = boot;
        fillIntervals(abilities, used, species, bt);
        out.btLo = std::move(bt.valueLo);
        out.btHi = std::move(bt.valueHi);
        out.btRankLo = std::move(bt.rankLo);
        out.btRankHi = std::move(bt.rankHi);
    }
    return Status::ok();
}

} // namespace

Status bootstrap(const DataTable& table, const AnalysisSettings& settings,
                 const AnalysisResult& full, const BootstrapSettings& boot, BootstrapResult& out,
                 Progress* progress) {
    (void)settings;
    if (boot.replicates < 1)
        return Status::failed("The number of bootstrap replicates must be at least 1.");
    if (!(boot.level > 0 && boot.level < 1))
        return Status::failed("The confidence level must lie between 0 and 1.");
    if (full.curvec.empty() || full.pairs.n != std::int32_t(full.curvec.size()))
        return Status::failed("The bootstrap needs a finished analysis.");
    try {
        return runBootstrap(table, full, boot, out, progress);
    } catch (const std::bad_alloc&) {
        return Status::failed("There is not enough memory for the bootstrap.");
    }
}

} // namespace sscm
