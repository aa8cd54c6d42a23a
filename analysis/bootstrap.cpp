#include "analysis/bootstrap.h"

#include "analysis/eigen.h"
#include "analysis/numbers.h"
#include "analysis/rankorder.h"
#include "analysis/tables.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <new>
#include <numeric>
#include <system_error>
#include <thread>

namespace sscm {

namespace {

// Replicates pooled together in one pass over the case entries.
constexpr int kBootstrapLanes = 8;

// splitmix64: one step of the generator from `state`.
std::uint64_t splitmix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

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

// A whole number in [0, n), n > 0, every value equally likely: the high half of the product of
// a draw and n, drawing again in the rare case that would favour some values.
std::uint64_t below(std::uint64_t& state, std::uint64_t n) {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    multiply(splitmix64(state), n, high, low);
    if (low < n) {
        const std::uint64_t threshold = (0 - n) % n;
        while (low < threshold)
            multiply(splitmix64(state), n, high, low);
    }
    return high;
}

// The comparisons of the kept species, prepared once: per unordered pair of species (a <= b)
// that met in the full data, the cases where they met, with the number of ordered pairs of rows
// (a's row first) and the sum of their codes in each. A replicate's totals are then sums of
// whole numbers, exact in any order.
struct Prepared {
    std::int32_t species = 0;
    std::int32_t casen = 0;
    // Ordered compared pairs of the full run (rows by first species, ascending second species);
    // entry k belongs to the unordered pair pairOf[k], seen from its second species when
    // flipped[k].
    const PairTable* full = nullptr;
    std::vector<std::int32_t> pairOf;
    std::vector<std::uint8_t> flipped;
    std::vector<std::int32_t> rowOf; // first species of entry k
    // Unordered pairs: species a <= b.
    std::vector<std::int32_t> pairA;
    std::vector<std::int32_t> pairB;
    // Case entries of pair p: [pairStart[p], pairStart[p+1]), cases ascending.
    std::vector<std::int64_t> pairStart;
    std::vector<std::int32_t> entryCase;
    std::vector<std::int32_t> entryCount;
    std::vector<std::int32_t> entrySum;
    // The cases of each species: [speciesStart[s], speciesStart[s+1]) of speciesCase.
    std::vector<std::int32_t> speciesStart;
    std::vector<std::int32_t> speciesCase;
};

// Whether every species has at least one of its cases among the drawn ones.
bool everySpeciesDrawn(const Prepared& p, const std::vector<std::int32_t>& multiplicity) {
    for (std::int32_t s = 0; s < p.species; ++s) {
        bool drawn = false;
        for (auto k = p.speciesStart[std::size_t(s)];
             k < p.speciesStart[std::size_t(s) + 1] && !drawn; ++k)
            drawn = multiplicity[std::size_t(p.speciesCase[std::size_t(k)])] > 0;
        if (!drawn)
            return false;
    }
    return true;
}

// Index of the full run's entry (a, b) in row a, or -1.
std::int64_t findEntry(const PairTable& t, std::int32_t a, std::int32_t b) {
    const auto first = t.col.begin() + t.start[std::size_t(a)];
    const auto last = t.col.begin() + t.start[std::size_t(a) + 1];
    const auto it = std::lower_bound(first, last, b);
    return it != last && *it == b ? std::int64_t(it - t.col.begin()) : -1;
}

Status prepare(const DataTable& table, const AnalysisResult& full, Prepared& p) {
    CaseSpeciesTables tab;
    if (Status st = buildTables(table, full.casecol, full.spcol, tab); !st)
        return st;
    const PairTable& t = full.pairs;
    p.full = &t;
    p.species = t.n;
    p.casen = tab.casen;

    std::vector<std::int32_t> keptIndex(std::size_t(tab.spn), -1);
    for (std::size_t k = 0; k < full.kept.size(); ++k)
        keptIndex[std::size_t(full.kept[k])] = std::int32_t(k);

    p.speciesStart.assign(1, 0);
    for (const std::int32_t s : full.kept) {
        for (auto k = tab.spcaseStart[std::size_t(s)]; k < tab.spcaseStart[std::size_t(s) + 1]; ++k)
            p.speciesCase.push_back(tab.spcaseCase[std::size_t(k)]);
        p.speciesStart.push_back(std::int32_t(p.speciesCase.size()));
    }

    const std::size_t entries = t.col.size();
    p.pairOf.assign(entries, -1);
    p.flipped.assign(entries, 0);
    p.rowOf.assign(entries, 0);
    for (std::int32_t a = 0; a < t.n; ++a) {
        for (auto k = t.start[std::size_t(a)]; k < t.start[std::size_t(a) + 1]; ++k) {
            p.rowOf[std::size_t(k)] = a;
            const std::int32_t b = t.col[std::size_t(k)];
            if (b >= a) {
                p.pairOf[std::size_t(k)] = std::int32_t(p.pairA.size());
                p.pairA.push_back(a);
                p.pairB.push_back(b);
            }
        }
    }
    for (std::size_t k = 0; k < entries; ++k) {
        if (p.pairOf[k] < 0) {
            const std::int64_t mirror = findEntry(t, t.col[k], p.rowOf[k]);
            p.pairOf[k] = p.pairOf[std::size_t(mirror)];
            p.flipped[k] = 1;
        }
    }
    const std::size_t pairs = p.pairA.size();

    // Each case's rows of kept species, grouped by species; then per pair of its species the
    // count and code sum. Two passes: the first counts the entries of each pair, the second
    // fills them, so the case-by-case lists are never held all at once.
    // A case's totals of one pair are kept in 32 bits: at most rows x rows x 3.
    for (const std::int32_t r : tab.casefreq) {
        if (std::int64_t(r) * r * 3 > std::int64_t{INT32_MAX})
            return Status::failed("The bootstrap takes cases of at most 26,754 rows; a case has " +
                                  std::to_string(r) + ".");
    }
    std::vector<double> pref(std::size_t(table.objn));
    for (std::int32_t i = 0; i < table.objn; ++i) {
        if (!strictNumber(table.cell(full.prefcol, i + 1), pref[std::size_t(i)]))
            return Status::failed("Data row " + std::to_string(i + 1) +
                                  ": the intensity is not a number.");
    }
    p.pairStart.assign(pairs + 1, 0);
    std::vector<std::int64_t> fillAt;
    struct Row {
        std::int32_t sp;
        double pref;
    };
    std::vector<Row> rows;
    std::vector<std::int32_t> groupStart;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            for (std::size_t q = 0; q < pairs; ++q)
                p.pairStart[q + 1] += p.pairStart[q];
            const auto total = std::size_t(p.pairStart[pairs]);
            p.entryCase.assign(total, 0);
            p.entryCount.assign(total, 0);
            p.entrySum.assign(total, 0);
            fillAt.assign(p.pairStart.begin(), p.pairStart.end() - 1);
        }
        for (std::int32_t c = 0; c < tab.casen; ++c) {
            rows.clear();
            for (auto k = tab.caserowStart[std::size_t(c)];
                 k < tab.caserowStart[std::size_t(c) + 1]; ++k) {
                const std::int32_t row = tab.caserows[std::size_t(k)];
                const std::int32_t sp = keptIndex[std::size_t(tab.rowsp[std::size_t(row)])];
                if (sp >= 0)
                    rows.push_back({sp, pref[std::size_t(row)]});
            }
            std::stable_sort(rows.begin(), rows.end(),
                             [](const Row& x, const Row& y) { return x.sp < y.sp; });
            groupStart.clear();
            for (std::size_t k = 0; k < rows.size(); ++k) {
                if (k == 0 || rows[k].sp != rows[k - 1].sp)
                    groupStart.push_back(std::int32_t(k));
            }
            groupStart.push_back(std::int32_t(rows.size()));
            const std::size_t groups = groupStart.size() - 1;
            for (std::size_t ga = 0; ga < groups; ++ga) {
                const std::int32_t a = rows[std::size_t(groupStart[ga])].sp;
                for (std::size_t gb = ga; gb < groups; ++gb) {
                    const std::int32_t b = rows[std::size_t(groupStart[gb])].sp;
                    const std::int32_t q = p.pairOf[std::size_t(findEntry(t, a, b))];
                    if (pass == 0) {
                        ++p.pairStart[std::size_t(q) + 1];
                        continue;
                    }
                    std::int64_t count = 0;
                    std::int64_t sum = 0;
                    for (auto i = groupStart[ga]; i < groupStart[ga + 1]; ++i) {
                        for (auto j = groupStart[gb]; j < groupStart[gb + 1]; ++j) {
                            const double pi = rows[std::size_t(i)].pref;
                            const double pj = rows[std::size_t(j)].pref;
                            sum += pi > pj ? 3 : (pi == pj ? 2 : 1);
                            ++count;
                        }
                    }
                    const auto at = std::size_t(fillAt[std::size_t(q)]++);
                    p.entryCase[at] = c;
                    p.entryCount[at] = std::int32_t(count);
                    p.entrySum[at] = std::int32_t(sum);
                }
            }
        }
    }
    return Status::ok();
}

