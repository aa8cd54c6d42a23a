#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace sscm {

/// Reads comma-separated fields from a text, one at a time, through a large buffer. Another
/// separator (a semicolon, a tab) may take the comma's place; "comma" below means the separator.
///
/// A field ends at a comma or at the end of a line (CR LF, LF or CR); leading blanks (spaces) are
/// skipped; a tab is an ordinary character; an unquoted field keeps its trailing blanks. A field
/// whose first non-blank character is a double quote runs to the next double quote, commas and
/// line breaks included, and loses its quotes; whatever stands between the closing quote and the
/// next comma or line end is dropped; there is no escaped quote. A quote inside an unquoted field
/// is an ordinary character. A comma always opens another field, even at the end of a line. A
/// line that is empty or holds only blanks yields no field, wherever it stands. Records are not
/// bound to lines: the caller decides how many fields make a record.
class FieldReader {
public:
    /// Reads from an open file (not owned), from its current position to its end. A file shorter
    /// than `blockSize` gets a buffer of its own size.
    explicit FieldReader(std::FILE* file, std::size_t blockSize = std::size_t{1} << 20,
                         char separator = ',');
    /// Reads from a text held in memory (not copied; it must outlive the reader).
    explicit FieldReader(std::string_view text, char separator = ',');

    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    /// Reads the next field into `field`, which stays valid until the next call. Returns false at
    /// the end of the input (no further field).
    bool next(std::string_view& field);

    /// True when a read from the file failed (the fields seen so far are still valid).
    bool ioError() const { return ioError_; }

    /// The line (1 for the first) on which the field last returned by next() begins; lines are
    /// counted by their LF, so a text whose lines end in CR LF or LF is counted as an editor
    /// shows it.
    std::int64_t fieldLine() const { return fieldLine_; }

private:
    // The current block is [p_, end_): the whole text in memory, or the last block read from
    // the file into buf_. A field that crosses a block boundary is gathered in field_.
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buf_;
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    std::size_t blockSize_ = 0;
    bool eof_ = false;
    bool ioError_ = false;
    bool atLineStart_ = true;
    char sep_ = ',';
    /// LFs passed so far, and the line of the last field.
    std::int64_t lineEnds_ = 0;
    std::int64_t fieldLine_ = 0;
    std::string field_;

    /// Reads the next block of the file; false at its end (or on a read error).
    bool fill();
    bool unquoted(std::string_view& field);
    bool quoted(std::string_view& field);
    /// Passes the terminator at q: a comma keeps the line open, a line end closes it.
    void terminate(const char* q) {
        atLineStart_ = *q != sep_;
        lineEnds_ += *q == '\n' ? 1 : 0;
        p_ = q + 1;
    }
};

/// The number of fields that a line (without its line end) adds to the records of a file read by
/// FieldReader's rule, `inQuote` telling whether a quoted field is still open at its start, and
/// telling on return whether one is open at its end. A line that is empty or blank adds none.
/// The normalised copy of a data file counts its records with it.
std::int64_t lineFields(std::string_view line, char separator, bool& inQuote);

} // namespace sscm
