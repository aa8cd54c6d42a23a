#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sscm {

// Tables of a finished analysis for other tools (R, Python, spreadsheets): plain data first, then
// the same as CSV text (header line, LF line ends, names quoted only where needed, numbers as the
// shortest text that reads back to the same double). Species are referred to by their index in
// the result's kept species (`AnalysisResult::spname`), cases by their index in
// `AnalysisResult::casename`; both 0-based.

/// The within-case comparisons of one unordered pair of kept species, a before b in kept order:
/// counted over the unordered pairs of rows of the two species within each case.
struct PairCounts {
    std::int32_t a = 0;
    std::int32_t b = 0;
    /// Row pairs in which a's intensity was the higher, equal to b's, or lower.
    std::int64_t aHigher = 0;
    std::int64_t ties = 0;
    std::int64_t bHigher = 0;
    /// Cases in which both species occur.
    std::int32_t cases = 0;
};

/// The rows and species of one case.
struct CaseCounts {
    std::int32_t rows = 0;
    /// Distinct species of the case, and those of them kept after the low-occurrence removal.
    std::int32_t species = 0;
    std::int32_t speciesKept = 0;
};

/// The groups of kept species linked through shared cases: the connected components of the
/// compared pairs. Group 0 is the largest (among equal sizes, the one whose first species comes
/// first).
struct SpeciesGroups {
    /// Group of each kept species.
    std::vector<std::int32_t> group;
    /// Kept species of each group, in kept order.
    std::vector<std::vector<std::int32_t>> species;
    /// Cases in which a species of the group occurs, in case order. A case links all its kept
    /// species, so the groups share no case; a case with no kept species is in no group.
    std::vector<std::vector<std::int32_t>> cases;
};

/// One group of two or more species ranked on its own: its compared pairs, the fill rule and the
/// iteration of a whole run, as if the data held only the group's cases.
struct GroupSpectrum {
    /// Index of the group in SpeciesGroups.
    std::int32_t group = 0;
    /// Palatability values (unit length) in the order of the group's species, the last iterate
    /// before the final normalisation, the steps taken, the last mean change, and the mean of the
    /// group's mean codes (the fill of its matrix).
    std::vector<double> curvec;
    std::vector<double> nextvec;
    std::int32_t steps = 0;
    double change = 0;
    double fill = 0;
};

/// Pair counts of every unordered pair of kept species compared in at least one case, ordered by
/// a, then b. `result` must come from an analysis of `table` that reached the compared pairs
/// (a finished run or a split network). Fails when the table does not match the result.
Status pairCounts(const DataTable& table, const AnalysisResult& result,
                  std::vector<PairCounts>& out);

/// Rows, species and kept species of every case, in case order.
Status caseCounts(const DataTable& table, const AnalysisResult& result,
                  std::vector<CaseCounts>& out);

/// The groups of the kept species over the compared pairs (one group when the network is
/// connected), with the cases of each.
Status speciesGroups(const DataTable& table, const AnalysisResult& result, SpeciesGroups& out);

/// The message of a split network: its first line "No common species between cases", then how
/// many groups share no case and, largest first, each group's size with its first few species
/// and cases. Lines end with LF, the last one without.
std::string splitNetworkMessage(const AnalysisResult& result, const SpeciesGroups& groups);

/// The failure of a split network for a result filled up to the compared pairs: Code::SplitNetwork
/// with splitNetworkMessage (only its first line when the table does not match the result).
Status splitNetworkStatus(const DataTable& table, const AnalysisResult& result);

/// Ranks each group of two or more species on its own (groups of one species are skipped), in
/// group order. `observer` may be null.
Status rankGroups(const AnalysisResult& result, const SpeciesGroups& groups,
                  std::vector<GroupSpectrum>& out, Progress* observer = nullptr);

/// pairs.csv: species_a,species_b,a_higher,ties,b_higher,cases.
std::string pairsTable(const AnalysisResult& result, const std::vector<PairCounts>& pairs);
/// matrix.csv: species_a,species_b,comparisons,mean_code for every compared ordered pair of the
/// mean matrix (the diagonal included), row by row in kept order.
std::string matrixTable(const AnalysisResult& result);
/// cases.csv: case,rows,species,species_kept.
std::string casesTable(const AnalysisResult& result, const std::vector<CaseCounts>& cases);
/// groups.csv: species,group,group_species,group_cases; groups numbered from 1, largest first,
/// species in kept order within a group.
std::string groupsTable(const AnalysisResult& result, const SpeciesGroups& groups);
/// spectrum.csv of a per-group run: the spectrum table's columns and a last column `group`; the
/// groups in order, each in its own rank order with ranks counted within the group.
std::string groupSpectrumTable(const AnalysisResult& result, const SpeciesGroups& groups,
                               const std::vector<GroupSpectrum>& spectra);
/// Appends the CSV records of `table` (a line break inside quotes belongs to its field) with a
/// last field: "group" on the header line (only when `withHeader`), `group` on the others.
void appendGroupColumn(std::string& out, const std::string& table, std::int32_t group,
                       bool withHeader);

} // namespace sscm
