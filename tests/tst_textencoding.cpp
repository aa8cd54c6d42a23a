#include "data/datatable.h"
#include "data/textencoding.h"

#include <gtest/gtest.h>

namespace {

using sscm::TextEncoding;

TEST(TextEncoding, Utf8Validity) {
    EXPECT_TRUE(sscm::isValidUtf8("Poa annua"));
    EXPECT_TRUE(sscm::isValidUtf8("\xE3\x82\xB9\xE3\x82\xB9\xE3\x82\xAD")); // ススキ
    EXPECT_TRUE(sscm::isValidUtf8("\xF0\x9F\x8C\xBF"));                     // U+1F33F
    EXPECT_FALSE(sscm::isValidUtf8("\xC0\xAF"));                            // overlong "/"
    EXPECT_FALSE(sscm::isValidUtf8("\xE0\x80\xAF"));     // overlong three-byte form
    EXPECT_FALSE(sscm::isValidUtf8("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(sscm::isValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(sscm::isValidUtf8("\xE3\x82"));         // cut short
    EXPECT_FALSE(sscm::isValidUtf8("caf\xE9"));          // Latin-1 e acute
}

TEST(TextEncoding, GuessPerTextAndPerSet) {
    const std::string susuki = "\x83\x58\x83\x58\x83\x4C"; // ススキ in Shift-JIS
    EXPECT_EQ(sscm::guessEncoding(std::string_view(susuki)), TextEncoding::Cp932);
    EXPECT_EQ(sscm::guessEncoding(std::string_view("caf\xE9")), TextEncoding::Latin1);
    EXPECT_EQ(sscm::guessEncoding(std::string_view("\x83")), TextEncoding::Latin1); // lone lead
    // German and French names that split cleanly into CP932 characters are still Latin-1.
    const std::string gaense = "G\xE4nsebl\xFCmchen";
    EXPECT_EQ(sscm::guessEncoding(std::string_view(gaense)), TextEncoding::Latin1);
    EXPECT_EQ(sscm::guessEncoding(std::vector<std::string>{gaense, "cr\xE9pis"}),
              TextEncoding::Latin1);
    EXPECT_EQ(sscm::guessEncoding(std::vector<std::string>{gaense, susuki}), TextEncoding::Cp932);
    // One Latin-1 name makes the whole set Latin-1; ASCII names do not decide anything.
    EXPECT_EQ(sscm::guessEncoding(std::vector<std::string>{"Site", susuki}), TextEncoding::Cp932);
    EXPECT_EQ(sscm::guessEncoding(std::vector<std::string>{susuki, "caf\xE9"}),
              TextEncoding::Latin1);
    EXPECT_EQ(sscm::guessEncoding(std::vector<std::string>{"a", "b"}), TextEncoding::Utf8);
    EXPECT_EQ(sscm::latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
}

// A table of two variables whose cells are given row after row.
sscm::DataTable table(std::vector<std::string> varname, const std::vector<std::string>& cells) {
    sscm::DataTable t;
    t.valn = std::int32_t(varname.size());
    t.objn = std::int32_t(cells.size() / varname.size());
    t.varname = std::move(varname);
    for (const std::string& c : cells) {
        t.offsets.push_back(t.text.size());
        t.text += c;
    }
    t.offsets.push_back(t.text.size());
    return t;
}

TEST(TextEncoding, OneDecisionPerTableFromItsNamesAndEveryCell) {
    const std::string susuki = "\x83\x58\x83\x58\x83\x4C";
    // A species that alone is CP932 and a site in Latin-1 (a lead byte at its end).
    EXPECT_EQ(sscm::guessEncoding(table({"Site", "Species"}, {"S1", susuki, "Caf\xE9", "Poa"})),
              TextEncoding::Latin1);
    EXPECT_EQ(sscm::guessEncoding(table({"Site", "Species"}, {"S1", susuki, "S2", "Poa"})),
              TextEncoding::Cp932);
    // The header alone decides a table of ASCII cells; a UTF-8 header with a Latin-1 cell is
    // Latin-1 as a whole.
    EXPECT_EQ(sscm::guessEncoding(table({"Esp\xC3\xA8"
                                         "ce",
                                         "n"},
                                        {"S1", "3"})),
              TextEncoding::Utf8);
    EXPECT_EQ(sscm::guessEncoding(table({"Esp\xE8"
                                         "ce",
                                         "n"},
                                        {"S1", "3"})),
              TextEncoding::Latin1);
    EXPECT_EQ(sscm::guessEncoding(table({"Esp\xC3\xA8"
                                         "ce",
                                         "n"},
                                        {"\xC9rable", "3"})),
              TextEncoding::Latin1);
    // Each cell is a text of its own: the halves of a UTF-8 character in two cells are not one.
    EXPECT_EQ(sscm::guessEncoding(table({"a", "b"}, {"x\xC3", "\xA9y"})), TextEncoding::Latin1);
}

} // namespace
