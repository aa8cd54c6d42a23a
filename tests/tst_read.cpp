#include "commands/read.h"
#include "recording_window.h"
#include "tempdir.h"
#include "test_config.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <sys/stat.h>
#include <vector>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace {

using sscm::Ctl;
using sscm::Status;

/// Records the caption of Label18 each time the command lets events through: the progress the
/// user sees while each row is read.
class ProgressWindow : public sscm::test::RecordingWindow {
public:
    std::vector<std::string> progressAtEvents;
    std::vector<std::string> commandCaptions;
    bool processEvents() override {
        progressAtEvents.push_back(captions[Ctl::Label18]);
        return RecordingWindow::processEvents();
    }
    void setCaption(Ctl c, std::string_view t) override {
        if (c == Ctl::Command1)
            commandCaptions.emplace_back(t);
        RecordingWindow::setCaption(c, t);
    }
};

class Read : public sscm::test::TempDirTest {
protected:
    ProgressWindow w;
    sscm::Session s;

    void SetUp() override {
        TempDirTest::SetUp();
        w.startUp(dir().string());
    }

    /// Writes `bytes` as the data file `name` in the data directory and reads it.
    Status readBytes(const std::string& bytes, const std::string& name = "file_name.csv") {
        writeFile(name, bytes);
        w.texts[Ctl::Text7] = name;
        return sscm::readCommand(w, s);
    }

    std::vector<std::string> row(std::int32_t i) const {
        std::vector<std::string> r;
        for (std::int32_t j = 1; j <= s.table->valn; ++j)
            r.emplace_back(s.table->cell(j, i));
        return r;
    }

    /// The state every failed Read must leave.
    void expectNoTable() {
        EXPECT_EQ(s.table, nullptr);
        EXPECT_TRUE(w.lists[Ctl::List1].empty());
        EXPECT_TRUE(w.enabled[Ctl::Command1]);
        EXPECT_EQ(w.captions[Ctl::Command1], "Read");
        EXPECT_FALSE(exists("temp1.tmp"));
        EXPECT_FALSE(exists("temp4.tmp"));
    }
    /// A failure shown in a box with the error title and returned with the same message.
    void expectShownFailure(const Status& st) {
        EXPECT_EQ(st.code, Status::Code::Failed);
        ASSERT_EQ(w.messages.size(), 1u);
        EXPECT_EQ(w.messages[0].text, st.message);
        EXPECT_EQ(w.messages[0].title, sscm::kErrorTitle);
    }
};

TEST_F(Read, LoadsTableAndLists) {
    w.lists[Ctl::List3] = {"old result"};
    const Status st = readBytes("Site,Species,Pref\r\ns1,Poa,3\r\ns1,Carex,1\r\ns2,Poa,2\r\n");
    ASSERT_TRUE(st.isOk()) << st.message;
    ASSERT_NE(s.table, nullptr);
    EXPECT_EQ(s.table->valn, 3);
    EXPECT_EQ(s.table->objn, 3);
    EXPECT_EQ(s.table->varname, (std::vector<std::string>{"Site", "Species", "Pref"}));
    EXPECT_EQ(w.lists[Ctl::List1], (std::vector<std::string>{"Site", "Species", "Pref"}));
    EXPECT_TRUE(w.lists[Ctl::List3].empty());
    EXPECT_EQ(row(1), (std::vector<std::string>{"s1", "Poa", "3"}));
    EXPECT_EQ(row(3), (std::vector<std::string>{"s2", "Poa", "2"}));
    EXPECT_EQ(s.table->cell(2, 2), "Carex");
    EXPECT_EQ(s.table->offsets.size(), 10u);
    EXPECT_EQ(s.erf, 0);
    EXPECT_TRUE(w.messages.empty());
}

TEST_F(Read, DerivedNamesAndSourcePath) {
    ASSERT_TRUE(readBytes("a\r\n1\r\n").isOk());
    EXPECT_EQ(w.texts[Ctl::Text3], "palatability_file_name.csv");
    EXPECT_EQ(w.texts[Ctl::Text6], "log_file_name.csv");
}

