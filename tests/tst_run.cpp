#include "analysis/records.h"
#include "analysis_fixtures.h"
#include "commands/go.h"
#include "data/fieldreader.h"
#include "data/printfmt.h"
#include "recording_window.h"
#include "tempdir.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <random>
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
        const bool split = std::string_view(title) == sscm::kBlankTitle;
        ASSERT_EQ(st.code, split ? sscm::Status::Code::SplitNetwork : sscm::Status::Code::Failed);
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

// The roles are checked before the log is opened: a mistyped name keeps the last run's log.
TEST_F(Run, EmptyRoleNameIsNamed) {
    w.texts[Ctl::Text2] = "";
    expectStopped(sscm::goCommand(w, s), "plant species", sscm::kErrorTitle);
    EXPECT_FALSE(exists("log_data.csv"));
    EXPECT_EQ(w.lists[Ctl::List3].size(), 1u);
    EXPECT_EQ(w.captions[Ctl::Label11], "");
}

TEST_F(Run, NameNotFoundIsQuotedWithItsCase) {
    ASSERT_TRUE(sscm::goCommand(w, s));
    const std::string previous = readFile("log_data.csv");
    w.texts[Ctl::Text4] = "pref";
    w.messages.clear();
    expectStopped(sscm::goCommand(w, s), "\"pref\"", sscm::kErrorTitle);
    EXPECT_EQ(readFile("log_data.csv"), previous);
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

TEST_F(Run, IntensitiesThatAreNoNumbersStopAfterTheOccurrenceListing) {
    s.table = makeTable(kNames, {{"S1", "A", "5"}, {"S1", "B", "x"}, {"S2", "A", "1,5"}});
    expectStopped(sscm::goCommand(w, s),
                  "2 intensities of the variable Pref are not numbers: data row 2: \"x\"; data "
                  "row 3: \"1,5\".",
                  sscm::kErrorTitle);
    EXPECT_EQ(w.lists[Ctl::List3].size(), 1u + 4u); // the occurrence listing stays
    EXPECT_EQ(readFile("log_data.csv"), "");

    // Twelve of them: the first ten in data order, and the count.
    std::vector<std::vector<std::string>> rows;
    for (int i = 12; i >= 1; --i)
        rows.push_back({"S" + std::to_string(i % 2), "A", "n" + std::to_string(i)});
    s.table = makeTable(kNames, rows);
    w.messages.clear();
    w.lists[Ctl::List3] = {"from before"};
    expectStopped(sscm::goCommand(w, s),
                  "12 intensities of the variable Pref are not numbers; the first ten: data row "
                  "1: \"n12\"; data row 2: \"n11\";",
                  sscm::kErrorTitle);
    EXPECT_NE(w.messages[0].text.find("data row 10: \"n3\"."), std::string::npos);
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
    // The box names the groups of species that share no case; the log keeps its lines.
    EXPECT_EQ(w.messages[0].text,
              "No common species between cases\n"
              "The species fall into 2 groups that share no case (largest first):\n"
              "Group 1: 2 species (A, B) in 1 case (S1)\n"
              "Group 2: 1 species (C) in 1 case (S2)");
    EXPECT_EQ(readFile("log_data.csv"), std::string("\r\n") + kHeading + "\r\n");
}

TEST_F(Run, ClosingWindowStopsQuietlyAndTidiesUp) {
    w.closeAtEventCall = 5;
    const sscm::Status st = sscm::goCommand(w, s);
    EXPECT_EQ(st.code, sscm::Status::Code::Cancelled);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_FALSE(exists(sscm::kRecordFile));
}

// Memory running out in the middle of a run (a species variable of all-distinct values makes the
// matrices enormous) ends the run like bad input: a message, the records removed, GO ready again.
TEST_F(Run, MemoryRunningOutEndsTheRunWithAMessage) {
    struct ExhaustedWindow : sscm::test::RecordingWindow {
        bool processEvents() override {
            if (++eventCalls == 5)
                throw std::bad_alloc();
            return true;
        }
    } ew;
    ew.startUp(dir().string());
    ew.texts = w.texts;
    ew.lists[Ctl::List3] = {"from before"};
    const sscm::Status st = sscm::goCommand(ew, s);
    ASSERT_EQ(st.code, sscm::Status::Code::Failed);
    ASSERT_EQ(ew.messages.size(), 1u);
    EXPECT_NE(st.message.find("not enough memory"), std::string::npos) << st.message;
    EXPECT_TRUE(ew.enabled[Ctl::Command4]);
    EXPECT_EQ(ew.captions[Ctl::Command4], "GO");
    EXPECT_FALSE(exists(sscm::kRecordFile));
    EXPECT_EQ(ew.lists[Ctl::List3].front(), "from before");
}

// The whole run done the plain way: linear searches, the records as text read back field by
// field, removal by moving rows and columns, connect steps by matrix products, the iteration
// over the full matrix, the ranking by repeated maximum search.
struct PlainRun {
    std::vector<std::string> list3;
    std::string log;
    bool ok = true;
};

PlainRun plainRun(const std::vector<std::vector<std::string>>& rows, double threshold) {
    PlainRun out;
    auto indexOf = [](const std::vector<std::string>& v, const std::string& x) {
        return int(std::find(v.begin(), v.end(), x) - v.begin());
    };
    std::vector<std::string> cases;
    std::vector<std::string> sp;
    for (const auto& r : rows) {
        if (indexOf(cases, r[0]) == int(cases.size()))
            cases.push_back(r[0]);
        if (indexOf(sp, r[1]) == int(sp.size()))
            sp.push_back(r[1]);
    }
    int n = int(sp.size());
    std::vector<std::vector<int>> spcase(sp.size(), std::vector<int>(cases.size(), 0));
    for (const auto& r : rows)
        ++spcase[std::size_t(indexOf(sp, r[1]))][std::size_t(indexOf(cases, r[0]))];
    std::vector<int> spocc(sp.size(), 0);
    out.list3.push_back(" ");
    std::string header = " Item ";
    for (const auto& c : cases)
        header += ", " + c;
    out.list3.push_back(header + ", Number of occurence");
    for (std::size_t s = 0; s < sp.size(); ++s) {
        std::string line = sp[s];
        for (int count : spcase[s]) {
            line += ", " + sscm::numberText(count);
            spocc[s] += count > 0 ? 1 : 0;
        }
        out.list3.push_back(line + ", " + sscm::numberText(spocc[s]));
    }

    std::string records;
    for (const auto& c : cases) {
        std::vector<std::string> casesp;
        std::vector<double> casepref;
        for (const auto& r : rows)
            if (r[0] == c) {
                casesp.push_back(r[1]);
                casepref.push_back(std::stod(r[2]));
            }
        for (std::size_t i = 0; i < casesp.size(); ++i)
            for (std::size_t j = 0; j < casesp.size(); ++j) {
                const int code = casepref[i] > casepref[j] ? 3 : casepref[i] == casepref[j] ? 2 : 1;
                records +=
                    c + "," + casesp[i] + "," + casesp[j] + "," + sscm::printForm(code) + "\r\n";
            }
    }
    std::vector<std::vector<double>> compsum(sp.size(), std::vector<double>(sp.size(), 0.0));
    std::vector<std::vector<double>> compn = compsum;
    sscm::FieldReader reader(records);
    std::string_view f;
    while (reader.next(f)) {
        std::string_view a;
        std::string_view b;
        std::string_view code;
        reader.next(a);
        reader.next(b);
        reader.next(code);
        const int i = indexOf(sp, std::string(a));
        const int j = indexOf(sp, std::string(b));
        compsum[std::size_t(i)][std::size_t(j)] += std::stoi(std::string(code));
        compn[std::size_t(i)][std::size_t(j)] += 1;
    }

    const int total = n;
    int m = 0;
    for (int k = 0; k < total; ++k) {
        ++m;
        if (spocc[std::size_t(k)] <= threshold) {
            out.log += sp[std::size_t(m - 1)] + " deleted\r\n";
            for (int i = m; i <= total - 1; ++i) {
                compsum[std::size_t(i - 1)] = compsum[std::size_t(i)];
                compn[std::size_t(i - 1)] = compn[std::size_t(i)];
            }
            for (int j = m; j <= total - 1; ++j)
                for (int i = 1; i <= total; ++i) {
                    compsum[std::size_t(i - 1)][std::size_t(j - 1)] =
                        compsum[std::size_t(i - 1)][std::size_t(j)];
                    compn[std::size_t(i - 1)][std::size_t(j - 1)] =
                        compn[std::size_t(i - 1)][std::size_t(j)];
                }
            for (int s = m; s <= total - 1; ++s)
                sp[std::size_t(s - 1)] = sp[std::size_t(s)];
            --m;
        }
    }
    out.log += "\r\nNumber of all species: " + sscm::printForm(total) + "\r\n" +
               "Number of species used: " + sscm::printForm(m) + "\r\n";
    n = m;
    if (n == 0) {
        out.ok = false;
        return out;
    }

    out.log += std::string("\r\n") + kHeading + "\r\n";
    for (int s = 0; s < n; ++s) {
        std::vector<double> cur(std::size_t(n), 0.0);
        cur[std::size_t(s)] = 1;
        int step = 1;
        while (step <= 1000) {
            std::vector<double> next(std::size_t(n), 0.0);
            double sum = 0;
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n; ++j)
                    next[std::size_t(i)] +=
                        cur[std::size_t(j)] * (compn[std::size_t(i)][std::size_t(j)] > 0 ? 1 : 0);
                if (next[std::size_t(i)] > 0)
                    next[std::size_t(i)] = 1;
                sum += next[std::size_t(i)];
            }
            cur = next;
            if (sum == n)
                break;
            ++step;
        }
        if (step >= 1000) {
            out.ok = false;
            return out;
        }
        out.log += sp[std::size_t(s)] + sscm::printForm(step) + "\r\n";
    }

    double mtotal = 0;
    double mcount = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (compn[std::size_t(i)][std::size_t(j)] > 0) {
                compsum[std::size_t(i)][std::size_t(j)] /= compn[std::size_t(i)][std::size_t(j)];
                mtotal += compsum[std::size_t(i)][std::size_t(j)];
                mcount += 1;
            }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (compn[std::size_t(i)][std::size_t(j)] == 0)
                compsum[std::size_t(i)][std::size_t(j)] = mtotal / mcount;
    out.log += "\r\nSpecies";
    for (int j = 0; j < n; ++j)
        out.log += "," + sp[std::size_t(j)];
    out.log += " \r\n";
    for (int i = 0; i < n; ++i) {
        out.log += sp[std::size_t(i)];
        for (int j = 0; j < n; ++j)
            out.log += "," + sscm::printForm(compsum[std::size_t(i)][std::size_t(j)]);
        out.log += " \r\n";
    }

    sscm::Matrices dense;
    dense.reset(n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            dense.sum(i, j) = compsum[std::size_t(i)][std::size_t(j)];
            dense.count(i, j) = compn[std::size_t(i)][std::size_t(j)];
        }
    std::vector<double> cur = sscm::test::denseIteration(dense).curvec;

    out.list3.push_back(" ");
    out.list3.push_back("Eigen vector (palatability)");
    for (int k = 0; k < n; ++k) {
        double best = -1e+300;
        int chosen = 0;
        for (int i = 0; i < n; ++i)
            if (cur[std::size_t(i)] > best) {
                best = cur[std::size_t(i)];
                chosen = i;
            }
        out.list3.push_back(sp[std::size_t(chosen)] + ", " + sscm::numberText(best));
        cur[std::size_t(chosen)] = -1e+300;
    }
    return out;
}

TEST_F(Run, SameListingAndLogAsThePlainWayOnRandomData) {
    std::mt19937 rng(29);
    int completed = 0;
    for (int round = 0; round < 6; ++round) {
        const auto rows = sscm::test::randomRows(rng, 30 + 10 * round, 12, 25 + 5 * round);
        const double threshold = round % 3;
        const PlainRun plain = plainRun(rows, threshold);
        s.table = makeTable(kNames, rows);
        w.lists[Ctl::List3].clear();
        w.messages.clear();
        w.texts[Ctl::Text5] = std::to_string(int(threshold));
        const sscm::Status st = sscm::goCommand(w, s);
        EXPECT_EQ(bool(st), plain.ok) << "round " << round;
        EXPECT_EQ(readFile("log_data.csv"), plain.log) << "round " << round;
        if (plain.ok) {
            EXPECT_EQ(w.lists[Ctl::List3], plain.list3) << "round " << round;
            ++completed;
        }
    }
    EXPECT_GE(completed, 4); // most data sets go through every stage
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
