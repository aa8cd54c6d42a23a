#include "analysis/btmodel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>
#include <string>

namespace sscm {

namespace {

/// Edges of a directed graph as arrays: the edges of node i are [start[i], start[i+1]) in `to`.
struct Adjacency {
    std::vector<std::int64_t> start;
    std::vector<std::int32_t> to;
};

/// "a beat b" edges (forward) or their reverse, in the order of the pairs.
Adjacency winGraph(std::int32_t species, const std::vector<BtPair>& pairs, bool reverse) {
    Adjacency g;
    g.start.assign(std::size_t(species) + 1, 0);
    auto addEdges = [&](auto&& emit) {
        for (const BtPair& p : pairs) {
            if (p.winsA > 0)
                reverse ? emit(p.b, p.a) : emit(p.a, p.b);
            if (p.winsB > 0)
                reverse ? emit(p.a, p.b) : emit(p.b, p.a);
        }
    };
    addEdges([&](std::int32_t from, std::int32_t) { ++g.start[std::size_t(from) + 1]; });
    for (std::size_t i = 0; i < std::size_t(species); ++i)
        g.start[i + 1] += g.start[i];
    g.to.resize(std::size_t(g.start.back()));
    std::vector<std::int64_t> fill(g.start.begin(), g.start.end() - 1);
    addEdges([&](std::int32_t from, std::int32_t to) {
        g.to[std::size_t(fill[std::size_t(from)]++)] = to;
    });
    return g;
}

std::string speciesList(const std::vector<std::int32_t>& s) {
    std::string t;
    for (std::size_t i = 0; i < s.size() && i < 10; ++i)
        t += (i ? ", " : "") + std::to_string(s[i] + 1);
    if (s.size() > 10)
        t += ", ...";
    return t;
}

/// Strongly connected components of the win graph by Kosaraju's two passes, iteratively; the
/// component of each species is returned, numbered in the order found.
std::vector<std::int32_t> components(const Adjacency& fwd, const Adjacency& rev,
                                     std::int32_t& count) {
    const auto n = fwd.start.size() - 1;
    std::vector<std::int32_t> order;
    order.reserve(n);
    std::vector<char> seen(n, 0);
    std::vector<std::pair<std::int32_t, std::int64_t>> stack;
    for (std::size_t s = 0; s < n; ++s) {
        if (seen[s])
            continue;
        seen[s] = 1;
        stack.emplace_back(std::int32_t(s), fwd.start[s]);
        while (!stack.empty()) {
            auto& [v, e] = stack.back();
            if (e < fwd.start[std::size_t(v) + 1]) {
                const std::int32_t w = fwd.to[std::size_t(e++)];
                if (!seen[std::size_t(w)]) {
                    seen[std::size_t(w)] = 1;
                    stack.emplace_back(w, fwd.start[std::size_t(w)]);
                }
            } else {
                order.push_back(v);
                stack.pop_back();
            }
        }
    }
    std::vector<std::int32_t> comp(n, -1);
    std::vector<std::int32_t> todo;
    count = 0;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (comp[std::size_t(*it)] >= 0)
            continue;
        comp[std::size_t(*it)] = count;
        todo.push_back(*it);
        while (!todo.empty()) {
            const std::int32_t v = todo.back();
            todo.pop_back();
            for (auto e = rev.start[std::size_t(v)]; e < rev.start[std::size_t(v) + 1]; ++e) {
                const std::int32_t w = rev.to[std::size_t(e)];
                if (comp[std::size_t(w)] < 0) {
                    comp[std::size_t(w)] = count;
                    todo.push_back(w);
                }
            }
        }
        ++count;
    }
    return comp;
}

/// Ranks from 1 for the smallest value, tied values given the mean of their ranks.
std::vector<double> midRanks(const std::vector<double>& x) {
    std::vector<std::size_t> idx(x.size());
    std::iota(idx.begin(), idx.end(), std::size_t(0));
    std::stable_sort(idx.begin(), idx.end(),
                     [&](std::size_t i, std::size_t j) { return x[i] < x[j]; });
    std::vector<double> r(x.size());
    for (std::size_t i = 0; i < idx.size();) {
        std::size_t j = i;
        while (j + 1 < idx.size() && x[idx[j + 1]] == x[idx[i]])
            ++j;
        const double mean = double(i + j) / 2 + 1;
        for (std::size_t k = i; k <= j; ++k)
            r[idx[k]] = mean;
        i = j + 1;
    }
    return r;
}

Status checkVectors(const std::vector<double>& x, const std::vector<double>& y) {
    if (x.size() != y.size())
        return Status::failed("The two score vectors differ in length.");
    if (x.size() < 2)
        return Status::failed("A correlation needs at least two species.");
    return Status::ok();
}

} // namespace

std::vector<BtPair> btPairs(const std::vector<PairCounts>& counts) {
    std::vector<BtPair> out;
    out.reserve(counts.size());
    for (const PairCounts& c : counts) {
        if (c.aHigher + c.ties + c.bHigher == 0)
            continue;
        const double half = double(c.ties) / 2;
        out.push_back({c.a, c.b, double(c.aHigher) + half, double(c.bHigher) + half});
    }
    return out;
}

