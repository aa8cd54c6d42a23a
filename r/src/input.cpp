#include "input.h"

#include "analysis/csv.h"
#include "commands/read.h"
#include "commands/session.h"

#include <charconv>
#include <filesystem>
#include <string_view>
#include <vector>

namespace sscm {

namespace {

/// How one column's values become cell texts.
struct Column {
    SEXP values = R_NilValue;
    enum class Kind { Text, Factor, Integer, Double, Logical } kind = Kind::Text;
    /// Factor labels in UTF-8, by level (1-based codes index level - 1).
    std::vector<std::string> labels;
};

// A string's bytes as a data file would hold them: text marked Latin-1 in UTF-8; text in the
// session's own encoding (unmarked) and bytes as they are, for the table's one encoding
// decision to read, as it reads a file. (Translating unmarked text that is not valid UTF-8
// would turn "Achill\xe9e" into "Achill<e9>e".)
const char* cellText(SEXP s) {
    return Rf_getCharCE(s) == CE_LATIN1 ? Rf_translateCharUTF8(s) : CHAR(s);
}

// An NA stays an empty cell: a missing value, which the run leaves out.
void appendCell(std::string& text, const Column& col, R_xlen_t i) {
    switch (col.kind) {
    case Column::Kind::Text: {
        const SEXP s = STRING_ELT(col.values, i);
        if (s != NA_STRING)
            text += cellText(s);
        break;
    }
    case Column::Kind::Factor: {
        const int code = INTEGER(col.values)[i];
        if (code != NA_INTEGER && code >= 1 && std::size_t(code) <= col.labels.size())
            text += col.labels[std::size_t(code) - 1];
        break;
    }
    case Column::Kind::Integer: {
        const int v = INTEGER(col.values)[i];
        if (v != NA_INTEGER) {
            char buf[16];
            const auto r = std::to_chars(buf, buf + sizeof buf, v);
            text.append(buf, r.ptr);
        }
        break;
    }
    case Column::Kind::Double: {
        const double v = REAL(col.values)[i];
        if (ISNAN(v) && !R_IsNaN(v))
            break; // NA
        if (R_IsNaN(v)) {
            text += "NaN";
        } else if (v == R_PosInf) {
            text += "Inf";
        } else if (v == R_NegInf) {
            text += "-Inf";
        } else {
            appendShortest(text, v);
        }
        break;
    }
    case Column::Kind::Logical: {
        const int v = LOGICAL(col.values)[i];
        if (v != NA_LOGICAL)
            text += v != 0 ? "TRUE" : "FALSE";
        break;
    }
    }
}

} // namespace

Status tableFromFrame(SEXP frame, DataTable& out) {
    if (TYPEOF(frame) != VECSXP)
        return Status::failed("`data` must be a data frame or the path of a CSV file.");
    const R_xlen_t valn = Rf_xlength(frame);
    const SEXP names = Rf_getAttrib(frame, R_NamesSymbol);
    if (valn == 0 || TYPEOF(names) != STRSXP || Rf_xlength(names) != valn)
        return Status::failed("`data` has no named columns.");
    std::vector<Column> cols(static_cast<std::size_t>(valn));
    R_xlen_t objn = -1;
    out = DataTable{};
    out.varname.reserve(std::size_t(valn));
    for (R_xlen_t j = 0; j < valn; ++j) {
        const SEXP nm = STRING_ELT(names, j);
        out.varname.emplace_back(nm == NA_STRING ? "" : cellText(nm));
        Column& c = cols[std::size_t(j)];
        c.values = VECTOR_ELT(frame, j);
        if (Rf_isFactor(c.values)) {
            c.kind = Column::Kind::Factor;
            const SEXP levels = Rf_getAttrib(c.values, R_LevelsSymbol);
            for (R_xlen_t k = 0; k < Rf_xlength(levels); ++k)
                c.labels.emplace_back(cellText(STRING_ELT(levels, k)));
        } else {
            switch (TYPEOF(c.values)) {
            case STRSXP:
                c.kind = Column::Kind::Text;
                break;
            case INTSXP:
                c.kind = Column::Kind::Integer;
                break;
            case REALSXP:
                c.kind = Column::Kind::Double;
                break;
            case LGLSXP:
                c.kind = Column::Kind::Logical;
                break;
            default:
                return Status::failed("Column \"" + out.varname.back() +
                                      "\" of `data` holds neither numbers, texts nor factors.");
            }
        }
        const R_xlen_t n = Rf_xlength(c.values);
        if (objn >= 0 && n != objn)
            return Status::failed("The columns of `data` differ in length.");
        objn = n;
    }
    if (objn > R_xlen_t(INT32_MAX) / 2 || std::size_t(objn) * std::size_t(valn) > (1ull << 40))
        return Status::failed("`data` has too many rows.");
    out.valn = std::int32_t(valn);
    out.objn = std::int32_t(objn);
    out.offsets.reserve(std::size_t(objn) * std::size_t(valn) + 1);
    for (R_xlen_t i = 0; i < objn; ++i) {
        for (const Column& c : cols) {
            out.offsets.push_back(out.text.size());
            appendCell(out.text, c, i);
        }
    }
    out.offsets.push_back(out.text.size());
    out.encoding = guessEncoding(out);
    return Status::ok();
}

Status readTable(const std::string& dir, const std::string& file, const std::string& scratchDir,
                 InterruptPoll& interrupts, std::shared_ptr<const DataTable>& out,
                 const ReadOptions& options) {
    RWindow w(interrupts);
    w.setText(Ctl::Dir1, dir);
    w.setText(Ctl::Text7, file);
    Session s;
    s.scratchDir = scratchDir;
    s.separator = options.separator;
    s.decimalComma = options.decimalComma;
    Status st = readCommand(w, s);
    if (interrupts.interrupted())
        return Status::cancelled();
    if (st && !s.table)
        st = Status::failed("The data file has no variable names.");
    if (!st) {
        // The Read's own warning boxes (the header without variables) say it first.
        std::string msg;
        for (const std::string& text : w.warnings()) {
            if (text != st.message) {
                msg += text;
                msg += '\n';
            }
        }
        st.message = msg + st.message;
        return st;
    }
    out = std::move(s.table);
    return Status::ok();
}

Status tableFromArgument(SEXP data, SEXP scratch, InterruptPoll& interrupts,
                         std::shared_ptr<const DataTable>& table, const ReadOptions& options) {
    if (TYPEOF(data) == STRSXP) {
        if (Rf_xlength(data) != 1 || STRING_ELT(data, 0) == NA_STRING)
            return Status::failed("`data` must be a data frame or the path of one CSV file.");
        const std::filesystem::path path(Rf_translateChar(STRING_ELT(data, 0)));
        std::string dir = path.parent_path().string();
        if (dir.empty())
            dir = ".";
        return readTable(dir, path.filename().string(), Rf_translateChar(STRING_ELT(scratch, 0)),
                         interrupts, table, options);
    }
    auto frame = std::make_shared<DataTable>();
    Status st = tableFromFrame(data, *frame);
    frame->decimalComma = options.decimalComma;
    if (st)
        table = std::move(frame);
    return st;
}

} // namespace sscm
