#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sscm {

struct DataTable;

/// The encodings in which the names of a data file usually come: UTF-8, CP932 (Shift-JIS as
/// spreadsheets on Japanese desktops export it) and Latin-1. Files keep their bytes whatever the
/// guess; the guess only decides how a name is shown.
enum class TextEncoding { Utf8, Cp932, Latin1 };

/// Whether the text is well-formed UTF-8 (ASCII included): no stray continuation bytes, no
/// overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

/// Whether the text splits cleanly into CP932 characters: ASCII, half-width katakana
/// (0xA1-0xDF), and double-byte characters whose lead byte is 0x81-0x9F or 0xE0-0xFC and whose
/// trail byte is 0x40-0x7E or 0x80-0xFC.
bool isCleanCp932(std::string_view text);

/// Whether the text holds a double-byte CP932 character as Japanese text has them: a lead byte
/// of 0x81-0x9F (symbols, kana, the common kanji) or a trail byte of 0x80 or above. Western
/// Latin-1 names that happen to split cleanly into CP932 characters have none: their accented
/// letters (0xE0-0xFF) are followed by plain letters, as in "G\xE4nsebl\xFCmchen".
bool hasJapaneseCp932(std::string_view text);

/// UTF-8 when the text is valid UTF-8, else CP932 when it splits cleanly into CP932 characters
/// and has a Japanese one, else Latin-1 (every byte a character).
TextEncoding guessEncoding(std::string_view text);

/// The decision for a set of texts taken together (the names of one data set), text by text:
/// UTF-8 when every text is valid UTF-8, else CP932 when every text is clean CP932 and one has a
/// Japanese character, else Latin-1. Repeated texts change nothing.
class EncodingGuess {
public:
    void add(std::string_view text);
    /// Neither UTF-8 nor CP932 is possible any more: Latin-1 whatever texts follow.
    bool settled() const { return !utf8_ && !cp932_; }
    TextEncoding result() const;

private:
    bool utf8_ = true;
    bool cp932_ = true;
    bool japanese_ = false;
};

/// The set decision for `texts`.
TextEncoding guessEncoding(const std::vector<std::string>& texts);

/// The set decision for a data table: its variable names and the texts of all its cells, which
/// is where every case, species and variable name shown or written comes from.
TextEncoding guessEncoding(const DataTable& table);

/// "UTF-8", "CP932" or "latin1": names that R's fileEncoding and iconv understand.
const char* encodingName(TextEncoding e);

/// The text, read as Latin-1, in UTF-8.
std::string latin1ToUtf8(std::string_view text);

} // namespace sscm
