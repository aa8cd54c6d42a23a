#include "data/textencoding.h"

#include "data/datatable.h"

namespace sscm {

bool isValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra = 0;
        unsigned cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false; // a continuation byte, an overlong lead (C0, C1) or beyond F4
        }
        if (end - p <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned t = p[k];
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

bool isCleanCp932(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            ++p;
            continue;
        }
        if (!((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) || end - p < 2)
            return false;
        const unsigned t = p[1];
        if (!((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)))
            return false;
        p += 2;
    }
    return true;
}

bool hasJapaneseCp932(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF) || end - p < 2) {
            ++p;
            continue;
        }
        if (c <= 0x9F || p[1] >= 0x80)
            return true;
        p += 2;
    }
    return false;
}

TextEncoding guessEncoding(std::string_view text) {
    if (isValidUtf8(text))
        return TextEncoding::Utf8;
    if (isCleanCp932(text) && hasJapaneseCp932(text))
        return TextEncoding::Cp932;
    return TextEncoding::Latin1;
}

void EncodingGuess::add(std::string_view text) {
    utf8_ = utf8_ && isValidUtf8(text);
    cp932_ = cp932_ && isCleanCp932(text);
    japanese_ = japanese_ || (cp932_ && hasJapaneseCp932(text));
}

TextEncoding EncodingGuess::result() const {
    if (utf8_)
        return TextEncoding::Utf8;
    return cp932_ && japanese_ ? TextEncoding::Cp932 : TextEncoding::Latin1;
}

TextEncoding guessEncoding(const std::vector<std::string>& texts) {
    EncodingGuess guess;
    for (const std::string& t : texts) {
        guess.add(t);
        if (guess.settled())
            break;
    }
    return guess.result();
}

namespace {

// Calls `look` with each cell of `table` that holds a byte above 0x7F, in order, until it returns
// false. Cells of plain ASCII (numbers, most names) are passed over in one pass over the bytes.
template <class Look> void nonAsciiCells(const DataTable& table, Look look) {
    const std::string_view text(table.text);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t k = 0;
    std::size_t p = 0;
    while (true) {
        while (p < size && bytes[p] < 0x80)
            ++p;
        if (p == size)
            return;
        while (table.offsets[k + 1] <= p) // the cell that holds byte p
            ++k;
        if (!look(text.substr(table.offsets[k], table.offsets[k + 1] - table.offsets[k])))
            return;
        p = table.offsets[k + 1];
    }
}

} // namespace

TextEncoding guessEncoding(const DataTable& table) {
    EncodingGuess guess;
    for (const std::string& name : table.varname)
        guess.add(name);
    // Most tables are UTF-8 (or ASCII): one look at each cell settles that, and only a table that
    // is not needs the CP932 and Latin-1 looks.
    if (guess.result() == TextEncoding::Utf8) {
        bool utf8 = true;
        nonAsciiCells(table, [&](std::string_view cell) {
            utf8 = isValidUtf8(cell);
            return utf8;
        });
        if (utf8)
            return TextEncoding::Utf8;
    }
    nonAsciiCells(table, [&](std::string_view cell) {
        guess.add(cell);
        return !guess.settled();
    });
    return guess.result();
}

const char* encodingName(TextEncoding e) {
    switch (e) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Cp932:
        return "CP932";
    case TextEncoding::Latin1:
        break;
    }
    return "latin1";
}

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace sscm
