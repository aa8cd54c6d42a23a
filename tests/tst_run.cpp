#include "analysis/records.h"
#include "analysis/run.h"
#include "analysis_fixtures.h"
#include "recording_window.h"
#include "tempdir.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::Ctl;
using sscm::test::makeTable;

const std::vector<std::string> kNames = {"Site", "Species", "Pref"};

// Case S1 (A 5, B 2) and case S2 (A 1, B 1, C 3).
const std::vector<std::vector<std::string>> kWorked = {
    {"S1", "A", "5"}, {"S1", "B", "2"}, {"S2", "A", "1"}, {"S2", "B", "1"}, {"S2", "C", "3"}};

const char* kHeading = "Minimum connect steps (smaller is better). Large value means limited "
                       "number of common species.";

class Run : public sscm::test::TempDirTest {
protected:
    sscm::test::RecordingWindow w;
    sscm::Session s;

    void SetUp() override {
        TempDirTest::SetUp();
        w.startUp(dir().string());
        w.texts[Ctl::Text1] = "Site";
        w.texts[Ctl::Text2] = "Species";
        w.texts[Ctl::Text4] = "Pref";
        w.texts[Ctl::Text6] = "log_data.csv";
        w.texts[Ctl::Text5] = "1";
        w.lists[Ctl::List3] = {"from before"};
        s.table = makeTable(kNames, kWorked);
    }

    /// A run that stops on bad input: the message in a box, GO ready again, no record file,
    /// List3 as it was (plus what the run had listed before it stopped).
    void expectStopped(const sscm::Status& st, const std::string& part, const char* title) {
        ASSERT_EQ(st.code, sscm::Status::Code::Failed);
        ASSERT_EQ(w.messages.size(), 1u);
        EXPECT_EQ(w.messages[0].text, st.message);
        EXPECT_EQ(w.messages[0].title, title);
        EXPECT_NE(st.message.find(part), std::string::npos) << st.message;
        EXPECT_TRUE(w.enabled[Ctl::Command4]);
        EXPECT_EQ(w.captions[Ctl::Command4], "GO");
        EXPECT_FALSE(exists(sscm::kRecordFile));
        EXPECT_EQ(w.lists[Ctl::List3].front(), "from before");
    }
};

TEST_F(Run, WorkedExampleFromStartToEnd) {
    ASSERT_TRUE(sscm::goCommand(w, s));
    EXPECT_EQ(w.lists[Ctl::List3],
              (std::vector<std::string>{"from before", " ", " Item , S1, S2, Number of occurence",
                                        "A,  1,  1,  2", "B,  1,  1,  2", "C,  0,  1,  1", " ",
                                        "Eigen vector (palatability)", "A,  .790569415690144",
                                        "B,  .612372434859167"}));
    EXPECT_EQ(readFile("log_data.csv"), std::string("C deleted\r\n\r\n") +
                                            "Number of all species:  3 \r\n"
                                            "Number of species used:  2 \r\n\r\n" +
                                            kHeading +
                                            "\r\nA 1 \r\nB 1 \r\n\r\n"
                                            "Species,A,B \r\nA, 2 , 2.5  \r\nB, 1.5 , 2  \r\n");
    EXPECT_FALSE(exists(sscm::kRecordFile));
    EXPECT_EQ(s.filetemp, "temp5.tmp");
    EXPECT_TRUE(w.enabled[Ctl::Command4]);
    EXPECT_EQ(w.captions[Ctl::Command4], "GO");
    EXPECT_EQ(w.captions[Ctl::Label11], "100% finished");
    EXPECT_EQ(w.captions[Ctl::Label14], ""); // the iteration ended before step 100
    EXPECT_TRUE(w.messages.empty());
    ASSERT_EQ(s.curvec.size(), 2u);
    EXPECT_NEAR(s.curvec[0] * s.curvec[0] + s.curvec[1] * s.curvec[1], 1.0, 1e-15);
    EXPECT_EQ(s.palatvalue, std::vector<double>(2, -1e+300));
    ASSERT_EQ(s.nextvec.size(), 2u);

    // A second run appends its listing and writes the log afresh.
    w.values[Ctl::Check1] = 0;
    ASSERT_TRUE(sscm::goCommand(w, s));
    // Each run lists 5 occurrence lines; the first ranks 2 species, the second all 3.
    EXPECT_EQ(w.lists[Ctl::List3].size(), 1u + (5u + 4u) + (5u + 5u));
    EXPECT_EQ(readFile("log_data.csv").substr(0, 2 + std::strlen(kHeading)),
              std::string("\r\n") + kHeading);
}

TEST_F(Run, TwoSpeciesTheFirstAlwaysHigher) {
    s.table = makeTable(kNames, {{"S1", "A", "2"}, {"S1", "B", "1"}});
    w.values[Ctl::Check1] = 0;
    ASSERT_TRUE(sscm::goCommand(w, s));
    const auto& list = w.lists[Ctl::List3];
    EXPECT_EQ(list[list.size() - 2], "A,  .866025408042726");
    EXPECT_EQ(list.back(), "B,  .49999999262443");
}

