// sscm_run: one analysis (and its bootstrap) of a data frame or a CSV file, its tables as the
// columns of data frames.

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "analysis/caserows.h"
#include "analysis/counts.h"
#include "analysis/csv.h"
#include "analysis/groups.h"
#include "analysis/rankorder.h"
#include "commands/bootstrapjob.h"
#include "commands/describe.h"
#include "input.h"
#include "names.h"
#include "rwindow.h"

#include <Rcpp.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

using sscm::AnalysisResult;
using sscm::DataTable;
using sscm::Status;

/// Stops the analysis once R has an interrupt pending.
class RunInterrupts final : public sscm::analysis::Hooks {
public:
    explicit RunInterrupts(sscm::InterruptPoll& poll) : poll_(poll) {}
    bool proceed() override { return poll_.poll(); }

private:
    sscm::InterruptPoll& poll_;
};

/// Stops the bootstrap once R has an interrupt pending; asked between replicates.
class BootstrapInterrupts final : public sscm::Progress {
public:
    explicit BootstrapInterrupts(sscm::InterruptPoll& poll) : poll_(poll) {}
    bool proceed() override { return poll_.pollNow(); }

private:
    sscm::InterruptPoll& poll_;
};

using sscm::failure;

SEXP element(SEXP list, const char* name) {
    const SEXP names = Rf_getAttrib(list, R_NamesSymbol);
    for (R_xlen_t i = 0; i < Rf_xlength(list); ++i)
        if (std::strcmp(CHAR(STRING_ELT(names, i)), name) == 0)
            return VECTOR_ELT(list, i);
    Rcpp::stop(std::string("internal: no argument ") + name);
}

std::string utf8(SEXP list, const char* name) {
    return Rf_translateCharUTF8(STRING_ELT(element(list, name), 0));
}

double number(SEXP list, const char* name) {
    return Rf_asReal(element(list, name));
}

bool flag(SEXP list, const char* name) {
    return Rf_asLogical(element(list, name)) == TRUE;
}

/// The occurrence threshold as the window's text box would hold it: a number in its shortest
/// form, a text as given.
std::string thresholdText(SEXP list) {
    const SEXP t = element(list, "threshold");
    if (TYPEOF(t) == STRSXP)
        return Rf_translateCharUTF8(STRING_ELT(t, 0));
    std::string out;
    sscm::appendShortest(out, Rf_asReal(t));
    return out;
}

