#include "commands/read.h"

#include "analysis/records.h"
#include "commands/windowprogress.h"
#include "data/compat.h"
#include "data/fieldreader.h"
#include "data/freshfile.h"
#include "data/normalize.h"
#include "data/pathtext.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

namespace sscm {

namespace {

constexpr const char* kCopy = "temp1.tmp";
constexpr const char* kHeaderCopy = "temp4.tmp";
/// Files that Read or GO create, overwrite and delete in the scratch folder.
constexpr const char* kScratchNames[] = {kCopy, kHeaderCopy, "VectorFileSize.log", kRecordFile};

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

/// Leaves the window and the working directory as after a Read that did not happen: no table,
/// no scratch files (the sizing log stays where the sizing kept it), Read usable again.
void abandonRead(Window& w, Session& s) {
    s.table.reset();
    std::remove(scratchPath(s.scratchDir, kCopy).c_str());
    std::remove(scratchPath(s.scratchDir, kHeaderCopy).c_str());
    w.setEnabled(Ctl::Command1, true);
    w.setCaption(Ctl::Command1, "Read");
}

Status failRead(Window& w, Session& s, Status st) {
    abandonRead(w, s);
    w.warning(st.message, kErrorTitle);
    return st;
}

} // namespace

namespace {

Status loadDataTable(Window& w, Session& s, DataSource from);

} // namespace

Status readCommand(Window& w, Session& s) {
    return readCommand(w, s, DataSource::RegularOnly);
}

Status readCommand(Window& w, Session& s, DataSource from) {
    try {
        return loadDataTable(w, s, from);
    } catch (const std::bad_alloc&) {
        return failRead(w, s,
                        Status::failed("There is not enough memory to hold the data file \"" +
                                       w.text(Ctl::Dir1) + "/" + w.text(Ctl::Text7) + "\"."));
    }
}

namespace {

/// Why the data file at `source` cannot be read without harm, or empty. Its own normalised copy
/// would overwrite it, and a run would delete it, if it were one of the scratch files; and
/// opening a pipe nobody writes to would freeze the window.
std::string refusal(const std::string& source, const std::string& scratchDir, DataSource from) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(pathOf(source), ec);
    if (ec || !fs::exists(st))
        return {}; // the copy reports a missing file with the system's reason
    for (const char* name : kScratchNames) {
        if (sameFile(source, scratchPath(scratchDir, name)))
            return "The data file " + quoted(source) + " is the scratch file " + quoted(name) +
                   ", which Read and GO overwrite and delete. Rename or move it, then read it.";
    }
    // A folder is left to the copy, which names the system's reason.
    if (from == DataSource::RegularOnly && !fs::is_regular_file(st) && !fs::is_directory(st))
        return "The data file " + quoted(source) +
               " is not a regular file but a pipe or a device; the window reads data files "
               "saved on disk only.";
    return {};
}

/// A header line that gives one variable but holds a semicolon or a tab: the file was most likely
/// saved with that separator (as spreadsheets save CSV in many locales; quoted names included).
/// Read refuses it, saying so, and notes the separator in the session, so that the window can
/// offer to read it that way.
Status oneVariable(std::FILE* copy, std::int32_t valn, const std::string& source, Session& s) {
    if (valn != 1)
        return Status::ok();
    std::string name;
    for (int c = std::fgetc(copy); c != EOF && c != '\r' && c != '\n'; c = std::fgetc(copy))
        name += char(c);
    std::rewind(copy);
    for (const char sep : {';', '\t'}) {
        if (sep == s.separator || name.find(sep) == std::string::npos)
            continue;
        s.suggestedSeparator = sep;
        const char* what = sep == ';' ? "semicolons" : "tabs";
        const char* which = sep == ';' ? "the semicolon" : "the tab";
        return Status::failed(
            "The header line of " + sscm::quoted(source) + " holds one variable, " +
            sscm::quoted(name) + ": the file seems to be separated by " + what +
            ". Save it as comma-separated (CSV), or read it with " + which + " as separator.");
    }
    return Status::ok();
}

Status loadDataTable(Window& w, Session& s, DataSource from) {
    w.setCaption(Ctl::Command1, "reading");
    w.setEnabled(Ctl::Command1, false);
    w.setCaption(Ctl::Label18, " 0 %");
    w.clearList(Ctl::List1);
    w.clearList(Ctl::List3);
    const std::string text7 = w.text(Ctl::Text7);
    w.setText(Ctl::Text3, "palatability_" + text7);
    w.setText(Ctl::Text6, "log_" + text7);
    const std::string source = w.text(Ctl::Dir1) + "/" + text7;
    const std::string copy = scratchPath(s.scratchDir, kCopy);

    if (std::string why = refusal(source, s.scratchDir, from); !why.empty()) {
        // Nothing written yet, and the scratch names may be the data file itself: none removed.
        s.table.reset();
        w.setEnabled(Ctl::Command1, true);
        w.setCaption(Ctl::Command1, "Read");
        w.warning(why, kErrorTitle);
        return Status::failed(std::move(why));
    }
    WindowProgress shown(w);
    s.suggestedSeparator = 0;
    Status st = copyDataFile(&shown, s.erf, source, copy, kMaxLineBytes, s.separator);
    if (st.code == Status::Code::Cancelled) {
        abandonRead(w, s);
        return st;
    }
    if (!st)
        return failRead(w, s, std::move(st));
    std::int32_t valn = 0;
    std::int32_t objn = 0;
    st = sizeDataFile(&shown, s.erf, copy, source, valn, objn, s.scratchDir, s.separator);
    if (st.code == Status::Code::Cancelled) {
        abandonRead(w, s);
        return st;
    }
    if (!st)
        return failRead(w, s, std::move(st));
    if (s.erf == 1) {
        // The sizing has kept its log; its warning is the one box shown.
        w.warning(kNoVariable, kBlankTitle);
        abandonRead(w, s);
        return Status::failed("The data file " + quoted(source) +
                              " has no variable in its header line.");
    }

    // Closed on every way out, an exhausted memory included.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(copy.c_str(), "rb"),
                                                         &std::fclose);
    std::FILE* f = file.get();
    if (f == nullptr)
        return failRead(
            w, s, Status::failed("Cannot read " + quoted(copy) + ": " + std::strerror(errno)));
    auto table = std::make_shared<DataTable>();
    table->valn = valn;
    table->objn = objn;
    table->decimalComma = s.decimalComma;
    table->line.reserve(std::size_t(objn));
    table->varname.reserve(std::size_t(valn));
    const std::size_t cells = std::size_t(valn) * std::size_t(objn);
    table->offsets.reserve(cells + 1);
    {
        // The cells take at most the copy's bytes, plus missvalue for empty ones.
        compat::fileSeek(f, 0, SEEK_END);
        const std::int64_t size = compat::fileTell(f);
        std::rewind(f);
        if (size > 0)
            table->text.reserve(std::size_t(size));
    }

