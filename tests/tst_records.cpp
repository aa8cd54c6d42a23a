#include "analysis/caserows.h"
#include "analysis/parallel.h"
#include "analysis/records.h"
#include "analysis_fixtures.h"
#include "commands/windowprogress.h"
#include "recording_window.h"
#include "tempdir.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::test::makeTable;
using sscm::test::RecordingWindow;

// The matrices of every pooled species.
sscm::Matrices matricesOf(const sscm::PooledComparisons& p) {
    std::vector<std::int32_t> all(std::size_t(p.n));
    std::iota(all.begin(), all.end(), 0);
    sscm::Matrices m;
    sscm::keptMatrices(p, all, m);
    return m;
}

class RecordsTest : public sscm::test::TempDirTest {
protected:
    // Writes the records of `t` (columns Site, Species, Pref) to temp5.tmp and pools them.
    sscm::Status write(const sscm::DataTable& t, RecordingWindow& w, sscm::Matrices& m,
                       std::uint64_t packedLimit = sscm::kPackedLimit) {
        tab_ = {};
        EXPECT_TRUE(sscm::buildTables(t, 1, 2, 3, tab_));
        sscm::OutFile out;
        EXPECT_TRUE(out.open(sscm::kRecordFile, true));
        sscm::WindowProgress obs(w);
        sscm::PooledComparisons p;
        const sscm::Status st = sscm::writeRecords(obs, t, 3, tab_, &out, p, packedLimit);
        EXPECT_TRUE(out.close());
        m = matricesOf(p);
        return st;
    }
    sscm::CaseSpeciesTables tab_;
};

TEST_F(RecordsTest, WorkedExampleRecordsAndMatrices) {
    const auto t = makeTable(
        {"Site", "Species", "Pref"},
        {{"S1", "A", "5"}, {"S1", "B", "2"}, {"S2", "A", "1"}, {"S2", "B", "1"}, {"S2", "C", "3"}});
    RecordingWindow w;
    sscm::Matrices m;
    ASSERT_TRUE(write(*t, w, m));
    EXPECT_EQ(readFile("temp5.tmp"), "S1,A,A, 2 \r\nS1,A,B, 3 \r\nS1,B,A, 1 \r\nS1,B,B, 2 \r\n"
                                     "S2,A,A, 2 \r\nS2,A,B, 2 \r\nS2,A,C, 1 \r\n"
                                     "S2,B,A, 2 \r\nS2,B,B, 2 \r\nS2,B,C, 1 \r\n"
                                     "S2,C,A, 3 \r\nS2,C,B, 3 \r\nS2,C,C, 2 \r\n");
    EXPECT_EQ(m.compn, (std::vector<double>{2, 2, 1, 2, 2, 1, 1, 1, 1}));
    EXPECT_EQ(m.compsum, (std::vector<double>{4, 5, 1, 3, 4, 1, 3, 3, 2}));
    // One event pass and one "Making matrix" caption per record.
    EXPECT_EQ(w.eventCalls, 13);
    EXPECT_EQ(w.captions[sscm::Ctl::Label11], "Making matrix");
}

TEST_F(RecordsTest, RowsArePairedNotSpeciesAndIntensitiesCompareAsNumbers) {
    const auto t =
        makeTable({"Site", "Species", "Pref"},
                  {{"S", "A", "5"}, {"S", "A", "2"}, {"T", "x", "10"}, {"T", "y", " 9"}});
    RecordingWindow w;
    sscm::Matrices m;
    ASSERT_TRUE(write(*t, w, m));
    EXPECT_EQ(readFile("temp5.tmp"), "S,A,A, 2 \r\nS,A,A, 3 \r\nS,A,A, 1 \r\nS,A,A, 2 \r\n"
                                     "T,x,x, 2 \r\nT,x,y, 3 \r\nT,y,x, 1 \r\nT,y,y, 2 \r\n");
    EXPECT_EQ(m.count(0, 0), 4);
    EXPECT_EQ(m.sum(0, 0), 8);
}