std::vector<BtPair> btPairs(const PairTable& pairs) {
    std::vector<BtPair> out;
    for (std::size_t a = 0; a + 1 < pairs.start.size(); ++a) {
        for (auto k = std::size_t(pairs.start[a]); k < std::size_t(pairs.start[a + 1]); ++k) {
            const auto b = std::size_t(pairs.col[k]);
            if (b <= a || pairs.count[k] == 0)
                continue;
            // The mean is the whole-number code sum over the count, so the sum comes back exactly.
            const double n = pairs.count[k];
            out.push_back(
                btPair(std::int32_t(a), std::int32_t(b), n, std::round(pairs.mean[k] * n)));
        }
    }
    return out;
}

Status fitBradleyTerry(std::int32_t species, const std::vector<BtPair>& pairs, BtFit& out) {
    out = BtFit{};
    if (species < 1)
        return Status::failed("The model needs at least one species.");
    for (const BtPair& p : pairs) {
        if (p.a < 0 || p.b < 0 || p.a >= species || p.b >= species || p.a == p.b)
            return Status::failed("A compared pair names species " + std::to_string(p.a + 1) +
                                  " and " + std::to_string(p.b + 1) + " of " +
                                  std::to_string(species) + ".");
        if (!(p.winsA >= 0) || !(p.winsB >= 0) || !std::isfinite(p.winsA + p.winsB))
            return Status::failed("The pair of species " + std::to_string(p.a + 1) + " and " +
                                  std::to_string(p.b + 1) + " has a negative count.");
    }
    const auto n = std::size_t(species);
    const Adjacency fwd = winGraph(species, pairs, false);
    const Adjacency rev = winGraph(species, pairs, true);

    // Every species must be linked to the first through compared pairs in either direction.
    std::vector<char> linked(n, 0);
    std::vector<std::int32_t> todo{0};
    linked[0] = 1;
    while (!todo.empty()) {
        const std::int32_t v = todo.back();
        todo.pop_back();
        for (const Adjacency* g : {&fwd, &rev})
            for (auto e = g->start[std::size_t(v)]; e < g->start[std::size_t(v) + 1]; ++e) {
                const std::int32_t w = g->to[std::size_t(e)];
                if (!linked[std::size_t(w)]) {
                    linked[std::size_t(w)] = 1;
                    todo.push_back(w);
                }
            }
    }
    std::vector<std::int32_t> alone, apart;
    for (std::size_t i = 0; i < n; ++i) {
        if (fwd.start[i] == fwd.start[i + 1] && rev.start[i] == rev.start[i + 1])
            alone.push_back(std::int32_t(i));
        else if (!linked[i])
            apart.push_back(std::int32_t(i));
    }
    if (!alone.empty() && n > 1)
        return Status::failed("Species without any comparison: " + speciesList(alone) + ".");
    if (!apart.empty())
        return Status::failed("The species are not all linked through compared pairs; not "
                              "linked to the first: " +
                              speciesList(apart) + ".");

    std::int32_t count = 0;
    const std::vector<std::int32_t> comp = components(fwd, rev, count);
    std::vector<BtPair> adjusted;
    const std::vector<BtPair>* use = &pairs;
    if (count > 1) {
        out.mleExists = false;
        std::vector<char> beaten(std::size_t(count), 0), beating(std::size_t(count), 0);
        for (std::size_t v = 0; v < n; ++v)
            for (auto e = fwd.start[v]; e < fwd.start[v + 1]; ++e) {
                const auto w = std::size_t(fwd.to[std::size_t(e)]);
                if (comp[v] != comp[w]) {
                    beating[std::size_t(comp[v])] = 1;
                    beaten[std::size_t(comp[w])] = 1;
                }
            }
        for (std::size_t v = 0; v < n; ++v) {
            if (!beaten[std::size_t(comp[v])])
                out.unboundedHigh.push_back(std::int32_t(v));
            if (!beating[std::size_t(comp[v])])
                out.unboundedLow.push_back(std::int32_t(v));
        }
        adjusted = pairs;
        for (BtPair& p : adjusted) {
            p.winsA += kBtPseudoWins;
            p.winsB += kBtPseudoWins;
        }
        use = &adjusted;
    }

    out.ability.assign(n, 0.0);
    if (n == 1) {
        out.converged = true;
        return Status::ok();
    }
    std::vector<double> p(n), num(n), den(n);
    // One step of the iteration from the centred log-abilities `from` to `to`, centred; returns
    // the largest change of a log-ability.
    auto step = [&](const std::vector<double>& from, std::vector<double>& to) {
        for (std::size_t i = 0; i < n; ++i)
            p[i] = std::exp(from[i]);
        std::fill(num.begin(), num.end(), 0.0);
        std::fill(den.begin(), den.end(), 0.0);
        for (const BtPair& q : *use) {
            const auto a = std::size_t(q.a), b = std::size_t(q.b);
            const double s = 1.0 / (p[a] + p[b]);
            num[a] += q.winsA * p[b] * s;
            den[a] += q.winsB * s;
            num[b] += q.winsB * p[a] * s;
            den[b] += q.winsA * s;
        }
        double mean = 0;
        for (std::size_t i = 0; i < n; ++i) {
            to[i] = std::log(num[i] / den[i]);
            mean += to[i];
        }
        mean /= double(n);
        double change = 0;
        for (std::size_t i = 0; i < n; ++i) {
            to[i] -= mean;
            change = std::max(change, std::abs(to[i] - from[i]));
        }
        ++out.steps;
        return change;
    };
    // The steps are accelerated by squared extrapolation (SQUAREM, Varadhan and Roland 2008):
    // two steps from x give r = x1 - x and v = x2 - 2 x1 + x, and the next cycle starts from
    // x - 2a r + a^2 v with a = -|r| / |v| (at most -1; a = -1 gives x2). An extrapolation whose
    // next step changes the abilities more than the cycle before did is dropped for x2. The fit
    // stops, as without it, once one step changes no log-ability by more than kBtTolerance.
    std::vector<double> x(n, 0.0), x1(n), x2(n), fallback(n);
    double before = std::numeric_limits<double>::infinity();
    bool extrapolated = false;
    while (out.steps < kBtMaxSteps) {
        const double c1 = step(x, x1);
        if (c1 < kBtTolerance) {
            out.ability = x1;
            out.converged = true;
            break;
        }
        if (extrapolated && c1 > before) {
            x = fallback;
            extrapolated = false;
            continue;
        }
        before = c1;
        const double c2 = step(x1, x2);
        if (c2 < kBtTolerance) {
            out.ability = x2;
            out.converged = true;
            break;
        }
        double rr = 0, vv = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double r = x1[i] - x[i];
            const double v = x2[i] - x1[i] - r;
            rr += r * r;
            vv += v * v;
        }
        const double a = vv > 0 ? std::min(-1.0, -std::sqrt(rr / vv)) : -1.0;
        extrapolated = a < -1.0;
        if (!extrapolated) {
            x.swap(x2);
            continue;
        }
        fallback = x2;
        double mean = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double r = x1[i] - x[i];
            const double v = x2[i] - x1[i] - r;
            x[i] = x[i] - 2 * a * r + a * a * v;
            mean += x[i];
        }
        mean /= double(n);
        bool finite = std::isfinite(mean);
        for (std::size_t i = 0; i < n; ++i) {
            x[i] -= mean;
            // Beyond this an ability's exp() would lose the others' scale.
            finite = finite && std::abs(x[i]) < 300;
        }
        if (!finite) {
            x = fallback;
            extrapolated = false;
        }
    }
    if (!out.converged)
        out.ability = x;
    return Status::ok();
}

