#include "analysis/csvtables.h"

#include "analysis/csv.h"
#include "analysis/rankorder.h"

#include <cmath>
#include <limits>
#include <string_view>

namespace sscm {

namespace {

constexpr std::string_view kSpectrumHeader =
    "species,value,rank,cases,rows,value_lo,value_hi,rank_lo,rank_hi,value_sd";

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

double at(const std::vector<double>& column, std::size_t s) {
    return s < column.size() ? column[s] : kMissing;
}

// The rows of the kept species `species` (all of them, in kept order, when null) with
// their values `values`, in rank order of those values and ranked among them.
void addRows(SpectrumRows& out, const std::vector<std::int32_t>* species,
             const std::vector<double>& values, const BootstrapResult* boot, const BtRanking* bt,
             std::int32_t group) {
    const std::vector<std::int32_t> rank = ranks(values);
    for (const std::int32_t k : rankOrder(values)) {
        const auto s = std::size_t(species != nullptr ? (*species)[std::size_t(k)] : k);
        SpectrumRows::Row r;
        r.species = std::int32_t(s);
        r.value = values[std::size_t(k)];
        r.rank = rank[std::size_t(k)];
        r.group = group;
        const bool intervals = out.intervals;
        r.valueLo = intervals ? boot->valueLo[s] : kMissing;
        r.valueHi = intervals ? boot->valueHi[s] : kMissing;
        r.rankLo = intervals ? boot->rankLo[s] : kMissing;
        r.rankHi = intervals ? boot->rankHi[s] : kMissing;
        r.valueSd = intervals ? boot->valueSd[s] : kMissing;
        r.pAboveNext = boot != nullptr ? at(boot->pAboveNext, s) : kMissing;
        r.btAbility = bt != nullptr ? at(bt->fit.ability, s) : kMissing;
        r.btRank = bt != nullptr ? bt->rank[s] : 0;
        r.btLo = intervals && bt != nullptr ? at(boot->btLo, s) : kMissing;
        r.btHi = intervals && bt != nullptr ? at(boot->btHi, s) : kMissing;
        r.btRankLo = intervals && bt != nullptr ? at(boot->btRankLo, s) : kMissing;
        r.btRankHi = intervals && bt != nullptr ? at(boot->btRankHi, s) : kMissing;
        out.rows.push_back(r);
    }
}

// A number, or nothing for a missing one.
void appendOptional(std::string& out, double v) {
    out += ',';
    if (!std::isnan(v))
        appendShortest(out, v);
}

void appendInt(std::string& out, std::int64_t v) {
    out += std::to_string(v);
}

} // namespace

SpectrumRows spectrumRows(const AnalysisResult& full, const BootstrapResult* boot,
                          const BtRanking* bt, std::int32_t group) {
    SpectrumRows out;
    out.intervals = boot != nullptr && boot->used > 0;
    out.boot = boot != nullptr;
    out.model = bt != nullptr;
    out.group = group > 0;
    addRows(out, nullptr, full.curvec, boot, bt, group);
    return out;
}

SpectrumRows groupSpectrumRows(const SpeciesGroups& groups,
                               const std::vector<GroupSpectrum>& spectra) {
    SpectrumRows out;
    out.group = true;
    for (const GroupSpectrum& gs : spectra)
        addRows(out, &groups.species[std::size_t(gs.group)], gs.curvec, nullptr, nullptr,
                gs.group + 1);
    return out;
}

std::string spectrumCsv(const AnalysisResult& full, const SpectrumRows& rows) {
    std::string out(kSpectrumHeader);
    if (rows.boot)
        out += ",p_above_next";
    if (rows.model)
        out += ",bt_ability,bt_rank";
    if (rows.model && rows.boot)
        out += ",bt_lo,bt_hi,bt_rank_lo,bt_rank_hi";
    out += rows.group ? ",group\n" : "\n";
    for (const SpectrumRows::Row& r : rows.rows) {
        const auto s = std::size_t(r.species);
        appendCsvField(out, full.spname[s]);
        out += ',';
        appendShortest(out, r.value);
        out += ',' + std::to_string(r.rank) + ',' + std::to_string(full.spocc[s]) + ',' +
               std::to_string(full.spfreq[s]) + ',';
        if (rows.intervals) {
            for (const double v : {r.valueLo, r.valueHi, r.rankLo, r.rankHi}) {
                appendShortest(out, v);
                out += ',';
            }
            appendShortest(out, r.valueSd);
        } else {
            out += ",,,,";
        }
        if (rows.boot)
            appendOptional(out, r.pAboveNext);
        if (rows.model) {
            appendOptional(out, r.btAbility);
            out += ',' + std::to_string(r.btRank);
        }
        if (rows.model && rows.boot)
            for (const double v : {r.btLo, r.btHi, r.btRankLo, r.btRankHi})
                appendOptional(out, v);
        if (rows.group)
            out += ',' + std::to_string(r.group);
        out += '\n';
    }
    return out;
}

std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot,
                          const BtRanking* bt) {
    return spectrumCsv(full, spectrumRows(full, boot, bt));
}

std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot,
                          std::int32_t group, const BtRanking* bt) {
    return spectrumCsv(full, spectrumRows(full, boot, bt, group));
}

std::string groupSpectrumTable(const AnalysisResult& result, const SpeciesGroups& groups,
                               const std::vector<GroupSpectrum>& spectra) {
    return spectrumCsv(result, groupSpectrumRows(groups, spectra));
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