TEST_F(RecordsTest, TextsThatWouldNotReadBackAreQuotedAndReadBackUnchanged) {
    const auto t = makeTable({"Site", "Species", "Pref"}, {{"a,b", " lead", "1"},
                                                           {"a,b", "line\r\nbreak", "2"},
                                                           {"a,b", "trail ", "3"},
                                                           {"a,b", "in\"side", "0"}});
    RecordingWindow w;
    sscm::Matrices direct;
    ASSERT_TRUE(write(*t, w, direct));
    const std::string file = readFile("temp5.tmp");
    EXPECT_EQ(file.substr(0, 27), "\"a,b\",\" lead\",\" lead\", 2 \r\n");
    EXPECT_NE(file.find("\"a,b\",trail ,\"line\r\nbreak\", 3 \r\n"), std::string::npos);
    EXPECT_NE(file.find("\"a,b\",in\"side,trail , 1 \r\n"), std::string::npos);

    sscm::Matrices back;
    ASSERT_TRUE(sscm::readRecords("temp5.tmp", tab_.spname, back));
    EXPECT_EQ(back.compsum, direct.compsum);
    EXPECT_EQ(back.compn, direct.compn);
}

// The matrices pooled while writing, the matrices read back from the file, and the counts the
// species-by-case table implies must all agree.
TEST_F(RecordsTest, PooledWhileWritingEqualsReadBackOnRandomData) {
    std::mt19937 rng(11);
    for (int round = 0; round < 4; ++round) {
        const auto rows = sscm::test::randomRows(rng, 60, 25, 40);
        const auto t = makeTable({"Site", "Species", "Pref"}, rows);
        RecordingWindow w;
        sscm::Matrices direct;
        ASSERT_TRUE(write(*t, w, direct));

        // The file, record by record: cases in order of first appearance, rows in data order.
        std::string expected;
        std::vector<std::string> done;
        for (const auto& first : rows) {
            if (std::find(done.begin(), done.end(), first[0]) != done.end())
                continue;
            done.push_back(first[0]);
            for (const auto& a : rows)
                for (const auto& b : rows)
                    if (a[0] == first[0] && b[0] == first[0]) {
                        const double pa = std::stod(a[2]);
                        const double pb = std::stod(b[2]);
                        const char code = pa > pb ? '3' : pa == pb ? '2' : '1';
                        expected += a[0] + "," + a[1] + "," + b[1] + ", " + code + " \r\n";
                    }
        }
        ASSERT_TRUE(readFile("temp5.tmp") == expected);
        sscm::Matrices back;
        ASSERT_TRUE(sscm::readRecords("temp5.tmp", tab_.spname, back));
        EXPECT_EQ(back.compsum, direct.compsum);
        EXPECT_EQ(back.compn, direct.compn);
        // The pooling used when the packed totals could overflow, and pooling with no file, on
        // one thread or several, packed or not.
        sscm::Matrices unpacked;
        ASSERT_TRUE(write(*t, w, unpacked, 0));
        EXPECT_EQ(unpacked.compsum, direct.compsum);
        EXPECT_EQ(unpacked.compn, direct.compn);
        for (const unsigned threads : {1U, 3U}) {
            for (const std::uint64_t limit : {sscm::kPackedLimit, std::uint64_t{0}}) {
                sscm::PooledComparisons pooledOnly;
                sscm::Progress quiet;
                ASSERT_TRUE(
                    sscm::writeRecords(quiet, *t, 3, tab_, nullptr, pooledOnly, limit, threads));
                const sscm::Matrices m = matricesOf(pooledOnly);
                EXPECT_EQ(m.compsum, direct.compsum);
                EXPECT_EQ(m.compn, direct.compn);
            }
        }
        for (std::int32_t a = 0; a < tab_.spn; ++a) {
            for (std::int32_t b = 0; b < tab_.spn; ++b) {
                double pairs = 0;
                for (std::int32_t c = 0; c < tab_.casen; ++c)
                    pairs += double(tab_.spcase(a, c)) * double(tab_.spcase(b, c));
                ASSERT_EQ(direct.count(a, b), pairs);
                ASSERT_EQ(direct.sum(a, b) + direct.sum(b, a), 4 * pairs);
            }
        }
    }
}

// A record longer than the output buffer is written in pieces, with the same bytes.
TEST_F(RecordsTest, RecordLongerThanTheBufferIsWrittenWhole) {
    const std::string longName(sscm::OutFile::kBufferSize + 10, 'x');
    const auto t = makeTable({"Site", "Species", "Pref"}, {{"S", longName, "2"}, {"S", "b", "1"}});
    RecordingWindow w;
    sscm::Matrices m;
    ASSERT_TRUE(write(*t, w, m));
    const std::string expected = "S," + longName + "," + longName + ", 2 \r\nS," + longName +
                                 ",b, 3 \r\nS,b," + longName + ", 1 \r\nS,b,b, 2 \r\n";
    EXPECT_TRUE(readFile("temp5.tmp") == expected);
    EXPECT_EQ(m.compsum, (std::vector<double>{2, 3, 1, 2}));
}