Status spearman(const std::vector<double>& x, const std::vector<double>& y, double& rho) {
    if (Status st = checkVectors(x, y); !st)
        return st;
    const std::vector<double> rx = midRanks(x), ry = midRanks(y);
    // Both rank vectors have the mean (n + 1) / 2.
    const double mean = (double(x.size()) + 1) / 2;
    double sxy = 0, sxx = 0, syy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double dx = rx[i] - mean, dy = ry[i] - mean;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    if (sxx == 0 || syy == 0)
        return Status::failed("A score vector has all values equal.");
    rho = sxy / std::sqrt(sxx * syy);
    return Status::ok();
}

Status kendallTauB(const std::vector<double>& x, const std::vector<double>& y, double& tau) {
    if (Status st = checkVectors(x, y); !st)
        return st;
    std::int64_t concordant = 0, discordant = 0, tiedX = 0, tiedY = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        for (std::size_t j = i + 1; j < x.size(); ++j) {
            const int dx = (x[i] > x[j]) - (x[i] < x[j]);
            const int dy = (y[i] > y[j]) - (y[i] < y[j]);
            tiedX += dx == 0;
            tiedY += dy == 0;
            if (dx * dy > 0)
                ++concordant;
            else if (dx * dy < 0)
                ++discordant;
        }
    const auto all = std::int64_t(x.size()) * std::int64_t(x.size() - 1) / 2;
    if (tiedX == all || tiedY == all)
        return Status::failed("A score vector has all values equal.");
    tau = double(concordant - discordant) / std::sqrt(double(all - tiedX) * double(all - tiedY));
    return Status::ok();
}

double rankShiftLimit(std::size_t species) {
    return std::max(3.0, double(species) / 10);
}

Status rankShifts(const std::vector<double>& x, const std::vector<double>& y,
                  std::vector<std::int32_t>& out) {
    out.clear();
    if (x.size() != y.size())
        return Status::failed("The two score vectors differ in length.");
    const std::vector<double> rx = midRanks(x), ry = midRanks(y);
    const double limit = rankShiftLimit(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::abs(rx[i] - ry[i]) > limit)
            out.push_back(std::int32_t(i));
    return Status::ok();
}

} // namespace sscm