TEST_F(Read, DataDirectoryIsDir1) {
    // The data file lies elsewhere; scratch files go to the working directory.
    w.texts[Ctl::Dir1] = SSCM_TEST_DATA_DIR;
    w.texts[Ctl::Text7] = "plain.csv";
    const Status st = sscm::readCommand(w, s);
    ASSERT_TRUE(st.isOk()) << st.message;
    EXPECT_EQ(w.texts[Ctl::Text3], "palatability_plain.csv");
    EXPECT_EQ(w.lists[Ctl::List1], (std::vector<std::string>{"Site", "Plant species", "Pref, %"}));
    ASSERT_EQ(s.table->objn, 4);
    EXPECT_EQ(row(1), (std::vector<std::string>{"Hill 1", "Poa annua", "3"}));
    EXPECT_EQ(row(2), (std::vector<std::string>{"Hill 1", "Carex", ""}));
    EXPECT_EQ(row(3), (std::vector<std::string>{"Hill 2", "Poa annua", "2.5"}));
    EXPECT_EQ(row(4), (std::vector<std::string>{"Hill 2", "Carex, sedge", "1"}));
}

TEST_F(Read, StateAfterSuccess) {
    ASSERT_TRUE(readBytes("a,b\r\n1,2\r\n").isOk());
    EXPECT_FALSE(exists("temp1.tmp"));
    EXPECT_FALSE(exists("temp4.tmp"));
    EXPECT_FALSE(exists("VectorFileSize.log"));
    EXPECT_TRUE(w.enabled[Ctl::Command1]);
    EXPECT_EQ(w.captions[Ctl::Command1], "Read file");
    EXPECT_EQ(w.captions[Ctl::Label18], "100% finished");
    EXPECT_EQ(w.commandCaptions, (std::vector<std::string>{"reading", "Read file"}));
}

TEST_F(Read, EmptyCellsStayEmptyAndNullIsAName) {
    ASSERT_TRUE(readBytes("a,b,c\r\nx,,z\r\n\"\",  ,\" \"\r\nnull,NA,w\r\n").isOk());
    EXPECT_EQ(row(1), (std::vector<std::string>{"x", "", "z"}));
    EXPECT_EQ(row(2), (std::vector<std::string>{"", "", " "}));
    EXPECT_EQ(row(3), (std::vector<std::string>{"null", "NA", "w"}));
}

TEST_F(Read, VariableNamesKeepTheirCaseAndEmptyOnes) {
    ASSERT_TRUE(readBytes("Site,,PREF\r\n1,2,3\r\n").isOk());
    EXPECT_EQ(s.table->varname, (std::vector<std::string>{"Site", "", "PREF"}));
    EXPECT_EQ(w.lists[Ctl::List1], (std::vector<std::string>{"Site", "", "PREF"}));
}