TEST_F(RecordsTest, IntensityThatIsNoNumberNamesRowVariableAndText) {
    const auto t = makeTable({"Site", "Species", "Bites"},
                             {{"S1", "A", "1"}, {"S2", "B", "2"}, {"S1", "C", "null"}});
    RecordingWindow w;
    sscm::Matrices m;
    const sscm::Status st = write(*t, w, m);
    ASSERT_FALSE(st);
    EXPECT_EQ(st.message,
              "Data row 3: the intensity \"null\" of the variable Bites is not a number.");
}

TEST_F(RecordsTest, ClosingWindowStopsTheRecords) {
    const auto t = makeTable({"Site", "Species", "Pref"}, {{"S", "A", "1"}, {"S", "B", "2"}});
    RecordingWindow w;
    w.closeAtEventCall = 3;
    sscm::Matrices m;
    EXPECT_EQ(write(*t, w, m).code, sscm::Status::Code::Cancelled);
    EXPECT_EQ(w.eventCalls, 3);
}

// A case's rows grouped by mapped species, data order kept within a species, rows of a species
// mapped to -1 left out, and the intensities kept by data row.
TEST(CaseRows, GroupedByMappedSpeciesInDataOrder) {
    const auto t = makeTable(
        {"Site", "Species", "Pref"},
        {{"S1", "C", "5"}, {"S1", "A", "2"}, {"S2", "B", "7"}, {"S1", "C", "1"}, {"S1", "B", "9"}});
    // Rows 0..4 by case: S1 holds rows 0, 1, 3, 4 and S2 row 2; species A=0, B=1, C=2, and B is
    // left out.
    sscm::CaseRows g;
    ASSERT_TRUE(sscm::groupCaseRows(*t, 3, false, {0, 4, 5}, {0, 1, 3, 4, 2}, {2, 0, 1, 2, 1},
                                    {0, -1, 1}, g));
    EXPECT_EQ(g.caseStart, (std::vector<std::int32_t>{0, 3, 3}));
    ASSERT_EQ(g.rows.size(), 3U);
    EXPECT_EQ(g.rows[0].sp, 0);
    EXPECT_EQ(g.rows[0].pref, 2);
    EXPECT_EQ(g.rows[1].pref, 5);
    EXPECT_EQ(g.rows[2].pref, 1);
    EXPECT_EQ(g.rows[2].sp, 1);
    EXPECT_EQ(g.pref, (std::vector<double>{5, 2, 0, 1, 0}));
    std::vector<std::int32_t> starts;
    g.groupStarts(0, starts);
    EXPECT_EQ(starts, (std::vector<std::int32_t>{0, 1, 3}));
}

TEST(RunParts, EveryPartOnceAndPartZeroOnTheCallingThread) {
    std::vector<std::atomic<int>> seen(5);
    std::atomic<int> calling{0};
    const auto self = std::this_thread::get_id();
    sscm::runParts(5, [&](unsigned part, bool onCaller) {
        ++seen[part];
        if (onCaller) {
            EXPECT_EQ(std::this_thread::get_id(), self);
            ++calling;
        }
        EXPECT_TRUE(part != 0 || onCaller);
    });
    for (const auto& n : seen)
        EXPECT_EQ(n.load(), 1);
    EXPECT_GE(calling.load(), 1);
}

TEST(NeedsQuotes, OnlyTextsTheFieldReaderWouldChange) {
    EXPECT_FALSE(sscm::needsQuotes("Poa annua"));
    EXPECT_FALSE(sscm::needsQuotes("trailing "));
    EXPECT_FALSE(sscm::needsQuotes("in\"side"));
    EXPECT_FALSE(sscm::needsQuotes("tab\there"));
    EXPECT_TRUE(sscm::needsQuotes(""));
    EXPECT_TRUE(sscm::needsQuotes("  "));
    EXPECT_TRUE(sscm::needsQuotes(" lead"));
    EXPECT_TRUE(sscm::needsQuotes("a,b"));
    EXPECT_TRUE(sscm::needsQuotes("a\nb"));
    EXPECT_TRUE(sscm::needsQuotes("a\rb"));
    EXPECT_TRUE(sscm::needsQuotes("\"q"));
}

} // namespace