// A replicate's pooled totals turned into the iteration's input: the mean code of every pair of
// the full run that the replicate compared (0 for the others), and each row's partners.
struct ReplicateMatrix {
    std::vector<double> val;
    std::vector<double> partners;
};

// Whether the compared pairs (count > 0) link every species: union by the pairs.
bool linked(const Prepared& p, const std::int64_t* count, std::vector<std::int32_t>& parent) {
    parent.resize(std::size_t(p.species));
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](std::int32_t x) {
        while (parent[std::size_t(x)] != x) {
            parent[std::size_t(x)] = parent[std::size_t(parent[std::size_t(x)])];
            x = parent[std::size_t(x)];
        }
        return x;
    };
    std::int32_t groups = p.species;
    std::vector<std::uint8_t> present(std::size_t(p.species), 0);
    for (std::size_t q = 0; q < p.pairA.size(); ++q) {
        if (count[q] == 0)
            continue;
        present[std::size_t(p.pairA[q])] = 1;
        const std::int32_t x = root(p.pairA[q]);
        const std::int32_t y = root(p.pairB[q]);
        if (x != y) {
            parent[std::size_t(x)] = y;
            --groups;
        }
    }
    // A species in none of the drawn cases has no partner, not even itself.
    return groups == 1 && std::all_of(present.begin(), present.end(), [](auto v) { return v; });
}

