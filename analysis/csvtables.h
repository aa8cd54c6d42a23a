#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "analysis/counts.h"
#include "analysis/groups.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sscm {

// Tables of a finished analysis for other tools (R, Python, spreadsheets) as CSV text: a header
// line, LF line ends, names quoted only where needed, numbers as the shortest text that reads
// back to the same double.

/// The spectrum table as numbers: one row per kept species in rank order (ties in species order),
/// the rows that spectrum.csv writes, R returns and the window's results table shows. A number
/// that is missing (no interval, no next species) is NaN.
struct SpectrumRows {
    struct Row {
        /// The kept species (index into spname), its value and rank (1 + the larger values).
        std::int32_t species = 0;
        double value = 0;
        std::int32_t rank = 0;
        std::int32_t group = 0;
        double valueLo = 0, valueHi = 0, rankLo = 0, rankHi = 0, valueSd = 0;
        double pAboveNext = 0, btAbility = 0;
        std::int32_t btRank = 0;
        double btLo = 0, btHi = 0, btRankLo = 0, btRankHi = 0;
    };
    /// Which optional columns the table has: the intervals filled (value_lo to value_sd; the
    /// columns stand in the table either way), p_above_next (a bootstrap), bt_ability and
    /// bt_rank (the model), bt_lo to bt_rank_hi (both), group.
    bool intervals = false;
    bool boot = false;
    bool model = false;
    bool group = false;
    std::vector<Row> rows;
};

/// The rows of a whole run's spectrum, with the intervals of `boot` and the model `bt` when
/// given; `group` > 0 adds a group column holding it (a connected network is one group).
SpectrumRows spectrumRows(const AnalysisResult& full, const BootstrapResult* boot,
                          const BtRanking* bt = nullptr, std::int32_t group = 0);
/// The rows of a per-group run: the groups in order, each in its own rank order with ranks
/// counted within the group, groups numbered from 1.
SpectrumRows groupSpectrumRows(const SpeciesGroups& groups,
                               const std::vector<GroupSpectrum>& spectra);
/// `rows` as spectrum.csv.
std::string spectrumCsv(const AnalysisResult& full, const SpectrumRows& rows);

/// The spectrum table: header species,value,rank,cases,rows,value_lo,value_hi,rank_lo,rank_hi,
/// value_sd and one line per kept species in rank order (ties in species order); the interval
/// columns are empty when `boot` is null or used no replicate. A bootstrap adds p_above_next
/// (empty for the last species); the model `bt` adds bt_ability,bt_rank and, with a bootstrap,
/// bt_lo,bt_hi,bt_rank_lo,bt_rank_hi.
std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot,
                          const BtRanking* bt = nullptr);
/// The same with a last column `group` that holds `group` on every line: a connected network
/// ranked group by group is one group.
std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot,
                          std::int32_t group, const BtRanking* bt = nullptr);

/// dominance.csv: species_a,species_b,p_a_above_b for the pairs of `boot.dominance`.
std::string dominanceTable(const AnalysisResult& result, const BootstrapResult& boot);
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

} // namespace sscm
