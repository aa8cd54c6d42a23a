// The package's entry points: data in (a data frame or a CSV file), the core's analysis, data
// frames out. Failures come back as a status list that the R functions turn into conditions, so
// no R error ever jumps across the core's frames; an interrupt is raised once they have returned.

#include "data/compat.h"
#include "input.h"
#include "names.h"
#include "rwindow.h"

#include <Rcpp.h>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>

using sscm::DataTable;
using sscm::failure;
using sscm::Status;

/// The data table as the analysis sees it: list(status, varname, cells (row after row)).
extern "C" SEXP sscm_table(SEXP data, SEXP scratch) {
    BEGIN_RCPP
    sscm::InterruptPoll interrupts;
    std::shared_ptr<const DataTable> table;
    const Status st = sscm::tableFromArgument(data, scratch, interrupts, table);
    if (st.code == Status::Code::Cancelled || interrupts.interrupted())
        throw Rcpp::internal::InterruptedException();
    if (!st)
        return failure(st.message);
    std::vector<std::string> cells;
    cells.reserve(table->offsets.size());
    for (std::int32_t i = 1; i <= table->objn; ++i)
        for (std::int32_t j = 1; j <= table->valn; ++j)
            cells.emplace_back(table->cell(j, i));
    const sscm::NameDecoder decode(table->encoding);
    Rcpp::RObject varname(decode.vector(table->varname));
    Rcpp::RObject values(decode.vector(cells));
    return Rcpp::List::create(Rcpp::Named("status") = "ok", Rcpp::Named("varname") = varname,
                              Rcpp::Named("cells") = values,
                              Rcpp::Named("encoding") = sscm::encodingName(decode.encoding()));
    END_RCPP
}

/// Numbers read exactly (the double nearest to each text); NA for a text that is not a number.
/// The tests read sscm-cli's tables with it: R's own reader may miss the last bit.
extern "C" SEXP sscm_exact_doubles(SEXP texts) {
    BEGIN_RCPP
    const R_xlen_t n = Rf_xlength(texts);
    Rcpp::NumericVector out(n);
    for (R_xlen_t i = 0; i < n; ++i) {
        const SEXP s = STRING_ELT(texts, i);
        out[i] = NA_REAL;
        if (s == NA_STRING)
            continue;
        const char* first = CHAR(s);
        const char* last = first + std::strlen(first);
        double v = 0;
        const auto r = sscm::compat::fromChars(first, last, v);
        if (r.ec == std::errc() && r.ptr == last && first != last)
            out[i] = v;
    }
    return out;
    END_RCPP
}

extern "C" SEXP sscm_run(SEXP data, SEXP scratch, SEXP args, SEXP what);

extern "C" {

static const R_CallMethodDef kCallMethods[] = {
    {"sscm_table", reinterpret_cast<DL_FUNC>(&sscm_table), 2},
    {"sscm_run", reinterpret_cast<DL_FUNC>(&sscm_run), 4},
    {"sscm_exact_doubles", reinterpret_cast<DL_FUNC>(&sscm_exact_doubles), 1},
    {nullptr, nullptr, 0},
};

void R_init_sscm(DllInfo* dll) {
    R_registerRoutines(dll, nullptr, kCallMethods, nullptr, nullptr);
    R_useDynamicSymbols(dll, FALSE);
}
}
