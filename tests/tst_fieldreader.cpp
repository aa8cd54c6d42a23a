#include "data/fieldreader.h"
#include "random_draws.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Fields = std::vector<std::string>;

Fields readAll(sscm::FieldReader& r) {
    Fields out;
    std::string_view f;
    while (r.next(f))
        out.emplace_back(f);
    return out;
}

Fields fromText(std::string_view text) {
    sscm::FieldReader r(text);
    return readAll(r);
}

Fields fromFile(const std::string& text, std::size_t blockSize) {
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    sscm::FieldReader r(f, blockSize);
    Fields out = readAll(r);
    EXPECT_FALSE(r.ioError());
    std::fclose(f);
    return out;
}

TEST(FieldReader, CommasAndLines) {
    EXPECT_EQ(fromText("Site,Species,Pref\r\ns1,sp1,3\r\n"),
              (Fields{"Site", "Species", "Pref", "s1", "sp1", "3"}));
    EXPECT_EQ(fromText("a,b"), (Fields{"a", "b"}));
    EXPECT_EQ(fromText(""), Fields{});
    EXPECT_EQ(fromText("x"), Fields{"x"});
}

TEST(FieldReader, LineEndsOfEveryPlatformReadTheSame) {
    const Fields want{"a", "b", "c", "d"};
    EXPECT_EQ(fromText("a,b\r\nc,d\r\n"), want);
    EXPECT_EQ(fromText("a,b\nc,d\n"), want);
    EXPECT_EQ(fromText("a,b\rc,d\r"), want);
    EXPECT_EQ(fromText("a,b\rc,d"), want);
    EXPECT_EQ(fromText("a,b\n\rc,d\n"), want);
}

TEST(FieldReader, LeadingBlanksSkippedTrailingKept) {
    EXPECT_EQ(fromText("  a,  b  ,c \r\n"), (Fields{"a", "b  ", "c "}));
    EXPECT_EQ(fromText("\ta,b\t"), (Fields{"\ta", "b\t"})) << "a tab is an ordinary character";
}

TEST(FieldReader, EmptyFields) {
    EXPECT_EQ(fromText("a,,c\r\n"), (Fields{"a", "", "c"}));
    EXPECT_EQ(fromText("a,  ,c\r\n"), (Fields{"a", "", "c"}));
    EXPECT_EQ(fromText(",\r\n"), (Fields{"", ""}));
    // A comma always opens another field, at the end of a line and at the end of the input.
    EXPECT_EQ(fromText("a,\r\nb"), (Fields{"a", "", "b"}));
    EXPECT_EQ(fromText("a,"), (Fields{"a", ""}));
    EXPECT_EQ(fromText("a, "), (Fields{"a", ""}));
}

TEST(FieldReader, BlankLinesYieldNoField) {
    EXPECT_EQ(fromText("a,b\r\n\r\n   \r\nc,d\r\n\r\n  \r\n"), (Fields{"a", "b", "c", "d"}));
    EXPECT_EQ(fromText("\r\n\r\na"), (Fields{"a"}));
    EXPECT_EQ(fromText("   "), Fields{});
    EXPECT_EQ(fromText("\n\r\n\r"), Fields{});
}

TEST(FieldReader, QuotedFields) {
    EXPECT_EQ(fromText("\"a,b\",c\r\n"), (Fields{"a,b", "c"}));
    EXPECT_EQ(fromText("  \"a b\"  ,c"), (Fields{"a b", "c"}));
    EXPECT_EQ(fromText("\"\",x"), (Fields{"", "x"})) << "a pair of quotes is an empty cell";
    // Text between the closing quote and the next comma or line end is dropped.
    EXPECT_EQ(fromText("\"ab\"cd,e\r\n\"f\" g\r\nh"), (Fields{"ab", "e", "f", "h"}));
    // A quote inside an unquoted field is an ordinary character.
    EXPECT_EQ(fromText("a\"b,c\"d\""), (Fields{"a\"b", "c\"d\""}));
    // No escaped quote: "" inside a quoted field closes it.
    EXPECT_EQ(fromText("\"a\"\"b\",c"), (Fields{"a", "c"}));
}

