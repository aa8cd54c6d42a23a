// sscm-cli from the outside: exit status, standard output and error, and the result and log
// files byte for byte against files written by hand.

#include "tempdir.h"
#include "test_config.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

const std::string kData = std::string(SSCM_TEST_DATA_DIR) + "/cli/";

class Cli : public sscm::test::TempDirTest {
protected:
    /// Runs sscm-cli with `args`; its output goes to out.txt and err.txt.
    int run(const std::vector<std::string>& args) { return runProgram(SSCM_CLI_PATH, args); }
    std::vector<std::string> roles(const std::string& file) {
        return {kData + file, "--case", "Site", "--species", "Species", "--pref", "Pref"};
    }
    static std::string expected(const std::string& name) { return readFile(kData + name); }
};

TEST_F(Cli, WorkedExampleResultAndLogByteForByte) {
    auto args = roles("worked.csv");
    args.insert(args.end(), {"--threshold", "1"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("palatability_worked.csv"), expected("worked_palatability.expected"));
    EXPECT_EQ(readFile("log_worked.csv"), expected("worked_log.expected"));
    // Standard output shows the ranked spectrum; with --print-listing, every line of the list.
    EXPECT_EQ(readFile("out.txt"), "rank  value     species\n"
                                   "   1  0.790569  A\n"
                                   "   2  0.612372  B\n");
    EXPECT_EQ(readFile("err.txt"), ""); // not a terminal: no progress
    args.push_back("--print-listing");
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    std::string lines = expected("worked_palatability.expected");
    for (std::size_t p = 0; (p = lines.find("\r\n", p)) != std::string::npos;)
        lines.erase(p, 1);
    EXPECT_EQ(readFile("out.txt"), lines);
    EXPECT_FALSE(exists("temp5.tmp"));
    EXPECT_FALSE(exists("palatability_worked.csv.part"));
}

TEST_F(Cli, QuotedNamesWithCommaAndLeadingBlankSurviveTheRecords) {
    auto args = roles("quoted.csv");
    args.insert(args.end(), {"--keep-rare", "--quiet", "--results", "res.csv", "--log", "l.csv"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("res.csv"), expected("quoted_palatability.expected"));
    EXPECT_EQ(readFile("l.csv"), expected("quoted_log.expected"));
    EXPECT_EQ(readFile("out.txt"), "");
    EXPECT_FALSE(exists("palatability_quoted.csv"));
}

TEST_F(Cli, SplitNetworkExitsOneAndLeavesNoResultFile) {
    auto args = roles("split.csv");
    args.push_back("--keep-rare");
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(readFile("err.txt"),
              "sscm-cli: No common species between cases\n"
              "The species fall into 2 groups that share no case (largest first):\n"
              "Group 1: 2 species (A, B) in 1 case (S1)\n"
              "Group 2: 2 species (C, D) in 1 case (S2)\n");
    EXPECT_EQ(readFile("log_split.csv"),
              "\r\nMinimum connect steps (smaller is better). Large value means limited number of "
              "common species.\r\n");
    EXPECT_FALSE(exists("palatability_split.csv"));
    EXPECT_FALSE(exists("palatability_split.csv.part"));
    EXPECT_FALSE(exists("temp5.tmp"));
}

TEST_F(Cli, BadInputExitsOneWithTheMessage) {
    auto args = roles("badpref.csv");
    args.push_back("--keep-rare");
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(readFile("err.txt"),
              "sscm-cli: Line 3 (data row 2): the intensity \"x2\" of the variable Pref is not a "
              "number.\n");
    EXPECT_FALSE(exists("palatability_badpref.csv"));

    args = roles("worked.csv");
    args[4] = "species";
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(readFile("err.txt").find("\"species\""), std::string::npos);

    EXPECT_EQ(run(roles("no-such-file.csv")), 1);
    EXPECT_NE(readFile("err.txt").find("no-such-file.csv"), std::string::npos);

    args = roles("worked.csv"); // default threshold 4: two cases cannot keep any species
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(readFile("err.txt").find("All 3 species"), std::string::npos);
}

TEST_F(Cli, UsageErrorsExitTwoAndHelpAndVersionZero) {
    EXPECT_EQ(run({kData + "worked.csv", "--case", "Site"}), 2);
    EXPECT_EQ(run({kData + "worked.csv", "--bogus"}), 2);
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(readFile("out.txt").find("--threshold"), std::string::npos);
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(readFile("out.txt"), std::string(SSCM_VERSION) + "\n");
}

TEST_F(Cli, ListVariablesPrintsTheNamesInFileOrder) {
    EXPECT_EQ(run({kData + "quoted.csv", "--list-variables"}), 0);
    EXPECT_EQ(readFile("out.txt"), "Site\nSpecies\nPref\n");
    EXPECT_FALSE(exists("log_quoted.csv"));
}

TEST_F(Cli, TimingsGoToStandardError) {
    auto args = roles("worked.csv");
    args.insert(args.end(), {"--threshold", "1", "--quiet", "--timings"});
    ASSERT_EQ(run(args), 0);
    const std::string err = readFile("err.txt");
    for (const char* stage :
         {"read", "tables", "records", "removal", "connectivity", "mean matrix and dump",
          "iteration", "listing", "save", "peak memory"})
        EXPECT_NE(err.find(stage), std::string::npos) << stage;
    EXPECT_EQ(readFile("out.txt"), "");
}

// The bootstrap leaves the result file and the log as a plain run writes them, and its table
// does not depend on the number of threads.
TEST_F(Cli, BootstrapKeepsTheRunsFilesAndItsTableIsTheSameOnAnyThreads) {
    auto args = roles("worked.csv");
    args.insert(args.end(), {"--threshold", "1", "--quiet"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    const std::string results = readFile("palatability_worked.csv");
    const std::string log = readFile("log_worked.csv");
    for (const char* threads : {"1", "2"}) {
        auto boot = args;
        boot.insert(boot.end(), {"--bootstrap", "50", "--threads", threads, "--spectrum",
                                 std::string("spectrum") + threads + ".csv"});
        ASSERT_EQ(run(boot), 0) << readFile("err.txt");
        EXPECT_EQ(readFile("palatability_worked.csv"), results);
        EXPECT_EQ(readFile("log_worked.csv"), log);
        EXPECT_NE(readFile("err.txt").find("bootstrap: "), std::string::npos);
        EXPECT_NE(readFile("err.txt").find(", seed 1"), std::string::npos);
    }
    EXPECT_EQ(readFile("spectrum1.csv"), readFile("spectrum2.csv"));
    EXPECT_EQ(readFile("spectrum1.csv").rfind("species,value,rank,cases,rows,value_lo", 0), 0u);
}

TEST_F(Cli, BadBootstrapSettingsAreUsageErrors) {
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--bootstrap", "0"},
                                                {"--bootstrap", "2.5"},
                                                {"--bootstrap", "ten"},
                                                {"--bootstrap", "10", "--ci", "1"},
                                                {"--bootstrap", "10", "--ci", "0"},
                                                {"--bootstrap", "10", "--threads", "0"}}) {
        auto args = roles("worked.csv");
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(run(args), 2) << bad[0] << " " << bad[1];
        EXPECT_FALSE(exists("log_worked.csv"));
    }
}

// Field spreadsheets as they come: each variant of one small data set gives the result list and
// the log of the same data set cleaned by hand.
class FieldFiles : public Cli {
protected:
    // Site, species, intensity and a notes column; S3's D is a decimal.
    const std::vector<std::vector<std::string>> rows_ = {
        {"S1", "A", "5"},   {"S1", "B", "2"}, {"S1", "C", "3"}, {"S2", "A", "1"},
        {"S2", "B", "1"},   {"S2", "C", "3"}, {"S3", "B", "4"}, {"S3", "C", "2"},
        {"S3", "D", "1.5"}, {"S4", "A", "2"}, {"S4", "D", "6"}, {"S4", "C", "0"}};

    /// The data set with every notes cell filled: the reference.
    std::string filled(const std::string& sep = ",", bool negate = false) const {
        std::string text = "Site" + sep + "Species" + sep + "Pref" + sep + "Notes\n";
        for (const auto& r : rows_) {
            std::string pref = r[2];
            if (negate && pref != "0")
                pref = "-" + pref;
            if (sep == ";")
                std::replace(pref.begin(), pref.end(), '.', ',');
            text += r[0] + sep + r[1] + sep + pref + sep + "\"n" + sep + "b\"\n";
        }
        return text;
    }

    /// Runs the roles on `file` with `extra` options; the result list and the log.
    std::pair<std::string, std::string> analysed(const std::string& file,
                                                 std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {file,        "--case", "Site",  "--species",
                                         "Species",   "--pref", "Pref",  "--keep-rare",
                                         "--results", "r.csv",  "--log", "l.csv"};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(run(args), 0) << readFile("err.txt");
        return {readFile("r.csv"), readFile("l.csv")};
    }
};

TEST_F(FieldFiles, MissingValuesAreLeftOutAndReported) {
    writeFile("filled.csv", filled());
    const auto clean = analysed("filled.csv");
    std::string text = filled();
    const std::size_t row2 = text.find("S1,B");
    text.insert(row2, ",A,3,\n"); // line 3: no site (and blank notes)
    text += "S2,,4,x\nS3,A,,x\nS4,B,NA,x\nS4,D,7,\n";
    writeFile("missing.csv", text);
    EXPECT_NE(analysed("missing.csv", {"--out", "tables"}), clean) << "S4,D,7 stays";
    text.erase(text.rfind("S4,D,7"));
    writeFile("missing.csv", text);
    EXPECT_EQ(analysed("missing.csv", {"--out", "tables"}), clean);
    EXPECT_EQ(readFile("err.txt"),
              "sscm-cli: 4 data rows were left out: their case, species or intensity is missing "
              "(line 3 (data row 2), line 15 (data row 14), line 16 (data row 15), line 17 (data "
              "row 16)).\n");
    const auto record = nlohmann::json::parse(readFile("tables/run.json"));
    EXPECT_EQ(record["rows_left_out"]["count"], 4);
    EXPECT_EQ(record["rows_left_out"]["first"][3]["line"], 17);
    EXPECT_EQ(record["rows_left_out"]["first"][3]["data_row"], 16);
}

TEST_F(FieldFiles, BlankLastCellsSeparatorsDecimalCommasAndRanks) {
    writeFile("filled.csv", filled());
    const auto clean = analysed("filled.csv");
    // Blank notes on several rows, written as spreadsheets do: a trailing comma.
    std::string blanks = filled();
    for (const char* row : {"S1,A,5,", "S2,C,3,", "S4,C,0,"}) {
        const std::size_t at = blanks.find(row) + std::string(row).size();
        blanks.erase(at, blanks.find('\n', at) - at);
    }
    writeFile("blanks.csv", blanks);
    EXPECT_EQ(analysed("blanks.csv"), clean);

    writeFile("semi.csv", filled(";"));
    EXPECT_EQ(run({"semi.csv", "--case", "Site", "--species", "Species", "--pref", "Pref"}), 1);
    EXPECT_NE(readFile("err.txt").find("holds one variable, \"Site;Species;Pref;Notes\": the "
                                       "file seems to be separated by semicolons."),
              std::string::npos);
    EXPECT_EQ(analysed("semi.csv", {"--separator", ";", "--decimal-comma"}), clean);

    writeFile("negated.csv", filled(",", true));
    EXPECT_EQ(analysed("filled.csv", {"--lower-is-preferred"}), analysed("negated.csv"));
    EXPECT_NE(analysed("filled.csv", {"--lower-is-preferred"}), clean);
}

TEST_F(FieldFiles, OptionsThatDoNothingAndRolesGivenTwice) {
    writeFile("filled.csv", filled());
    analysed("filled.csv", {"--threshold", "2", "--seed", "3", "--ci", "0.9"});
    EXPECT_EQ(readFile("err.txt"), "sscm-cli: --threshold does nothing with --keep-rare\n"
                                   "sscm-cli: --seed does nothing without --bootstrap\n"
                                   "sscm-cli: --ci does nothing without --bootstrap\n");
    EXPECT_EQ(run({"filled.csv", "--case", "Site", "--species", "Site", "--pref", "Pref"}), 1);
    EXPECT_EQ(readFile("err.txt"), "sscm-cli: The variable \"Site\" is given for both the case "
                                   "(site) and the plant species roles; each role needs a "
                                   "variable of its own.\n");
    EXPECT_EQ(run({"filled.csv", "--case", "Site", "--case", "S", "--pref", "Pref"}), 2);
    EXPECT_EQ(readFile("err.txt"),
              "sscm-cli: --case may be given once\nRun with --help for more information.\n");
    for (const char* bad : {"0", "0x10", "-3"}) {
        EXPECT_EQ(run({"filled.csv", "--case", "Site", "--species", "Species", "--pref", "Pref",
                       "--bootstrap", bad}),
                  2);
        EXPECT_EQ(readFile("err.txt"), "sscm-cli: --bootstrap: must be a whole number of at "
                                       "least 1\nRun with --help for more information.\n");
    }
    EXPECT_EQ(run({"filled.csv", "--case", "Site"}), 2);
    EXPECT_EQ(readFile("err.txt"), "sscm-cli: --case, --species and --pref are required\nRun "
                                   "with --help for more information.\n");
}

} // namespace
