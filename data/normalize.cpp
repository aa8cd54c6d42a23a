#include "data/normalize.h"

#include "data/compat.h"
#include "data/datatable.h"
#include "data/fieldreader.h"
#include "data/freshfile.h"
#include "data/printfmt.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace sscm {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
constexpr const char* kSizingLog = "VectorFileSize.log";
constexpr const char* kHeaderCopy = "temp4.tmp";

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string systemReason(int err) {
    return std::strerror(err);
}

/// Closes a FILE on every path out of a function.
struct FileCloser {
    std::FILE* f = nullptr;
    explicit FileCloser(std::FILE* file) : f(file) {}
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;
    ~FileCloser() {
        if (f != nullptr)
            std::fclose(f);
    }
    /// Closes now; false when the close failed (a write that could not be completed).
    bool close() {
        const bool ok = std::fclose(f) == 0;
        f = nullptr;
        return ok;
    }
};

bool writeAll(std::FILE* f, const std::string& bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

/// Writes one line of the sizing log, ended by CR LF.
void logLine(std::FILE* log, std::string line) {
    line += "\r\n";
    writeAll(log, line);
}

/// The first line of an open file, without its line end.
bool readFirstLine(std::FILE* f, std::string& line) {
    line.clear();
    char buf[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        for (std::size_t i = 0; i < n; ++i) {
            if (buf[i] == '\r' || buf[i] == '\n') {
                line.append(buf, i);
                return true;
            }
        }
        line.append(buf, n);
        if (n < sizeof buf)
            return !std::ferror(f);
    }
}

} // namespace

std::string scratchPath(const std::string& scratchDir, const char* name) {
    if (scratchDir.empty())
        return name;
    std::string path = scratchDir;
    if (path.back() != '/')
        path += '/';
    return path + name;
}

Status filecomma(std::int32_t& erf, const std::string& filefrom, const std::string& fileto) {
    return copyDataFile(nullptr, erf, filefrom, fileto);
}