// Values of one replicate from its pair totals; false for a split network.
bool replicateValues(const Prepared& p, const std::int64_t* count, const std::int64_t* sum,
                     ReplicateMatrix& m, std::vector<std::int32_t>& parent,
                     std::vector<double>& curvec, std::vector<double>& nextvec) {
    if (!linked(p, count, parent))
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

} // namespace

std::vector<std::int32_t> drawCases(std::uint64_t seed, std::int32_t b, std::int32_t casen) {
    std::uint64_t start = seed;
    std::uint64_t state = splitmix64(start) + std::uint64_t(b);
    state = splitmix64(state);
    std::vector<std::int32_t> k(std::size_t(casen), 0);
    for (std::int32_t d = 0; d < casen; ++d)
        ++k[std::size_t(below(state, std::uint64_t(casen)))];
    return k;
}

double quantile7(const std::vector<double>& sorted, double prob) {
    // As R computes it: 1-based position 1 + (n - 1) p, interpolated between its neighbours.
    const auto n = sorted.size();
    const double index = 1 + double(n - 1) * prob;
    const double lo = std::floor(index);
    const double hi = std::ceil(index);
    double q = sorted[std::size_t(lo) - 1];
    const double x = sorted[std::size_t(hi) - 1];
    if (index > lo && x != q) {
        const double h = index - lo;
        q = (1 - h) * q + h * x;
    }
    return q;
}

Status bootstrapReplicate(const DataTable& table, const AnalysisSettings& settings,
                          const AnalysisResult& full, const std::vector<std::int32_t>& multiplicity,
                          std::vector<double>& values) {
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
    std::vector<std::int32_t> parent;
    std::vector<double> nextvec;
    if (!replicateValues(p, count.data(), sum.data(), m, parent, values, nextvec))
        values.clear();
    return Status::ok();
}

