// sscm_run: one analysis (and its bootstrap) of a data frame or a CSV file, its tables as the
// columns of data frames.

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "analysis/caserows.h"
#include "analysis/counts.h"
#include "analysis/csv.h"
#include "analysis/csvtables.h"
#include "analysis/groups.h"
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

/// The spectrum table's rows as R columns, named as spectrum.csv names them; a missing number
/// (no interval, no next species) is NA.
Rcpp::List spectrumColumns(const sscm::NameDecoder& decode, const AnalysisResult& r,
                           const sscm::SpectrumRows& rows) {
    using Row = sscm::SpectrumRows::Row;
    const R_xlen_t n = R_xlen_t(rows.rows.size());
    std::vector<std::int32_t> kept;
    for (const Row& row : rows.rows)
        kept.push_back(row.species);
    const int extra =
        (rows.boot ? 1 : 0) + (rows.model ? 2 : 0) + (rows.boot && rows.model ? 4 : 0);
    Rcpp::List out(10 + extra + (rows.group ? 1 : 0));
    Rcpp::CharacterVector names(out.size());
    R_xlen_t next = 0;
    // Each column is stored as soon as it is made, so the list protects it.
    auto store = [&](const char* name, SEXP column) {
        out[next] = column;
        names[next++] = name;
    };
    auto numeric = [&](const char* name, double (*of)(const Row&)) {
        Rcpp::NumericVector v(n);
        for (R_xlen_t i = 0; i < n; ++i) {
            const double x = of(rows.rows[std::size_t(i)]);
            v[i] = std::isnan(x) ? NA_REAL : x;
        }
        store(name, v);
    };
    auto integer = [&](const char* name, int (*of)(const Row&, const AnalysisResult&)) {
        Rcpp::IntegerVector v(n);
        for (R_xlen_t i = 0; i < n; ++i)
            v[i] = of(rows.rows[std::size_t(i)], r);
        store(name, v);
    };
    store("species", namesOf(decode, r, kept));
    numeric("value", [](const Row& x) { return x.value; });
    integer("rank", [](const Row& x, const AnalysisResult&) { return int(x.rank); });
    integer("cases", [](const Row& x, const AnalysisResult& a) {
        return int(a.spocc[std::size_t(x.species)]);
    });
    integer("rows", [](const Row& x, const AnalysisResult& a) {
        return int(a.spfreq[std::size_t(x.species)]);
    });
    numeric("value_lo", [](const Row& x) { return x.valueLo; });
    numeric("value_hi", [](const Row& x) { return x.valueHi; });
    numeric("rank_lo", [](const Row& x) { return x.rankLo; });
    numeric("rank_hi", [](const Row& x) { return x.rankHi; });
    numeric("value_sd", [](const Row& x) { return x.valueSd; });
    if (rows.boot)
        numeric("p_above_next", [](const Row& x) { return x.pAboveNext; });
    if (rows.model) {
        numeric("bt_ability", [](const Row& x) { return x.btAbility; });
        integer("bt_rank", [](const Row& x, const AnalysisResult&) { return int(x.btRank); });
    }
    if (rows.boot && rows.model) {
        numeric("bt_lo", [](const Row& x) { return x.btLo; });
        numeric("bt_hi", [](const Row& x) { return x.btHi; });
        numeric("bt_rank_lo", [](const Row& x) { return x.btRankLo; });
        numeric("bt_rank_hi", [](const Row& x) { return x.btRankHi; });
    }
    if (rows.group)
        integer("group", [](const Row& x, const AnalysisResult&) { return int(x.group); });
    out.names() = names;
    return out;
}

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
        out.push_back(spectrumColumns(decode, result, sscm::groupSpectrumRows(groups, spectra)),
                      "table");
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
    out.push_back(spectrumColumns(decode, result, sscm::spectrumRows(result, boot.get(), bt.get())),
                  "table");
    out.push_back(result.steps, "steps");
    out.push_back(result.change, "change");
    out.push_back(result.fill, "fill");
    const sscm::RunOutcome run{table.get(), &settings, &result, Status::ok(), boot.get(), bt.get()};
    out.push_back(Rcpp::RObject(Rf_ScalarString(decode(sscm::methodsParagraph(run)))), "methods");
    return out;
    END_RCPP
}
