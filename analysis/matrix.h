#pragma once

#include "analysis/outfile.h"
#include "data/status.h"
#include "data/window.h"

#include <cstdint>
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

/// Keeps the rows and columns of the species `kept` (ascending), in their order, and drops the
/// others: one pass over the kept cells, in place.
void compactMatrices(Matrices& m, const std::vector<std::int32_t>& kept);

/// The low-occurrence removal: for each species in turn, processing the window's events first,
/// reads the threshold anew from Text5 and drops the species when it occurs in no more cases
/// than the threshold, writing "<name> deleted" to the log; then the empty line and the two
/// species counts. Compacts the matrices, `spname` and `spfreq` to the species kept. Fails when
/// the threshold is not a number or when no species is left.
Status removeLowOccurrence(Window& w, OutFile& log, Matrices& m,
                           std::vector<std::string_view>& spname, std::vector<std::int32_t>& spfreq,
                           const std::vector<std::int32_t>& spocc);

} // namespace sscm