Rcpp::CharacterVector namesOf(const sscm::NameDecoder& decode, const AnalysisResult& r,
                              const std::vector<std::int32_t>& kept) {
    Rcpp::CharacterVector v(kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        SET_STRING_ELT(v, R_xlen_t(i), decode(r.spname[std::size_t(kept[i])]));
    return v;
}

/// Rows of a spectrum table, gathered group by group before they become R columns.
struct SpectrumRows {
    std::vector<std::int32_t> kept;
    std::vector<double> value, valueLo, valueHi, rankLo, rankHi, valueSd;
    std::vector<int> rank, group;
    /// With a bootstrap: p_above_next; with the model: bt_ability, bt_rank and, with both,
    /// bt_lo, bt_hi, bt_rank_lo, bt_rank_hi (as spectrum.csv has them).
    bool withBoot = false;
    bool withModel = false;
    std::vector<double> aboveNext, btAbility, btLo, btHi, btRankLo, btRankHi;
    std::vector<int> btRank;

    /// Adds the kept species `members` with their values (in the order of `members`) in rank
    /// order (1 + the number of larger values; equal ranks in species order).
    void add(const std::vector<std::int32_t>& members, const std::vector<double>& values,
             const sscm::BootstrapResult* boot, int groupNumber,
             const sscm::BtRanking* bt = nullptr) {
        const std::vector<std::int32_t> r = sscm::ranks(values);
        const bool intervals = boot != nullptr && !boot->valueLo.empty();
        withBoot = boot != nullptr;
        withModel = bt != nullptr;
        // A missing number (no next species, no replicate used) is NA.
        auto at = [](const std::vector<double>& column, std::size_t s) {
            return s < column.size() && !std::isnan(column[s]) ? column[s] : NA_REAL;
        };
        for (const std::int32_t k : sscm::rankOrder(values)) {
            const auto i = std::size_t(k);
            const auto s = std::size_t(members[i]);
            kept.push_back(members[i]);
            value.push_back(values[i]);
            rank.push_back(r[i]);
            valueLo.push_back(intervals ? boot->valueLo[s] : NA_REAL);
            valueHi.push_back(intervals ? boot->valueHi[s] : NA_REAL);
            rankLo.push_back(intervals ? boot->rankLo[s] : NA_REAL);
            rankHi.push_back(intervals ? boot->rankHi[s] : NA_REAL);
            valueSd.push_back(intervals ? boot->valueSd[s] : NA_REAL);
            group.push_back(groupNumber);
            if (withBoot)
                aboveNext.push_back(at(boot->pAboveNext, s));
            if (withModel) {
                btAbility.push_back(bt->fit.ability[s]);
                btRank.push_back(bt->rank[s]);
            }
            if (withBoot && withModel) {
                btLo.push_back(at(boot->btLo, s));
                btHi.push_back(at(boot->btHi, s));
                btRankLo.push_back(at(boot->btRankLo, s));
                btRankHi.push_back(at(boot->btRankHi, s));
            }
        }
    }

    /// The columns of spectrum.csv, and `group` when `withGroup`.
    Rcpp::List columns(const sscm::NameDecoder& decode, const AnalysisResult& r,
                       bool withGroup) const {
        Rcpp::IntegerVector cases(kept.size()), rows(kept.size());
        for (std::size_t k = 0; k < kept.size(); ++k) {
            cases[R_xlen_t(k)] = r.spocc[std::size_t(kept[k])];
            rows[R_xlen_t(k)] = r.spfreq[std::size_t(kept[k])];
        }
        // Each column is stored as soon as it is made, so the list protects it.
        const int extra =
            (withBoot ? 1 : 0) + (withModel ? 2 : 0) + (withBoot && withModel ? 4 : 0);
        Rcpp::List out(10 + extra + (withGroup ? 1 : 0));
        Rcpp::CharacterVector names(out.size());
        auto store = [&](R_xlen_t i, const char* name, SEXP column) {
            out[i] = column;
            names[i] = name;
        };
        store(0, "species", namesOf(decode, r, kept));
        store(1, "value", Rcpp::NumericVector(value.begin(), value.end()));
        store(2, "rank", Rcpp::IntegerVector(rank.begin(), rank.end()));
        store(3, "cases", cases);
        store(4, "rows", rows);
        store(5, "value_lo", Rcpp::NumericVector(valueLo.begin(), valueLo.end()));
        store(6, "value_hi", Rcpp::NumericVector(valueHi.begin(), valueHi.end()));
        store(7, "rank_lo", Rcpp::NumericVector(rankLo.begin(), rankLo.end()));
        store(8, "rank_hi", Rcpp::NumericVector(rankHi.begin(), rankHi.end()));
        store(9, "value_sd", Rcpp::NumericVector(valueSd.begin(), valueSd.end()));
        R_xlen_t next = 10;
        auto numeric = [&](const char* name, const std::vector<double>& v) {
            store(next++, name, Rcpp::NumericVector(v.begin(), v.end()));
        };
        if (withBoot)
            numeric("p_above_next", aboveNext);
        if (withModel) {
            numeric("bt_ability", btAbility);
            store(next++, "bt_rank", Rcpp::IntegerVector(btRank.begin(), btRank.end()));
        }
        if (withBoot && withModel) {
            numeric("bt_lo", btLo);
            numeric("bt_hi", btHi);
            numeric("bt_rank_lo", btRankLo);
            numeric("bt_rank_hi", btRankHi);
        }
        if (withGroup)
            store(next, "group", Rcpp::IntegerVector(group.begin(), group.end()));
        out.names() = names;
        return out;
    }
};

/// groups.csv's columns: species, group (from 1, largest first), group_species, group_cases.
Rcpp::List groupColumns(const sscm::NameDecoder& decode, const AnalysisResult& r,
                        const sscm::SpeciesGroups& groups) {
    std::vector<std::int32_t> kept;
    std::vector<int> group, size, cases;
    for (std::size_t g = 0; g < groups.species.size(); ++g) {
        for (const auto s : groups.species[g]) {
            kept.push_back(s);
            group.push_back(int(g + 1));
            size.push_back(int(groups.species[g].size()));
            cases.push_back(int(groups.cases[g].size()));
        }
    }
    const Rcpp::CharacterVector species = namesOf(decode, r, kept);
    const Rcpp::IntegerVector groupCol(group.begin(), group.end());
    const Rcpp::IntegerVector sizeCol(size.begin(), size.end());
    const Rcpp::IntegerVector casesCol(cases.begin(), cases.end());
    return Rcpp::List::create(Rcpp::Named("species") = species, Rcpp::Named("group") = groupCol,
                              Rcpp::Named("group_species") = sizeCol,
                              Rcpp::Named("group_cases") = casesCol);
}

/// pairs.csv's columns.
Rcpp::List pairColumns(const sscm::NameDecoder& decode, const AnalysisResult& r,
                       const std::vector<sscm::PairCounts>& pairs) {
    const std::size_t n = pairs.size();
    std::vector<std::int32_t> a(n), b(n);
    Rcpp::NumericVector aHigher(n), ties(n), bHigher(n);
    Rcpp::IntegerVector cases(n);
    for (std::size_t k = 0; k < n; ++k) {
        a[k] = pairs[k].a;
        b[k] = pairs[k].b;
        // Counts stay exact as doubles up to 2^53.
        aHigher[k] = double(pairs[k].aHigher);
        ties[k] = double(pairs[k].ties);
        bHigher[k] = double(pairs[k].bHigher);
        cases[k] = pairs[k].cases;
    }
    const Rcpp::CharacterVector speciesA = namesOf(decode, r, a);
    const Rcpp::CharacterVector speciesB = namesOf(decode, r, b);
    return Rcpp::List::create(Rcpp::Named("species_a") = speciesA,
                              Rcpp::Named("species_b") = speciesB,
                              Rcpp::Named("a_higher") = aHigher, Rcpp::Named("ties") = ties,
                              Rcpp::Named("b_higher") = bHigher, Rcpp::Named("cases") = cases);
}

/// matrix.csv's columns: every compared ordered pair of the mean matrix (the diagonal
/// included), row by row in kept order.
Rcpp::List matrixColumns(const sscm::NameDecoder& decode, const AnalysisResult& r) {
    const sscm::PairTable& p = r.pairs;
    std::vector<std::int32_t> a, b;
    for (std::int32_t i = 0; i < p.n; ++i) {
        for (auto k = p.start[std::size_t(i)]; k < p.start[std::size_t(i) + 1]; ++k) {
            a.push_back(i);
            b.push_back(p.col[std::size_t(k)]);
        }
    }
    const Rcpp::CharacterVector speciesA = namesOf(decode, r, a);
    const Rcpp::CharacterVector speciesB = namesOf(decode, r, b);
    const Rcpp::NumericVector comparisons(p.count.begin(), p.count.end());
    const Rcpp::NumericVector mean(p.mean.begin(), p.mean.end());
    return Rcpp::List::create(
        Rcpp::Named("species_a") = speciesA, Rcpp::Named("species_b") = speciesB,
        Rcpp::Named("comparisons") = comparisons, Rcpp::Named("mean_code") = mean);
}

/// Adds the group of each row's first species as a last column.
void addGroupColumn(Rcpp::List& columns, const std::vector<std::int32_t>& groupOf,
                    const std::vector<std::int32_t>& rowSpecies) {
    Rcpp::IntegerVector group(rowSpecies.size());
    for (std::size_t k = 0; k < rowSpecies.size(); ++k)
        group[k] = groupOf[std::size_t(rowSpecies[k])] + 1;
    columns.push_back(group, "group");
}

} // namespace

