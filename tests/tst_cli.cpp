// sscm-cli from the outside: exit status, standard output and error, and the result and log
// files byte for byte against files written by hand.

#include "tempdir.h"
#include "test_config.h"

#include <string>
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
    // Standard output shows the same lines, one per line.
    std::string lines = expected("worked_palatability.expected");
    for (std::size_t p = 0; (p = lines.find("\r\n", p)) != std::string::npos;)
        lines.erase(p, 1);
    EXPECT_EQ(readFile("out.txt"), lines);
    EXPECT_EQ(readFile("err.txt"), ""); // not a terminal: no progress
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

} // namespace
