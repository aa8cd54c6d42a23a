#pragma once

#include "analysis/analysis.h"
#include "analysis/outfile.h"
#include "data/status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// The species-by-species comparison matrices, row-major, rows the first species of a record
/// and columns the second; 0-based.
struct Matrices {
    /// Number of species (rows and columns).
    std::int32_t n = 0;
    /// Sum of the comparison codes of species i against species j; after the mean step, the
    /// mean code of every compared pair and the mean of all means elsewhere.
    std::vector<double> compsum;
    /// Number of comparisons of species i against species j.
    std::vector<double> compn;

    void reset(std::int32_t species) {
        n = species;
        compsum.assign(std::size_t(species) * std::size_t(species), 0.0);
        compn.assign(std::size_t(species) * std::size_t(species), 0.0);
    }
    double& sum(std::int32_t i, std::int32_t j) { return compsum[at(i, j)]; }
    double sum(std::int32_t i, std::int32_t j) const { return compsum[at(i, j)]; }
    double& count(std::int32_t i, std::int32_t j) { return compn[at(i, j)]; }
    double count(std::int32_t i, std::int32_t j) const { return compn[at(i, j)]; }

private:
    std::size_t at(std::int32_t i, std::int32_t j) const {
        return std::size_t(i) * std::size_t(n) + std::size_t(j);
    }
};

/// The within-case comparisons pooled per unordered pair of species, before the matrices are
/// built: the code sum of species a against species b (a < b) determines the sum of b against a,
/// since each pair of rows gives the codes c and 4 - c in its two orders; and every pair of rows
/// of one species in a case gives 2 on average, so a species' own cell needs only its count.
/// All totals are whole numbers, exact in any order of pooling.
struct PooledComparisons {
    /// Number of species.
    std::int32_t n = 0;
    /// Whether each cell holds both totals, the code sum in the high 32 bits and the count in the
    /// low 32 bits (while the records are few enough for 32 bits each); else `cells` holds the
    /// counts and `sums` the code sums.
    bool packed = true;
    /// The pairs a < b, row by row: entry rowBase(a) + b.
    std::vector<std::uint64_t> cells;
    std::vector<std::uint64_t> sums;
    /// Number of ordered pairs of rows of each species with itself, within cases.
    std::vector<std::uint64_t> self;

    /// Sized to `species` species, all totals 0.
    void reset(std::int32_t species, bool packedCells);
    /// First entry of row a, less a + 1 (in unsigned arithmetic): the entry of (a, b), a < b, is
    /// rowBase(a) + b.
    std::size_t rowBase(std::int32_t a) const {
        const auto k = std::size_t(a);
        return k * std::size_t(n) - k * (k + 1) / 2 - k - 1;
    }
};

/// The matrices of the species `kept` (ascending, indices into the pooled species), in their
/// order: for kept species i and j the count and code sum of i against j.
void keptMatrices(const PooledComparisons& p, const std::vector<std::int32_t>& kept, Matrices& m);

/// Keeps the species `kept` (ascending) of the lists of names and row counts, and builds their
/// matrices from the pooled comparisons.
void keepSpecies(const PooledComparisons& p, const std::vector<std::int32_t>& kept, Matrices& m,
                 std::vector<std::string_view>& spname, std::vector<std::int32_t>& spfreq);

/// The low-occurrence removal pass: for each species in turn, after proceed(),
/// reads the threshold anew through `lowlimit` (the user may change it while the pass runs) and
/// puts the species into `removed` when it occurs in no more cases than the threshold, else into
/// `kept`. Fails when a threshold text is not a number; the species decided before stay listed.
/// `lastLimit` receives the last threshold text read.
Status removeLowOccurrence(Progress& obs, const std::function<std::string()>& lowlimit,
                           const std::vector<std::int32_t>& spocc, std::vector<std::int32_t>& kept,
                           std::vector<std::int32_t>& removed, std::string& lastLimit);

/// The log's removal section: "<name> deleted" for each removed species (indices into spname,
/// ascending); then, when the pass was complete, an empty line, "Number of all species: " and
/// "Number of species used: " with the counts in print form.
void writeRemovalLog(OutFile& log, const std::vector<std::string_view>& spname,
                     const std::vector<std::int32_t>& removed, bool complete, std::int32_t total,
                     std::int32_t used);

/// The failure of a removal that left no species.
Status noSpeciesLeft(std::int32_t total, const std::string& lowlimit);

} // namespace sscm