/// list(status = "ok", table, removed, steps, change, fill, bootstrap, model, encoding, methods),
/// or list(status = "split", message, groups), or list(status = "failed", message).
extern "C" SEXP sscm_run(SEXP data, SEXP scratch, SEXP args, SEXP whatArg) {
    BEGIN_RCPP
    const std::string what = CHAR(STRING_ELT(whatArg, 0));
    sscm::InterruptPoll interrupts;
    std::shared_ptr<const DataTable> table;
    sscm::ReadOptions reading;
    reading.separator = utf8(args, "separator").at(0);
    reading.decimalComma = utf8(args, "decimal") == ",";
    Status st = sscm::tableFromArgument(data, scratch, interrupts, table, reading);
    if (st.code == Status::Code::Cancelled || interrupts.interrupted())
        throw Rcpp::internal::InterruptedException();
    if (!st)
        return failure(st.message);

    sscm::AnalysisSettings settings;
    settings.casevar = utf8(args, "case");
    settings.spvar = utf8(args, "species");
    settings.prefvar = utf8(args, "pref");
    settings.removelow = flag(args, "remove_low");
    settings.lowlimit = thresholdText(args);
    settings.lowerIsPreferred = flag(args, "lower_is_preferred");
    const bool perGroup = flag(args, "per_group");

    AnalysisResult result;
    RunInterrupts runObserver(interrupts);
    st = sscm::analysis::run(*table, settings, &runObserver, result);
    if (st.code == Status::Code::Cancelled || interrupts.interrupted())
        throw Rcpp::internal::InterruptedException();
    const bool split = st.code == Status::Code::SplitNetwork;
    if (!st && !split)
        return failure(st.message);
    const sscm::NameDecoder decode(table->encoding);
    // The removed species are indices into allSpecies.
    Rcpp::CharacterVector removed(result.removed.size());
    for (std::size_t i = 0; i < result.removed.size(); ++i)
        SET_STRING_ELT(removed, R_xlen_t(i),
                       decode(result.allSpecies[std::size_t(result.removed[i])]));
    Rcpp::List out =
        Rcpp::List::create(Rcpp::Named("status") = "ok", Rcpp::Named("removed") = removed,
                           Rcpp::Named("encoding") = sscm::encodingName(decode.encoding()));
    if (!result.leftOut.empty())
        out.push_back(
            Rcpp::RObject(Rf_ScalarString(decode(sscm::leftOutMessage(*table, result.leftOut)))),
            "left_out");

    sscm::SpeciesGroups groups;
    if (split) {
        if (Status gs = sscm::speciesGroups(*table, result, groups); !gs)
            return failure(gs.message);
        if (!perGroup) {
            const Rcpp::RObject message(
                Rf_ScalarString(decode(sscm::splitNetworkMessage(result, groups))));
            const Rcpp::List groupTable = groupColumns(decode, result, groups);
            return Rcpp::List::create(Rcpp::Named("status") = "split",
                                      Rcpp::Named("message") = message,
                                      Rcpp::Named("groups") = groupTable);
        }
    }

    if (what == "pairs" || what == "matrix") {
        Rcpp::List columns;
        std::vector<std::int32_t> rowSpecies;
        if (what == "pairs") {
            std::vector<sscm::PairCounts> pairs;
            if (Status ps = sscm::pairCounts(*table, result, pairs); !ps)
                return failure(ps.message);
            columns = pairColumns(decode, result, pairs);
            for (const auto& p : pairs)
                rowSpecies.push_back(p.a);
        } else {
            columns = matrixColumns(decode, result);
            const sscm::PairTable& p = result.pairs;
            for (std::int32_t i = 0; i < p.n; ++i)
                for (auto k = p.start[std::size_t(i)]; k < p.start[std::size_t(i) + 1]; ++k)
                    rowSpecies.push_back(i);
            out.push_back(result.fill, "fill");
        }
        if (split)
            addGroupColumn(columns, groups.group, rowSpecies);
        out.push_back(columns, "table");
        return out;
    }

    if (split) {
        // Each group of two or more species ranked on its own.
        std::vector<sscm::GroupSpectrum> spectra;
        st = sscm::rankGroups(result, groups, spectra, &runObserver);
        if (st.code == Status::Code::Cancelled || interrupts.interrupted())
            throw Rcpp::internal::InterruptedException();
        if (!st)
            return failure(st.message);
        SpectrumRows rows;
        for (const sscm::GroupSpectrum& g : spectra)
            rows.add(groups.species[std::size_t(g.group)], g.curvec, nullptr, g.group + 1);
        out.push_back(rows.columns(decode, result, true), "table");
        out.push_back(groupColumns(decode, result, groups), "groups");
        out.push_back(NA_INTEGER, "steps");
        if (number(args, "bootstrap") > 0)
            out.push_back("The ranks of the groups come without bootstrap intervals.", "note");
        return out;
    }

    std::unique_ptr<sscm::BtRanking> bt;
    if (utf8(args, "model") == "bt") {
        bt = std::make_unique<sscm::BtRanking>();
        if (Status ms = sscm::btRanking(result, *bt); !ms)
            return failure("The model-based ranking failed: " + ms.message);
        const Rcpp::CharacterVector shifted = namesOf(decode, result, bt->shifted);
        const Rcpp::RObject summary(Rf_ScalarString(decode(sscm::btSummary(result, *bt))));
        out.push_back(Rcpp::List::create(
                          Rcpp::Named("name") = sscm::kBtModelName,
                          Rcpp::Named("tie_rule") = sscm::kBtTieRule,
                          Rcpp::Named("iterations") = bt->fit.steps,
                          Rcpp::Named("estimate_exists") = bt->fit.mleExists,
                          Rcpp::Named("spearman") = bt->agreement ? bt->spearman : NA_REAL,
                          Rcpp::Named("kendall") = bt->agreement ? bt->kendall : NA_REAL,
                          Rcpp::Named("shifted") = shifted, Rcpp::Named("warning") = bt->warn(),
                          Rcpp::Named("summary") = summary),
                      "model");
    }

    std::shared_ptr<const sscm::BootstrapResult> boot;
    const double replicates = number(args, "bootstrap");
    if (replicates > 0) {
        sscm::BootstrapSettings bs;
        bs.replicates = std::int32_t(replicates);
        bs.seed = std::uint64_t(number(args, "seed"));
        bs.level = number(args, "level");
        const double threads = number(args, "threads");
        bs.threads = sscm::bootstrapThreads(threads >= 1 ? std::int64_t(threads) : 0);
        bs.model = bt != nullptr;
        sscm::BootstrapJob job;
        BootstrapInterrupts bootObserver(interrupts);
        st = job.run(*table, settings, result, bs, &bootObserver);
        if (st.code == Status::Code::Cancelled || interrupts.interrupted())
            throw Rcpp::internal::InterruptedException();
        if (!st)
            return failure(st.message);
        boot = job.result();
        out.push_back(Rcpp::List::create(
                          Rcpp::Named("replicates") = bs.replicates,
                          Rcpp::Named("used") = boot->used, Rcpp::Named("split") = boot->split,
                          Rcpp::Named("seed") = double(bs.seed), Rcpp::Named("level") = bs.level,
                          Rcpp::Named("threads") = bs.threads),
                      "bootstrap");
    }
    std::vector<std::int32_t> all(result.spname.size());
    std::iota(all.begin(), all.end(), 0);
    SpectrumRows rows;
    rows.add(all, result.curvec, boot.get(), 0, bt.get());
    out.push_back(rows.columns(decode, result, false), "table");
    out.push_back(result.steps, "steps");
    out.push_back(result.change, "change");
    out.push_back(result.fill, "fill");
    const sscm::RunOutcome run{table.get(), &settings, &result, Status::ok(), boot.get(), bt.get()};
    out.push_back(Rcpp::RObject(Rf_ScalarString(decode(sscm::methodsParagraph(run)))), "methods");
    return out;
    END_RCPP
}