Status copyDataFile(Progress* progress, std::int32_t& erf, const std::string& filefrom,
                    const std::string& fileto, std::size_t maxLine, char separator) {
    erf = 0;
    // A stop request interrupts a wait (opening a pipe nobody writes to, reading a slow one):
    // the system call then fails with EINTR and the follower is asked whether to go on.
    auto stopped = [&] { return progress != nullptr && !progress->proceed(); };
    std::FILE* source = nullptr;
    for (;;) {
        source = std::fopen(filefrom.c_str(), "rb");
        if (source != nullptr || errno != EINTR)
            break;
        if (stopped())
            return Status::cancelled();
    }
    FileCloser in(source);
    if (in.f == nullptr)
        return Status::failed("Cannot read the data file " + quoted(filefrom) + ": " +
                              systemReason(errno));
    FileCloser out(openFresh(fileto));
    if (out.f == nullptr)
        return Status::writeFailed("Cannot write " + quoted(fileto) + ": " + systemReason(errno));

    auto giveUp = [&](Status st) {
        out.close();
        std::remove(fileto.c_str());
        return st;
    };
    auto lineTooLong = [&] {
        return giveUp(Status::failed(
            "The data file " + quoted(filefrom) + " has a line longer than " +
            std::to_string(maxLine) +
            " bytes: it is not a comma-separated table with one observation per line."));
    };
    auto writeFailed = [&](int err) {
        return giveUp(
            Status::writeFailed("Cannot write " + quoted(fileto) + ": " + systemReason(err)));
    };

    // A small data file gets a block of its own size (one byte more, so the first read meets
    // the end); a pipe, whose size is unknown, the full block.
    std::size_t blockSize = kBlock;
    if (compat::fileSeek(in.f, 0, SEEK_END) == 0) {
        const std::int64_t size = compat::fileTell(in.f);
        std::rewind(in.f);
        if (size >= 0 && std::size_t(size) < kBlock)
            blockSize = std::size_t(size) + 1;
    }
    std::clearerr(in.f);
    const auto block = compat::makeUniqueForOverwrite<char[]>(blockSize);
    std::string pending; // lines written so far, flushed at line ends only
    pending.reserve(blockSize + 4096);
    std::size_t lineStart = 0; // where the current line begins in `pending`
    bool first = true;         // the byte-order mark can only stand at the very start
    bool afterCR = false;      // the previous block ended with a CR: a leading LF belongs to it
    bool lineOpen = false;     // bytes of an unfinished line are in `pending`

    bool tooLong = false;
    // Where the records stand: the fields of the header (the number of variables once the header
    // is passed), the fields counted so far and whether a quoted field is open.
    bool header = true;
    std::int64_t valn = 0;
    std::int64_t fields = 0;
    bool inQuote = false;
    auto endLine = [&]() {
        tooLong = tooLong || pending.size() - lineStart > maxLine;
        // Trailing commas go, so empty columns at a spreadsheet's right edge are no variables.
        const std::size_t full = pending.size();
        std::size_t n = full;
        while (n > lineStart && pending[n - 1] == separator)
            --n;
        const std::string_view kept = std::string_view(pending).substr(lineStart, n - lineStart);
        const bool blank = !inQuote && kept.find_first_not_of(' ') == std::string_view::npos;
        const std::int64_t added = lineFields(kept, separator, inQuote);
        fields += added;
        if (header) {
            header = false;
            valn = added;
        } else if (!blank && !inQuote && valn > 0 && fields % valn != 0) {
            // Blank last cells of a spreadsheet row: the commas that complete its record stay.
            const std::int64_t missing = valn - fields % valn;
            if (std::int64_t(full - n) >= missing) {
                n += std::size_t(missing);
                fields += missing;
            }
        }
        pending.resize(n);
        pending += "\r\n";
        lineStart = pending.size();
        lineOpen = false;
    };

    for (;;) {
        std::size_t n = std::fread(block.get(), 1, blockSize, in.f);
        const int readErr = errno; // before the window's event processing can change it
        if (stopped())
            return giveUp(Status::cancelled());
        if (n == 0) {
            if (std::ferror(in.f) && readErr == EINTR) {
                std::clearerr(in.f); // interrupted by a signal that asks for no stop
                continue;
            }
            break;
        }
        const char* p = block.get();
        const char* end = p + n;
        if (first) {
            first = false;
            if (n >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)
                p += 3;
        }
        if (afterCR && p < end && *p == '\n')
            ++p;
        afterCR = false;
        while (p < end) {
            const char* q = p;
            while (q < end && *q != '\r' && *q != '\n')
                ++q;
            pending.append(p, std::size_t(q - p));
            if (q == end) {
                lineOpen = true;
                break;
            }
            endLine();
            p = q + 1;
            if (*q == '\r') {
                if (p < end && *p == '\n')
                    ++p;
                else if (p == end)
                    afterCR = true;
            }
        }
        if (tooLong || pending.size() - lineStart > maxLine)
            return lineTooLong();
        if (lineStart >= kBlock) {
            if (std::fwrite(pending.data(), 1, lineStart, out.f) != lineStart)
                return writeFailed(errno);
            pending.erase(0, lineStart);
            lineStart = 0;
        }
        if (n < blockSize) {
            if (std::ferror(in.f) && readErr == EINTR) {
                std::clearerr(in.f);
                continue;
            }
            break;
        }
    }
    if (std::ferror(in.f)) {
        const int err = errno;
        out.close();
        std::remove(fileto.c_str());
        return Status::failed("Cannot read the data file " + quoted(filefrom) + ": " +
                              systemReason(err));
    }
    if (lineOpen)
        endLine();
    if (tooLong)
        return lineTooLong();
    if (!writeAll(out.f, pending))
        return writeFailed(errno);
    if (!out.close()) {
        const int err = errno;
        std::remove(fileto.c_str());
        return Status::writeFailed("Cannot write " + quoted(fileto) + ": " + systemReason(err));
    }
    return Status::ok();
}