TEST_F(Read, TrailingCommasAreBlankLastCellsWhenTheyCompleteTheRecord) {
    // Blank last cells of spreadsheet rows; padding after a whole record; a comma too few, which
    // leaves the record open for the next line; a line of commas; a comma inside a quoted field.
    ASSERT_TRUE(readBytes("x,y,z,,\r\n"
                          "a,b,\r\n"
                          "c,,\r\n"
                          "d,e,1,,,\r\n"
                          "f,\r\n"
                          "g,2\r\n"
                          ",,,\r\n"
                          "\"h,\r\n"
                          "i\",j,\r\n"
                          "k,l\r\n"
                          "m\r\n")
                    .isOk());
    EXPECT_EQ(s.table->varname, (std::vector<std::string>{"x", "y", "z"}));
    ASSERT_EQ(s.table->objn, 6);
    EXPECT_EQ(row(1), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(row(2), (std::vector<std::string>{"c", "", ""}));
    EXPECT_EQ(row(3), (std::vector<std::string>{"d", "e", "1"}));
    EXPECT_EQ(row(4), (std::vector<std::string>{"f", "g", "2"}));
    EXPECT_EQ(row(5), (std::vector<std::string>{"h\r\ni", "j", ""}));
    EXPECT_EQ(row(6), (std::vector<std::string>{"k", "l", "m"}));
    EXPECT_EQ(s.table->line, (std::vector<std::int64_t>{2, 3, 4, 5, 8, 10}));
}

TEST_F(Read, SemicolonsAndTabs) {
    // One variable holding semicolons: refused with a word on the separator, which is noted.
    const Status st = readBytes("Site;Species;Pref\r\ns1;a;2,5\r\n");
    EXPECT_FALSE(st);
    EXPECT_EQ(st.message, "The header line of \"" + dir().string() + "/file_name.csv" +
                              "\" holds one variable, \"Site;Species;Pref\": the file seems to be "
                              "separated by semicolons. Save it as comma-separated (CSV), or read "
                              "it with the semicolon as separator.");
    EXPECT_EQ(s.suggestedSeparator, ';');
    EXPECT_EQ(s.table, nullptr);
    // Read with that separator: quoted fields and blank last cells work as with commas.
    s.separator = ';';
    ASSERT_TRUE(readBytes("Site;Species;Pref;\r\ns1;\"a;b\";2,5\r\ns2;c;\r\n").isOk());
    EXPECT_EQ(s.suggestedSeparator, 0);
    EXPECT_EQ(row(1), (std::vector<std::string>{"s1", "a;b", "2,5"}));
    EXPECT_EQ(row(2), (std::vector<std::string>{"s2", "c", ""}));
    s.separator = '\t';
    ASSERT_TRUE(readBytes("A\tB\r\n1,5\t x\r\n").isOk());
    EXPECT_EQ(row(1), (std::vector<std::string>{"1,5", "x"}));
}

TEST_F(Read, LineEndsBomAndBlankLines) {
    ASSERT_TRUE(readBytes("\xEF\xBB\xBFSite,Pref\n s1,3\r\r\n  \rs2,4\n\n").isOk());
    EXPECT_EQ(s.table->varname, (std::vector<std::string>{"Site", "Pref"}));
    ASSERT_EQ(s.table->objn, 2);
    EXPECT_EQ(row(1), (std::vector<std::string>{"s1", "3"}));
    EXPECT_EQ(row(2), (std::vector<std::string>{"s2", "4"}));
    EXPECT_EQ(s.table->line, (std::vector<std::int64_t>{2, 5}));
}

TEST_F(Read, ProgressCaptions) {
    std::string bytes = "v\r\n";
    for (int i = 1; i <= 100; ++i)
        bytes += std::to_string(i) + "\r\n";
    ASSERT_TRUE(readBytes(bytes).isOk());
    // Events once per block of the copy (one here), once per row in the sizing, then once per
    // row in the loading.
    ASSERT_EQ(w.progressAtEvents.size(), 201u);
    const std::vector<std::string> loading(w.progressAtEvents.begin() + 101,
                                           w.progressAtEvents.end());
    EXPECT_EQ(w.progressAtEvents[0], " 0 %");
    EXPECT_EQ(loading[0], " 1 %");
    EXPECT_EQ(loading[28], " 28 %") << "29 / 100 * 100 is just below 29";
    EXPECT_EQ(loading[56], " 56 %");
    EXPECT_EQ(loading[57], " 57 %");
    EXPECT_EQ(loading[99], " 100 %");
    EXPECT_EQ(w.captions[Ctl::Label18], "100% finished");
}

TEST_F(Read, ProgressOfFourRows) {
    ASSERT_TRUE(readBytes("v\r\n1\r\n2\r\n3\r\n4\r\n").isOk());
    ASSERT_EQ(w.progressAtEvents.size(), 9u);
    EXPECT_EQ(w.progressAtEvents[5], " 25 %");
    EXPECT_EQ(w.progressAtEvents[8], " 100 %");
}

TEST_F(Read, SecondReadReplacesTheTable) {
    ASSERT_TRUE(readBytes("a,b,c\r\n1,2,3\r\n4,5,6\r\n", "first.csv").isOk());
    const auto first = s.table;
    ASSERT_TRUE(readBytes("Site,Pref\r\nx,9\r\n", "second.csv").isOk());
    EXPECT_NE(s.table, first);
    EXPECT_EQ(s.table->valn, 2);
    EXPECT_EQ(s.table->objn, 1);
    EXPECT_EQ(s.table->varname, (std::vector<std::string>{"Site", "Pref"}));
    EXPECT_EQ(w.lists[Ctl::List1], (std::vector<std::string>{"Site", "Pref"}));
    EXPECT_EQ(row(1), (std::vector<std::string>{"x", "9"}));
    // Whoever held the first table still holds it whole.
    EXPECT_EQ(first->objn, 2);
    EXPECT_EQ(first->cell(3, 2), "6");
}

TEST_F(Read, HeaderWithoutDataRowLoads) {
    const Status st = readBytes("Site,Species,Pref\r\n\r\n");
    ASSERT_TRUE(st.isOk()) << st.message;
    EXPECT_EQ(s.table->valn, 3);
    EXPECT_EQ(s.table->objn, 0);
    EXPECT_EQ(w.lists[Ctl::List1].size(), 3u);
    EXPECT_EQ(w.captions[Ctl::Label18], "100% finished");
}

// Bad input.

TEST_F(Read, MissingDataFile) {
    ASSERT_TRUE(readBytes("a\r\n1\r\n").isOk());
    w.texts[Ctl::Text7] = "gone.csv";
    const Status st = sscm::readCommand(w, s);
    expectShownFailure(st);
    const std::string path = dir().string() + "/gone.csv";
    EXPECT_NE(st.message.find("\"" + path + "\""), std::string::npos) << st.message;
    EXPECT_NE(st.message.find(std::strerror(ENOENT)), std::string::npos) << st.message;
    expectNoTable();
    EXPECT_EQ(w.texts[Ctl::Text3], "palatability_gone.csv");
}

TEST_F(Read, UnreadableDataFile) {
    std::filesystem::create_directory("folder.csv");
    w.texts[Ctl::Text7] = "folder.csv";
    const Status st = sscm::readCommand(w, s);
    expectShownFailure(st);
    EXPECT_NE(st.message.find("folder.csv"), std::string::npos) << st.message;
    // Windows refuses to open a folder as a file with "permission denied".
#if defined(_WIN32)
    EXPECT_NE(st.message.find(std::strerror(EACCES)), std::string::npos) << st.message;
#else
    EXPECT_NE(st.message.find(std::strerror(EISDIR)), std::string::npos) << st.message;
#endif
    expectNoTable();
}

TEST_F(Read, FileEndsInsideARecord) {
    ASSERT_TRUE(readBytes("a\r\n1\r\n").isOk());
    const Status st = readBytes("Site,Species,Pref\r\ns1,sp1,3\r\ns1,sp2,1\r\ns2,sp1\r\n");
    expectShownFailure(st);
    EXPECT_NE(st.message.find(dir().string() + "/file_name.csv"), std::string::npos) << st.message;
    EXPECT_NE(st.message.find("line 4 (data row 3) has only 2 of its 3 fields"), std::string::npos)
        << st.message;
    expectNoTable();
}

TEST_F(Read, HeaderWithoutVariable) {
    ASSERT_TRUE(readBytes("a\r\n1\r\n").isOk());
    const Status st = readBytes(",,,\r\ns1,sp1\r\n");
    EXPECT_EQ(st.code, Status::Code::Failed);
    EXPECT_NE(st.message.find("file_name.csv"), std::string::npos) << st.message;
    // The system's own warning ("At least one variable "), once; the sizing log kept.
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].text, "At least one variable ");
    EXPECT_EQ(w.messages[0].title, "  ");
    EXPECT_EQ(s.erf, 1);
    EXPECT_EQ(readFile("VectorFileSize.log"),
              "Filename: temp1.tmp\r\nNumber of variables:  0 \r\nAt least one variable \r\n");
    expectNoTable();
    EXPECT_EQ(w.captions[Ctl::Label18], " 0 %");
}