TEST_F(Run, OneSpecies) {
    s.table = makeTable(kNames, {{"S1", "Poa", "3"}});
    w.values[Ctl::Check1] = 0;
    ASSERT_TRUE(sscm::goCommand(w, s));
    EXPECT_EQ(readFile("log_data.csv"),
              std::string("\r\n") + kHeading + "\r\nPoa 1 \r\n\r\nSpecies,Poa \r\nPoa, 2  \r\n");
    EXPECT_EQ(w.lists[Ctl::List3].back(), "Poa,  1");
    EXPECT_EQ(s.curvec, (std::vector<double>{1}));
}

TEST_F(Run, EmptyRoleNameIsNamed) {
    w.texts[Ctl::Text2] = "";
    expectStopped(sscm::goCommand(w, s), "plant species", sscm::kErrorTitle);
    EXPECT_TRUE(exists("log_data.csv"));
    EXPECT_EQ(readFile("log_data.csv"), "");
    EXPECT_EQ(w.lists[Ctl::List3].size(), 1u);
    EXPECT_EQ(w.captions[Ctl::Label11], " 0 %");
}

TEST_F(Run, NameNotFoundIsQuotedWithItsCase) {
    w.texts[Ctl::Text4] = "pref";
    expectStopped(sscm::goCommand(w, s), "\"pref\"", sscm::kErrorTitle);
    EXPECT_EQ(readFile("log_data.csv"), "");
}

TEST_F(Run, NoTableOrNoRowsWritesNothing) {
    s.table.reset();
    expectStopped(sscm::goCommand(w, s), "No data file", sscm::kErrorTitle);
    EXPECT_FALSE(exists("log_data.csv"));

    w.messages.clear();
    s.table = makeTable(kNames, {});
    expectStopped(sscm::goCommand(w, s), "no data rows", sscm::kErrorTitle);
    EXPECT_FALSE(exists("log_data.csv"));
}

TEST_F(Run, LogThatCannotBeOpenedIsNamedWithTheReason) {
    w.texts[Ctl::Text6] = "missing-dir/log.csv";
    expectStopped(sscm::goCommand(w, s), "missing-dir/log.csv", sscm::kErrorTitle);
    EXPECT_NE(w.messages[0].text.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(w.lists[Ctl::List3].size(), 1u);
}

TEST_F(Run, IntensityThatIsNoNumberStopsAfterTheOccurrenceListing) {
    s.table = makeTable(kNames, {{"S1", "A", "5"}, {"S1", "B", ""}, {"S2", "A", "1,5"}});
    expectStopped(sscm::goCommand(w, s), "Data row 2: the intensity \"\"", sscm::kErrorTitle);
    EXPECT_EQ(w.lists[Ctl::List3].size(), 1u + 4u); // the occurrence listing stays
    EXPECT_EQ(readFile("log_data.csv"), "");
}

TEST_F(Run, ThresholdThatIsNoNumberIsQuoted) {
    w.texts[Ctl::Text5] = "";
    expectStopped(sscm::goCommand(w, s), "threshold \"\"", sscm::kErrorTitle);
}

TEST_F(Run, EverySpeciesRemoved) {
    w.texts[Ctl::Text5] = "4";
    expectStopped(sscm::goCommand(w, s), "All 3 species", sscm::kErrorTitle);
    EXPECT_EQ(readFile("log_data.csv"), "A deleted\r\nB deleted\r\nC deleted\r\n\r\n"
                                        "Number of all species:  3 \r\n"
                                        "Number of species used:  0 \r\n");
}

TEST_F(Run, SplitNetworkShowsTheBoxAndEndsTheRun) {
    s.table = makeTable(kNames, {{"S1", "A", "1"}, {"S1", "B", "2"}, {"S2", "C", "1"}});
    w.values[Ctl::Check1] = 0;
    expectStopped(sscm::goCommand(w, s), "No common species between cases", sscm::kBlankTitle);
    EXPECT_EQ(w.messages[0].text, "No common species between cases");
    EXPECT_EQ(readFile("log_data.csv"), std::string("\r\n") + kHeading + "\r\n");
}

TEST_F(Run, ClosingWindowStopsQuietlyAndTidiesUp) {
    w.closeAtEventCall = 5;
    const sscm::Status st = sscm::goCommand(w, s);
    EXPECT_EQ(st.code, sscm::Status::Code::Cancelled);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_FALSE(exists(sscm::kRecordFile));
}

// A Read while the run processes events replaces the session's table; the run goes on with the
// table it started with.
class ReadDuringRunWindow : public sscm::test::RecordingWindow {
public:
    sscm::Session* session = nullptr;
    bool processEvents() override {
        if (session != nullptr) {
            session->table = makeTable({"x"}, {{"1"}});
            session = nullptr;
        }
        return RecordingWindow::processEvents();
    }
};

TEST_F(Run, TableReplacedDuringTheRunIsNotSeen) {
    ReadDuringRunWindow rw;
    rw.texts = w.texts;
    rw.values = w.values;
    rw.session = &s;
    ASSERT_TRUE(sscm::goCommand(rw, s));
    EXPECT_EQ(rw.lists[Ctl::List3].back(), "B,  .612372434859167");
    EXPECT_EQ(s.table->valn, 1);
}

} // namespace