Status sizeDataFile(Progress* progress, std::int32_t& erf, const std::string& filename,
                    const std::string& shownName, std::int32_t& valn, std::int32_t& objn,
                    const std::string& scratchDir, char separator) {
    const std::string sizingLog = scratchPath(scratchDir, kSizingLog);
    const std::string headerCopy = scratchPath(scratchDir, kHeaderCopy);
    FileCloser log(openFresh(sizingLog));
    if (log.f == nullptr)
        return Status::writeFailed("Cannot write " + quoted(sizingLog) + ": " +
                                   systemReason(errno));
    logLine(log.f, "Filename: " + filename);
    erf = 0;
    objn = 0;
    valn = 0;

    FileCloser data(std::fopen(filename.c_str(), "rb"));
    if (data.f == nullptr)
        return Status::failed("Cannot read the data file " + quoted(shownName) + ": " +
                              systemReason(errno));
    std::string header;
    if (!readFirstLine(data.f, header))
        return Status::failed("Cannot read the data file " + quoted(shownName) + ": " +
                              systemReason(errno));
    // Only ASCII letters change case; other bytes are kept as they are.
    for (char& c : header)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');

    {
        FileCloser copy(openFresh(headerCopy));
        if (copy.f == nullptr || !writeAll(copy.f, header + "\r\n") || !copy.close()) {
            const int err = errno;
            std::remove(headerCopy.c_str());
            return Status::writeFailed("Cannot write " + quoted(headerCopy) + ": " +
                                       systemReason(err));
        }
    }
    {
        FileCloser copy(std::fopen(headerCopy.c_str(), "rb"));
        if (copy.f == nullptr) {
            const int err = errno;
            std::remove(headerCopy.c_str());
            return Status::failed("Cannot read " + quoted(headerCopy) + ": " + systemReason(err));
        }
        FieldReader names(copy.f, 4096, separator);
        std::string_view field;
        std::string line;
        while (names.next(field)) {
            ++valn;
            line.clear();
            appendPrint(line, valn);
            line += "Variable name: ";
            line += field;
            logLine(log.f, line);
        }
    }
    std::remove(headerCopy.c_str());

    std::string line = "Number of variables: ";
    appendPrint(line, valn);
    logLine(log.f, line);

    if (valn == 0) {
        erf = 1;
        logLine(log.f, kNoVariable);
        return Status::ok(); // the log stays on disk; the caller tests erf
    }

    // Rows are counted after the header as the loader reads it: valn fields by the field rule,
    // so the two agree even when a quoted name runs over a line end.
    std::rewind(data.f);
    FieldReader reader(data.f, std::size_t{1} << 20, separator);
    std::string_view field;
    for (std::int32_t k = 0; k < valn; ++k)
        reader.next(field);
    while (reader.next(field)) {
        if (progress != nullptr && !progress->proceed()) {
            objn = 0;
            valn = 0;
            log.close();
            std::remove(sizingLog.c_str());
            return Status::cancelled();
        }
        if (objn == std::numeric_limits<std::int32_t>::max()) {
            objn = 0;
            valn = 0;
            return Status::failed("The data file " + quoted(shownName) +
                                  " has more data rows than can be counted");
        }
        ++objn;
        const std::int64_t line = reader.fieldLine();
        std::int32_t found = 1;
        while (found < valn && reader.next(field))
            ++found;
        if (found < valn) {
            // The log keeps what was written, as after a sizing that stops.
            const std::int32_t row = objn;
            objn = 0;
            const std::int32_t n = valn;
            valn = 0;
            return Status::failed("The data file " + quoted(shownName) + " ends inside a record: " +
                                  rowPlace(line, row) + " has only " + std::to_string(found) +
                                  " of its " + std::to_string(n) + " fields.");
        }
    }
    if (reader.ioError()) {
        objn = 0;
        valn = 0;
        return Status::failed("Cannot read the data file " + quoted(shownName) + ": " +
                              systemReason(EIO));
    }

    line = "Number of data";
    zoneAdvance(line);
    appendPrint(line, objn);
    logLine(log.f, line);
    data.close();
    log.close();
    std::remove(sizingLog.c_str());
    return Status::ok();
}

Status VectorFileSize(Progress* progress, std::int32_t& erf, const std::string& filename,
                      std::int32_t& valn, std::int32_t& objn) {
    return sizeDataFile(progress, erf, filename, filename, valn, objn);
}

} // namespace sscm