TEST_F(Read, ReadWorksAgainAfterAFailure) {
    w.texts[Ctl::Text7] = "gone.csv";
    EXPECT_FALSE(sscm::readCommand(w, s).isOk());
    const Status st = readBytes("a,b\r\n1,2\r\n");
    ASSERT_TRUE(st.isOk()) << st.message;
    EXPECT_EQ(s.table->objn, 1);
    EXPECT_EQ(w.captions[Ctl::Command1], "Read file");
}

TEST_F(Read, CancelledWhileLoading) {
    ASSERT_TRUE(readBytes("a\r\n1\r\n").isOk());
    w.progressAtEvents.clear();
    w.eventCalls = 0;
    w.closeAtEventCall = 6; // the copy and the sizing take 4 calls, the loading's second row stops
    const Status st = readBytes("v\r\n1\r\n2\r\n3\r\n");
    EXPECT_EQ(st.code, Status::Code::Cancelled);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(s.table, nullptr);
    EXPECT_FALSE(exists("temp1.tmp"));
    EXPECT_FALSE(exists("VectorFileSize.log"));
}

TEST_F(Read, MemoryRunningOutWhileLoadingLeavesNoTable) {
    struct ExhaustedWindow : ProgressWindow {
        bool processEvents() override {
            if (++eventCalls == 6) // copy and sizing take 4 calls; the loading's second row fails
                throw std::bad_alloc();
            return true;
        }
    } ew;
    ew.startUp(dir().string());
    writeFile("file_name.csv", "v\r\n1\r\n2\r\n3\r\n");
    const Status st = sscm::readCommand(ew, s);
    EXPECT_EQ(st.code, Status::Code::Failed);
    ASSERT_EQ(ew.messages.size(), 1u);
    EXPECT_NE(ew.messages[0].text.find("not enough memory"), std::string::npos);
    EXPECT_EQ(s.table, nullptr);
    EXPECT_TRUE(ew.enabled[Ctl::Command1]);
    EXPECT_FALSE(exists("temp1.tmp"));
}