    if (Status one = oneVariable(f, valn, source, s); !one) {
        file.reset();
        return failRead(w, s, std::move(one));
    }
    FieldReader reader(f, std::size_t{1} << 20, s.separator);
    std::string_view field;
    auto shortRow = [&](std::int32_t row, std::int32_t found) {
        file.reset(); // closed before the copy is removed
        std::string msg = "The data file " + quoted(source) + " ends inside a record: ";
        if (row == 0) {
            msg += "its header has only ";
        } else {
            const std::int64_t line = found > 0 ? table->line.back() : 0;
            msg += rowPlace(line, row) + " has only ";
        }
        msg += std::to_string(found) + " of its " + std::to_string(valn) + " fields.";
        return failRead(w, s, Status::failed(msg));
    };
    for (std::int32_t j = 0; j < valn; ++j) {
        if (!reader.next(field))
            return shortRow(0, j);
        table->varname.emplace_back(field);
    }

    long long percent = 0; // Label18 already reads " 0 %"
    for (std::int32_t i = 1; i <= objn; ++i) {
        // Division first, in double precision: row 29 of 100 shows 28 %.
        const long long p = static_cast<long long>(std::floor((double(i) / objn) * 100));
        if (p != percent) {
            shown.progress(Stage::Read, p, 100, 0);
            percent = p;
        }
        if (!shown.proceed()) {
            file.reset();
            abandonRead(w, s);
            return Status::cancelled();
        }
        for (std::int32_t j = 0; j < valn; ++j) {
            if (!reader.next(field))
                return shortRow(i, j);
            if (j == 0)
                table->line.push_back(reader.fieldLine());
            table->offsets.push_back(table->text.size());
            table->text += field;
        }
    }
    table->offsets.push_back(table->text.size());
    const bool ioError = reader.ioError();
    file.reset();
    if (ioError)
        return failRead(w, s,
                        Status::failed("Cannot read the data file " + quoted(source) + ": " +
                                       std::strerror(EIO)));

    table->encoding = guessEncoding(*table);
    s.table = std::move(table);
    s.dataFile = source;
    for (const std::string& name : s.table->varname)
        w.addItem(Ctl::List1, name);
    std::remove(copy.c_str());
    w.setEnabled(Ctl::Command1, true);
    w.setCaption(Ctl::Command1, "Read file");
    w.setCaption(Ctl::Label18, "100% finished");
    return Status::ok();
}

} // namespace

} // namespace sscm