TEST(FieldReader, QuotedFieldSpansLines) {
    EXPECT_EQ(fromText("\"two\r\nlines\",x\r\n"), (Fields{"two\r\nlines", "x"}));
    EXPECT_EQ(fromText("\"a\nb\rc\""), (Fields{"a\nb\rc"}));
}

TEST(FieldReader, UnterminatedQuoteRunsToTheEnd) {
    EXPECT_EQ(fromText("a,\"b,c\r\nd"), (Fields{"a", "b,c\r\nd"}));
    EXPECT_EQ(fromText("\""), (Fields{""}));
}

TEST(FieldReader, RecordsSpanLines) {
    // Six fields after a three-variable header are two rows, on two lines or on three.
    EXPECT_EQ(fromText("h1,h2,h3\r\ns1,sp1\r\n3,s2\r\nsp2,4\r\n"),
              (Fields{"h1", "h2", "h3", "s1", "sp1", "3", "s2", "sp2", "4"}));
}

TEST(FieldReader, TrailingBlankLineAfterCommaOnlyLine) {
    EXPECT_EQ(fromText("a\r\n,,\r\n"), (Fields{"a", "", "", ""}));
}

TEST(FieldReader, FileGivesTheSameFieldsAsMemory) {
    const std::string text = "Site,\"Spe,cies\",Pref\r\n s1 ,sp1,\"3\"x\r\n\r\n  \r\ns2,,4";
    const Fields want = fromText(text);
    EXPECT_EQ(want, (Fields{"Site", "Spe,cies", "Pref", "s1 ", "sp1", "3", "s2", "", "4"}));
    EXPECT_EQ(fromFile(text, std::size_t{1} << 20), want);
    EXPECT_EQ(fromFile(text, 0), want) << "a block size of 0 is taken as 1";
}

// Every split of a field over block boundaries must give the field whole: many random inputs
// built from the characters that matter, read through blocks of 1 to 7 bytes.
TEST(FieldReader, BlockBoundariesAnywhere) {
    const char alphabet[] = {'a', 'b', ' ', ' ', ',', ',', '"', '\r', '\n', '\t', 'x'};
    std::mt19937 rng(2024);
    sscm::test::UniformInt pick(0, sizeof alphabet - 1);
    sscm::test::UniformInt len(0, 60);
    for (int t = 0; t < 3000; ++t) {
        std::string text;
        const int n = len(rng);
        for (int i = 0; i < n; ++i)
            text += alphabet[pick(rng)];
        const Fields want = fromText(text);
        for (std::size_t block = 1; block <= 7; ++block)
            ASSERT_EQ(fromFile(text, block), want) << "block " << block << " text [" << text << "]";
        ASSERT_EQ(fromFile(text, 4096), want);
    }
}

TEST(FieldReader, LongFieldsOverManyBlocks) {
    const std::string longA(5000, 'a');
    const std::string text = longA + ",\"" + longA + ",\r\n" + longA + "\"" + longA + "\r\n" +
                             std::string(3000, ' ') + "b";
    const Fields want{longA, longA + ",\r\n" + longA, "b"};
    EXPECT_EQ(fromText(text), want);
    for (std::size_t block : {1, 3, 64, 1000, 4096})
        EXPECT_EQ(fromFile(text, block), want) << block;
}

TEST(FieldReader, ReadsFromTheCurrentPosition) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    const std::string text = "skip\r\na,b\r\n";
    std::fwrite(text.data(), 1, text.size(), f);
    std::fseek(f, 6, SEEK_SET);
    sscm::FieldReader r(f, 2);
    EXPECT_EQ(readAll(r), (Fields{"a", "b"}));
    std::fclose(f);
}

} // namespace