TEST_F(Read, CancelledWhileSizing) {
    w.closeAtEventCall = 2; // the copy's one call passes
    const Status st = readBytes("v\r\n1\r\n2\r\n3\r\n");
    EXPECT_EQ(st.code, Status::Code::Cancelled);
    EXPECT_EQ(s.table, nullptr);
    EXPECT_FALSE(exists("temp1.tmp"));
    EXPECT_FALSE(exists("VectorFileSize.log"));
}

TEST_F(Read, CancelledWhileCopying) {
    w.closeAtEventCall = 1;
    const Status st = readBytes("v\r\n1\r\n");
    EXPECT_EQ(st.code, Status::Code::Cancelled);
    EXPECT_TRUE(w.messages.empty());
    expectNoTable();
}

// A data file that is one of the scratch files would be overwritten by its own normalised copy
// or deleted by the run: refused, untouched, before anything is written.
TEST_F(Read, DataFileThatIsAScratchFileIsRefusedAndKept) {
    for (const char* name : {"temp1.tmp", "temp4.tmp", "temp5.tmp", "VectorFileSize.log"}) {
        w.messages.clear();
        const std::string bytes = "Site,Pref,,\r\ns1,3,,\r\n";
        const Status st = readBytes(bytes, name);
        expectShownFailure(st);
        EXPECT_NE(st.message.find(std::string("scratch file \"") + name), std::string::npos)
            << st.message;
        EXPECT_EQ(readFile(name), bytes) << name;
        EXPECT_EQ(s.table, nullptr);
        std::filesystem::remove(name);
    }
}

// The window must not freeze on a pipe: a FIFO as data file is refused at once (the alarm ends
// the test if the Read waits for a writer).
TEST_F(Read, PipeAsDataFileIsRefusedInTheWindow) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no FIFOs";
#else
    ASSERT_EQ(::mkfifo("pipe.csv", 0600), 0);
    w.texts[Ctl::Text7] = "pipe.csv";
    ::alarm(10);
    const Status st = sscm::readCommand(w, s);
    ::alarm(0);
    expectShownFailure(st);
    EXPECT_NE(st.message.find("not a regular file"), std::string::npos) << st.message;
    expectNoTable();
#endif
}

// With a scratch folder the working directory gets no file at all, and a link planted there
// under a scratch name is replaced, never written through.
TEST_F(Read, ScratchFilesGoToTheScratchFolderAndNeverThroughALink) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows lets only privileged users make links, and has no /dev/null";
#else
    std::filesystem::create_directory("scratch");
    writeFile("victim.txt", "precious");
    std::filesystem::create_symlink("../victim.txt", "scratch/temp1.tmp");
    std::filesystem::create_symlink("../victim.txt", "scratch/VectorFileSize.log");
    std::filesystem::create_symlink("../victim.txt", "scratch/temp4.tmp");
    s.scratchDir = "scratch";
    ASSERT_TRUE(readBytes("Site,Pref\r\ns1,3\r\n").isOk());
    EXPECT_EQ(s.table->objn, 1);
    EXPECT_EQ(readFile("victim.txt"), "precious");
    EXPECT_TRUE(std::filesystem::is_empty("scratch"));
    for (const auto& e : std::filesystem::directory_iterator("."))
        EXPECT_TRUE(e.path().filename() == "file_name.csv" || e.path().filename() == "scratch" ||
                    e.path().filename() == "victim.txt")
            << e.path();
#endif
}

} // namespace
