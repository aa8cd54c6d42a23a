#include "analysis/csvtables.h"

#include "analysis/csv.h"
#include "analysis/rankorder.h"

#include <cmath>
#include <string_view>

namespace sscm {

namespace {

constexpr std::string_view kSpectrumHeader =
    "species,value,rank,cases,rows,value_lo,value_hi,rank_lo,rank_hi,value_sd";

// The columns a bootstrap and the model add after value_sd.
std::string extraHeader(const BootstrapResult* boot, const BtRanking* bt) {
    std::string h;
    if (boot != nullptr)
        h += ",p_above_next";
    if (bt != nullptr)
        h += ",bt_ability,bt_rank";
    if (bt != nullptr && boot != nullptr)
        h += ",bt_lo,bt_hi,bt_rank_lo,bt_rank_hi";
    return h;
}

// A number, or nothing for a missing one (a NaN, an empty column).
void appendOptional(std::string& out, const std::vector<double>& column, std::size_t s) {
    out += ',';
    if (s < column.size() && !std::isnan(column[s]))
        appendShortest(out, column[s]);
}

// The spectrum lines of the kept species `species` of `full` (all of them, in kept order, when
// null) with their values `values`, in rank order of those values and ranked among them.
// `groupField` (",3", or empty for no group column) ends each line. `boot` adds p_above_next,
// `bt` the model's columns (with `boot` its intervals too): see extraHeader().
void appendSpectrumLines(std::string& out, const AnalysisResult& full,
                         const std::vector<std::int32_t>* species,
                         const std::vector<double>& values, const BootstrapResult* boot,
                         std::string_view groupField, const BtRanking* bt = nullptr) {
    const std::vector<std::int32_t> rank = ranks(values);
    const bool intervals = boot != nullptr && boot->used > 0;
    static const std::vector<double> kNone;
    for (const std::int32_t k : rankOrder(values)) {
        const auto s = std::size_t(species != nullptr ? (*species)[std::size_t(k)] : k);
        appendCsvField(out, full.spname[s]);
        out += ',';
        appendShortest(out, values[std::size_t(k)]);
        out += ',' + std::to_string(rank[std::size_t(k)]) + ',' + std::to_string(full.spocc[s]) +
               ',' + std::to_string(full.spfreq[s]) + ',';
        if (intervals) {
            for (const auto* column :
                 {&boot->valueLo, &boot->valueHi, &boot->rankLo, &boot->rankHi, &boot->valueSd}) {
                appendShortest(out, (*column)[s]);
                if (column != &boot->valueSd)
                    out += ',';
            }
        } else {
            out += ",,,,";
        }
        if (boot != nullptr)
            appendOptional(out, boot->pAboveNext, s);
        if (bt != nullptr) {
            appendOptional(out, bt->fit.ability, s);
            out += ',' + std::to_string(bt->rank[s]);
        }
        if (bt != nullptr && boot != nullptr)
            for (const auto* column : {&boot->btLo, &boot->btHi, &boot->btRankLo, &boot->btRankHi})
                appendOptional(out, intervals ? *column : kNone, s);
        out += groupField;
        out += '\n';
    }
}

void appendInt(std::string& out, std::int64_t v) {
    out += std::to_string(v);
}

} // namespace

std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot,
                          const BtRanking* bt) {
    std::string out(kSpectrumHeader);
    out += extraHeader(boot, bt) + '\n';
    appendSpectrumLines(out, full, nullptr, full.curvec, boot, {}, bt);
    return out;
}

std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot,
                          std::int32_t group, const BtRanking* bt) {
    std::string out(kSpectrumHeader);
    out += extraHeader(boot, bt) + ",group\n";
    appendSpectrumLines(out, full, nullptr, full.curvec, boot, "," + std::to_string(group), bt);
    return out;
}

std::string groupSpectrumTable(const AnalysisResult& result, const SpeciesGroups& groups,
                               const std::vector<GroupSpectrum>& spectra) {
    std::string out(kSpectrumHeader);
    out += ",group\n";
    for (const GroupSpectrum& gs : spectra)
        appendSpectrumLines(out, result, &groups.species[std::size_t(gs.group)], gs.curvec, nullptr,
                            "," + std::to_string(gs.group + 1));
    return out;
}

std::string dominanceTable(const AnalysisResult& result, const BootstrapResult& boot) {
    std::string out = "species_a,species_b,p_a_above_b\n";
    for (const Dominance& d : boot.dominance) {
        appendCsvField(out, result.spname[std::size_t(d.a)]);
        out += ',';
        appendCsvField(out, result.spname[std::size_t(d.b)]);
        out += ',';
        appendShortest(out, d.pAbove);
        out += '\n';
    }
    return out;
}

std::string pairsTable(const AnalysisResult& result, const std::vector<PairCounts>& pairs) {
    std::string out = "species_a,species_b,a_higher,ties,b_higher,cases\n";
    for (const PairCounts& p : pairs) {
        appendCsvField(out, result.spname[std::size_t(p.a)]);
        out += ',';
        appendCsvField(out, result.spname[std::size_t(p.b)]);
        out += ',';
        appendInt(out, p.aHigher);
        out += ',';
        appendInt(out, p.ties);
        out += ',';
        appendInt(out, p.bHigher);
        out += ',';
        appendInt(out, p.cases);
        out += '\n';
    }
    return out;
}

std::string matrixTable(const AnalysisResult& result) {
    std::string out = "species_a,species_b,comparisons,mean_code\n";
    const PairTable& p = result.pairs;
    for (std::size_t i = 0; i + 1 < p.start.size(); ++i) {
        for (auto k = std::size_t(p.start[i]); k < std::size_t(p.start[i + 1]); ++k) {
            appendCsvField(out, result.spname[i]);
            out += ',';
            appendCsvField(out, result.spname[std::size_t(p.col[k])]);
            out += ',';
            appendShortest(out, p.count[k]);
            out += ',';
            appendShortest(out, p.mean[k]);
            out += '\n';
        }
    }
    return out;
}

std::string casesTable(const AnalysisResult& result, const std::vector<CaseCounts>& cases) {
    std::string out = "case,rows,species,species_kept\n";
    for (std::size_t c = 0; c < cases.size() && c < result.casename.size(); ++c) {
        appendCsvField(out, result.casename[c]);
        out += ',';
        appendInt(out, cases[c].rows);
        out += ',';
        appendInt(out, cases[c].species);
        out += ',';
        appendInt(out, cases[c].speciesKept);
        out += '\n';
    }
    return out;
}

std::string groupsTable(const AnalysisResult& result, const SpeciesGroups& groups) {
    std::string out = "species,group,group_species,group_cases\n";
    for (std::size_t g = 0; g < groups.species.size(); ++g) {
        for (const auto s : groups.species[g]) {
            appendCsvField(out, result.spname[std::size_t(s)]);
            out += ',';
            appendInt(out, std::int64_t(g + 1));
            out += ',';
            appendInt(out, std::int64_t(groups.species[g].size()));
            out += ',';
            appendInt(out, std::int64_t(groups.cases[g].size()));
            out += '\n';
        }
    }
    return out;
}

} // namespace sscm
