#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <vector>

namespace sscm {

/// The comparisons of the kept species of a finished run, prepared once for its bootstrap: per
/// unordered pair of species (a <= b) that met in the full data, the cases where they met, with
/// the number of ordered pairs of rows (a's row first) and the sum of their codes in each. A
/// replicate's totals are then sums of whole numbers, exact in any order.
struct Prepared {
    std::int32_t species = 0;
    std::int32_t casen = 0;
    /// Ordered compared pairs of the full run (rows by first species, ascending second species);
    /// entry k belongs to the unordered pair pairOf[k], seen from its second species when
    /// flipped[k].
    const PairTable* full = nullptr;
    std::vector<std::int32_t> pairOf;
    std::vector<std::uint8_t> flipped;
    /// First species of entry k.
    std::vector<std::int32_t> rowOf;
    /// Unordered pairs: species a <= b.
    std::vector<std::int32_t> pairA;
    std::vector<std::int32_t> pairB;
    /// Case entries of pair p: [pairStart[p], pairStart[p+1]), cases ascending.
    std::vector<std::int64_t> pairStart;
    std::vector<std::int32_t> entryCase;
    std::vector<std::int32_t> entryCount;
    std::vector<std::int32_t> entrySum;
    /// The cases of each species: [speciesStart[s], speciesStart[s+1]) of speciesCase.
    std::vector<std::int32_t> speciesStart;
    std::vector<std::int32_t> speciesCase;
};

/// Prepares the comparisons of `full`, a finished run on `table`. `p` refers to full.pairs.
Status prepare(const DataTable& table, const AnalysisResult& full, Prepared& p);

/// Whether every species has at least one of its cases among the drawn ones.
bool everySpeciesDrawn(const Prepared& p, const std::vector<std::int32_t>& multiplicity);

} // namespace sscm
