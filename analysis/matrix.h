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

/// Keeps the rows and columns of the species `kept` (ascending), in their order, and drops the
/// others: one pass over the kept cells, in place.
void compactMatrices(Matrices& m, const std::vector<std::int32_t>& kept);

/// Keeps the species `kept` (ascending) of the matrices and of the lists of names and rows.
void keepSpecies(Matrices& m, const std::vector<std::int32_t>& kept,
                 std::vector<std::string_view>& spname, std::vector<std::int32_t>& spfreq);

/// The low-occurrence removal pass: for each species in turn, after the observer's proceed(),
/// reads the threshold anew through `lowlimit` (the user may change it while the pass runs) and
/// puts the species into `removed` when it occurs in no more cases than the threshold, else into
/// `kept`. Fails when a threshold text is not a number; the species decided before stay listed.
/// `lastLimit` receives the last threshold text read.
Status removeLowOccurrence(RunObserver& obs, const std::function<std::string()>& lowlimit,
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
