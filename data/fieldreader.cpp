#include "data/fieldreader.h"

#include "data/compat.h"

#include <algorithm>
#include <cstring>

namespace sscm {

namespace {

// A CR LF pair needs no special care: the CR ends the line, and the LF then ends an empty line,
// which yields no field. So CR and LF are each simply a line end, even across block boundaries.
inline bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// First separator or line end in [p, end), or end.
inline const char* findTerminator(const char* p, const char* end, char sep) {
    while (p < end) {
        const char c = *p;
        if (c == sep || c == '\n' || c == '\r')
            return p;
        ++p;
    }
    return end;
}

} // namespace

FieldReader::FieldReader(std::FILE* file, std::size_t blockSize, char separator)
    : file_(file), blockSize_(blockSize == 0 ? 1 : blockSize), sep_(separator) {
    // A small file needs no large buffer (one more byte, so the first read meets the end).
    const std::int64_t at = compat::fileTell(file);
    if (at >= 0 && compat::fileSeek(file, 0, SEEK_END) == 0) {
        const std::int64_t size = compat::fileTell(file);
        if (compat::fileSeek(file, at, SEEK_SET) == 0 && size >= at &&
            std::size_t(size - at) < blockSize_)
            blockSize_ = std::size_t(size - at) + 1;
    }
    buf_ = compat::makeUniqueForOverwrite<char[]>(blockSize_);
    p_ = end_ = buf_.get();
}

FieldReader::FieldReader(std::string_view text, char separator)
    : p_(text.data()), end_(text.data() + text.size()), eof_(true), sep_(separator) {}

bool FieldReader::fill() {
    if (file_ == nullptr || eof_)
        return false;
    const std::size_t n = std::fread(buf_.get(), 1, blockSize_, file_);
    if (n < blockSize_) {
        // fread stops short only at the end of the file or on an error.
        eof_ = true;
        if (std::ferror(file_))
            ioError_ = true;
    }
    if (n == 0)
        return false;
    p_ = buf_.get();
    end_ = p_ + n;
    return true;
}

bool FieldReader::next(std::string_view& field) {
    // Skip leading blanks; at the start of a line, lines that are empty or blank only as well.
    for (;;) {
        while (p_ < end_ && *p_ == ' ')
            ++p_;
        if (p_ == end_) {
            if (fill())
                continue;
            if (atLineStart_)
                return false;
            // A comma just before the end of the input opens one last, empty field.
            atLineStart_ = true;
            fieldLine_ = lineEnds_ + 1;
            field = {};
            return true;
        }
        if (isLineEnd(*p_)) {
            const bool lf = *p_ == '\n';
            ++p_;
            if (atLineStart_) {
                lineEnds_ += lf ? 1 : 0;
                continue;
            }
            atLineStart_ = true;
            fieldLine_ = lineEnds_ + 1;
            lineEnds_ += lf ? 1 : 0;
            field = {};
            return true;
        }
        break;
    }
    atLineStart_ = false;
    fieldLine_ = lineEnds_ + 1;
    if (*p_ == '"') {
        ++p_;
        return quoted(field);
    }
    return unquoted(field);
}

bool FieldReader::unquoted(std::string_view& field) {
    const char* s = p_;
    const char* q = findTerminator(s, end_, sep_);
    if (q < end_) {
        field = std::string_view(s, std::size_t(q - s));
        terminate(q);
        return true;
    }
    field_.assign(s, std::size_t(end_ - s));
    p_ = end_;
    for (;;) {
        if (!fill()) {
            atLineStart_ = true;
            field = field_;
            return true;
        }
        q = findTerminator(p_, end_, sep_);
        if (q < end_) {
            field_.append(p_, std::size_t(q - p_));
            field = field_;
            terminate(q);
            return true;
        }
        field_.append(p_, std::size_t(end_ - p_));
        p_ = end_;
    }
}

bool FieldReader::quoted(std::string_view& field) {
    // The opening quote is passed; the field runs to the next quote, or to the end of the input.
    bool gathered = false;
    const char* s = p_;
    const void* q = std::memchr(s, '"', std::size_t(end_ - s));
    if (q != nullptr) {
        const char* c = static_cast<const char*>(q);
        field = std::string_view(s, std::size_t(c - s));
        p_ = c + 1;
    } else {
        field_.assign(s, std::size_t(end_ - s));
        p_ = end_;
        gathered = true;
        for (;;) {
            if (!fill()) {
                atLineStart_ = true;
                field = field_;
                return true;
            }
            q = std::memchr(p_, '"', std::size_t(end_ - p_));
            if (q != nullptr) {
                const char* c = static_cast<const char*>(q);
                field_.append(p_, std::size_t(c - p_));
                p_ = c + 1;
                break;
            }
            field_.append(p_, std::size_t(end_ - p_));
            p_ = end_;
        }
        field = field_;
    }
    // A quoted field may run over line ends.
    lineEnds_ += std::count(field.begin(), field.end(), '\n');
    // Drop whatever stands between the closing quote and the next comma or line end.
    for (;;) {
        const char* t = findTerminator(p_, end_, sep_);
        if (t < end_) {
            terminate(t);
            return true;
        }
        p_ = end_;
        if (!gathered) {
            // The next block replaces the one the field lies in.
            field_.assign(field);
            field = field_;
            gathered = true;
        }
        if (!fill()) {
            atLineStart_ = true;
            return true;
        }
    }
}

std::int64_t lineFields(std::string_view line, char separator, bool& inQuote) {
    const std::size_t n = line.size();
    std::size_t i = 0;
    auto toSeparator = [&] {
        while (i < n && line[i] != separator)
            ++i;
    };
    auto skipBlanks = [&] {
        while (i < n && line[i] == ' ')
            ++i;
    };
    std::int64_t count = 0;
    if (inQuote) {
        // The line continues a quoted field: it adds fields only after the closing quote.
        const std::size_t close = line.find('"');
        if (close == std::string_view::npos)
            return 0;
        inQuote = false;
        i = close + 1;
        toSeparator();
        if (i == n)
            return 0;
        ++i;
    } else {
        skipBlanks();
        if (i == n)
            return 0;
    }
    for (;;) {
        ++count;
        skipBlanks();
        if (i < n && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) {
                inQuote = true;
                return count;
            }
            i = close + 1;
        }
        toSeparator();
        if (i == n)
            return count;
        ++i; // a separator always opens another field
    }
}

} // namespace sscm