namespace {

Status runBootstrap(const DataTable& table, const AnalysisResult& full,
                    const BootstrapSettings& boot, BootstrapResult& out,
                    BootstrapObserver* observer) {
    Prepared p;
    if (Status st = prepare(table, full, p); !st)
        return st;
    const auto species = std::size_t(p.species);
    const auto replicates = std::size_t(boot.replicates);
    // Each replicate's values, or nothing for a split network: B values per species.
    std::vector<double> values(replicates * species, 0.0);
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

    auto worker = [&] {
        try {
            std::vector<std::int32_t> mult;
            std::vector<std::int64_t> count;
            std::vector<std::int64_t> sum;
            ReplicateMatrix m;
            std::vector<std::int32_t> parent;
            std::vector<double> curvec;
            std::vector<double> nextvec;
            std::vector<std::size_t> survivors;
            std::vector<std::vector<std::int32_t>> draws;
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
                        if (replicateValues(p, count.data() + std::size_t(b) * pairs,
                                            sum.data() + std::size_t(b) * pairs, m, parent, curvec,
                                            nextvec)) {
                            std::copy(curvec.begin(), curvec.end(), values.begin() + r * species);
                            used[r] = 1;
                        }
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
    const auto threads = std::size_t(std::max(1, boot.threads));
    std::vector<std::thread> pool;
    pool.reserve(threads); // no allocation may fail once a worker runs
    for (std::size_t t = 0; t < threads; ++t) {
        try {
            pool.emplace_back(worker);
        } catch (const std::system_error&) {
            break; // the system has no more threads to give: fewer workers share the work
        }
    }
    if (pool.empty())
        worker(); // not even one: the calling thread draws every replicate
    {
        // The observer hears from the calling thread only, a few times a second.
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            const std::int32_t now = done.load();
            if (observer != nullptr && !observer->replicatesDone(now, boot.replicates))
                stop.store(true);
            if (now >= boot.replicates || stop.load())
                break;
            progressed.wait_for(lock, std::chrono::milliseconds(200),
                                [&] { return done.load() >= boot.replicates || stop.load(); });
        }
    }
    for (auto& t : pool)
        t.join();
    if (outOfMemory)
        return Status::failed("There is not enough memory for the bootstrap.");
    if (stop.load())
        return Status::cancelled();

    out = BootstrapResult{};
    out.settings = boot;
    std::vector<std::size_t> kept;
    for (std::size_t r = 0; r < replicates; ++r) {
        if (used[r])
            kept.push_back(r);
    }
    out.used = std::int32_t(kept.size());
    out.split = boot.replicates - out.used;
    if (kept.empty())
        return Status::ok();

    // Ranks replicate by replicate, then the percentile points species by species.
    std::vector<std::int32_t> rankOf(kept.size() * species);
    std::vector<double> row(species);
    for (std::size_t u = 0; u < kept.size(); ++u) {
        std::copy_n(values.begin() + kept[u] * species, species, row.begin());
        const auto r = ranks(row);
        std::copy(r.begin(), r.end(), rankOf.begin() + u * species);
    }
    const double pLo = (1 - boot.level) / 2;
    const double pHi = (1 + boot.level) / 2;
    out.valueLo.resize(species);
    out.valueHi.resize(species);
    out.rankLo.resize(species);
    out.rankHi.resize(species);
    out.valueSd.resize(species);
    std::vector<double> v(kept.size());
    std::vector<double> rk(kept.size());
    for (std::size_t s = 0; s < species; ++s) {
        double mean = 0;
        for (std::size_t u = 0; u < kept.size(); ++u) {
            v[u] = values[kept[u] * species + s];
            rk[u] = rankOf[u * species + s];
            mean += v[u];
        }
        mean /= double(kept.size());
        double squares = 0;
        for (const double x : v)
            squares += (x - mean) * (x - mean);
        out.valueSd[s] = kept.size() > 1 ? std::sqrt(squares / double(kept.size() - 1)) : 0.0;
        std::sort(v.begin(), v.end());
        std::sort(rk.begin(), rk.end());
        out.valueLo[s] = quantile7(v, pLo);
        out.valueHi[s] = quantile7(v, pHi);
        out.rankLo[s] = quantile7(rk, pLo);
        out.rankHi[s] = quantile7(rk, pHi);
    }
    return Status::ok();
}

} // namespace

Status bootstrap(const DataTable& table, const AnalysisSettings& settings,
                 const AnalysisResult& full, const BootstrapSettings& boot, BootstrapResult& out,
                 BootstrapObserver* observer) {
    (void)settings;
    if (boot.replicates < 1)
        return Status::failed("The number of bootstrap replicates must be at least 1.");
    if (!(boot.level > 0 && boot.level < 1))
        return Status::failed("The confidence level must lie between 0 and 1.");
    if (full.curvec.empty() || full.pairs.n != std::int32_t(full.curvec.size()))
        return Status::failed("The bootstrap needs a finished analysis.");
    try {
        return runBootstrap(table, full, boot, out, observer);
    } catch (const std::bad_alloc&) {
        return Status::failed("There is not enough memory for the bootstrap.");
    }
}

} // namespace sscm
