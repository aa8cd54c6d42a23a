// The results folder of the window's last run (File > Export tables...), without a window, and
// how a run and sscm itself are named in a paper: the methods paragraph and the citation.

#include "analysis_fixtures.h"
#include "commands/describe.h"
#include "commands/export.h"
#include "tempdir.h"
#include "test_config.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

namespace {

using sscm::test::makeTable;

class Export : public sscm::test::TempDirTest {
protected:
    // The session after Read and GO on the worked example (S1: A 5, B 2; S2: A 1, B 1, C 3).
    void runWorkedExample() {
        s.table = makeTable({"Site", "Species", "Pref"}, {{"S1", "A", "5"},
                                                          {"S1", "B", "2"},
                                                          {"S2", "A", "1"},
                                                          {"S2", "B", "1"},
                                                          {"S2", "C", "3"}});
        s.dataFile = "data/worked.csv";
        s.lastSettings.casevar = "Site";
        s.lastSettings.spvar = "Species";
        s.lastSettings.prefvar = "Pref";
        s.lastSettings.removelow = false;
        auto result = std::make_shared<sscm::AnalysisResult>();
        ASSERT_TRUE(sscm::analysis::run(*s.table, s.lastSettings, nullptr, *result));
        s.lastResult = result;
        s.lastTable = s.table;
        s.lastDataFile = s.dataFile;
    }

    sscm::Session s;
};

TEST_F(Export, TheLastRunsFolderEvenAfterAnotherRead) {
    runWorkedExample();
    // A later Read replaces the session's table; the export keeps to the run's own.
    s.table = makeTable({"Site", "Species", "Pref"}, {{"Z", "Q", "1"}});
    s.dataFile = "other.csv";
    std::filesystem::create_directory("out");
    writeFile("out/pairs.csv", "old");

    ASSERT_TRUE(sscm::exportTables(s, "out"));
    EXPECT_EQ(readFile("out/pairs.csv"), "species_a,species_b,a_higher,ties,b_higher,cases\n"
                                         "A,B,1,1,0,2\nA,C,0,0,1,1\nB,C,0,0,1,1\n");
    EXPECT_EQ(readFile("out/cases.csv"), "case,rows,species,species_kept\nS1,2,2,2\nS2,3,3,3\n");
    for (const auto& e : std::filesystem::directory_iterator("out"))
        EXPECT_NE(e.path().extension(), ".part") << e.path();

    const auto j = nlohmann::json::parse(readFile("out/run.json"));
    EXPECT_EQ(j.at("data_file").at("name"), "data/worked.csv");
    EXPECT_TRUE(j.at("data_file").at("sha256").is_null()); // the window computes none
    EXPECT_TRUE(j.at("command_line").is_null());
    EXPECT_EQ(j.at("outcome"), "finished");
    EXPECT_EQ(j.at("counts").at("species_kept"), 3);
    EXPECT_FALSE(j.at("settings").at("remove_low_occurrence").get<bool>());
    EXPECT_TRUE(j.at("settings").at("threshold").is_null());
    EXPECT_TRUE(j.at("bootstrap").is_null());
    EXPECT_NE(j.at("methods_paragraph")
                  .get<std::string>()
                  .find("The 5 data rows came from 2 cases and held 3 species."),
              std::string::npos);

    // With intervals the spectrum carries them and the record says how they were drawn.
    auto boot = std::make_shared<sscm::BootstrapResult>();
    boot->settings.replicates = 20;
    boot->settings.seed = 7;
    boot->used = 18;
    boot->split = 2;
    boot->valueLo = boot->valueHi = boot->rankLo = boot->rankHi = boot->valueSd = {0, 0, 0};
    s.lastIntervals = boot;
    ASSERT_TRUE(sscm::exportTables(s, "out"));
    const auto k = nlohmann::json::parse(readFile("out/run.json"));
    EXPECT_EQ(k.at("bootstrap").at("replicates"), 20);
    EXPECT_EQ(k.at("bootstrap").at("seed"), 7);
    EXPECT_EQ(k.at("bootstrap").at("used"), 18);
    EXPECT_EQ(k.at("bootstrap").at("skipped_split"), 2);

    // Intervals drawn for another run (other species) are left out, not read past their end.
    boot->valueLo = boot->valueHi = boot->rankLo = boot->rankHi = boot->valueSd = {0, 0};
    ASSERT_TRUE(sscm::exportTables(s, "out"));
    EXPECT_TRUE(nlohmann::json::parse(readFile("out/run.json")).at("bootstrap").is_null());
    EXPECT_EQ(readFile("out/spectrum.csv").find(",0,0,0,0,0\n"), std::string::npos);
}

// No name of the folder may be the data file, that of the run or the one read since: the folder's
// tables are written there, and those the run does not write (dominance.csv here) are removed.
TEST_F(Export, AFolderHoldingTheDataIsRefused) {
    runWorkedExample();
    std::filesystem::create_directories("data");
    // The data of the run, and of the file read since.
    for (const auto& [data, run, since] :
         {std::tuple{"data/dominance.csv", "data/dominance.csv", "other.csv"},
          std::tuple{"data/spectrum.csv", "other.csv", "data/spectrum.csv"}}) {
        writeFile(data, "Site,Species,Pref\n");
        s.lastDataFile = run;
        s.dataFile = since;
        const sscm::Status st = sscm::exportTables(s, "data");
        EXPECT_FALSE(st);
        EXPECT_NE(st.message.find("is the data file"), std::string::npos) << st.message;
        EXPECT_EQ(readFile(data), "Site,Species,Pref\n");
        EXPECT_FALSE(std::filesystem::exists("data/pairs.csv"));
        std::filesystem::remove(data);
    }
}

// The methods paragraph of a run on 10 rows of 3 sites: one row without its intensity, species D
// at one site only (removed at a threshold of 1), A, B and C ranked; with intervals and a model
// whose numbers are given.
TEST(MethodsParagraph, NamesTheVersionCountsBootstrapAndAgreement) {
    const auto table = makeTable({"Site", "Species", "Pref"}, {{"S1", "A", "5"},
                                                               {"S1", "B", "2"},
                                                               {"S1", "C", "1"},
                                                               {"S1", "D", "4"},
                                                               {"S2", "A", "3"},
                                                               {"S2", "B", "3"},
                                                               {"S2", "C", ""},
                                                               {"S3", "A", "1"},
                                                               {"S3", "B", "2"},
                                                               {"S3", "C", "4"}});
    sscm::AnalysisSettings settings;
    settings.casevar = "Site";
    settings.spvar = "Species";
    settings.prefvar = "Pref";
    settings.lowlimit = "1";
    sscm::AnalysisResult result;
    ASSERT_TRUE(sscm::analysis::run(*table, settings, nullptr, result));
    sscm::BootstrapResult boot;
    boot.settings.replicates = 200;
    boot.settings.seed = 42;
    boot.settings.level = 0.9;
    boot.used = 187;
    boot.split = 13;
    sscm::BtRanking model;
    model.agreement = true;
    model.spearman = 0.9876;
    model.kendall = 0.904;
    sscm::RunOutcome run{table.get(), &settings, &result, sscm::Status::ok(), &boot, &model};

    const std::string p = sscm::methodsParagraph(run);
    for (const char* words :
         {"Palatability was ranked with sscm " SSCM_VERSION " (",
          "from the variable \"Site\", the plant species from \"Species\" and "
          "the local preference intensity from \"Pref\"; a higher intensity",
          "Of 10 data rows, 1 was left out", "the 9 used came from 3 cases and held 4 species.",
          "The 1 species found in 1 case or fewer was removed, and the remaining "
          "3 were ranked.",
          "power iteration", "site bootstrap: 200 resamples of the 3 cases",
          "(seed 42); 187 were used and 13 discarded", "The 90 % percentile intervals",
          "Spearman's rho = 0.99 and Kendall's tau-b = 0.90."})
        EXPECT_NE(p.find(words), std::string::npos) << words << "\n in: " << p;
    EXPECT_NE(p.find("(" + std::to_string(result.steps) + " steps)"), std::string::npos) << p;
    EXPECT_EQ(p.find('\n'), std::string::npos);

    // Ranks read the other way, nothing removed; a run that did not finish has no paragraph.
    settings.lowerIsPreferred = true;
    settings.removelow = false;
    ASSERT_TRUE(sscm::analysis::run(*table, settings, nullptr, result));
    run.intervals = nullptr;
    run.model = nullptr;
    const std::string q = sscm::methodsParagraph(run);
    EXPECT_NE(q.find("a lower intensity was read as a stronger preference"), std::string::npos);
    EXPECT_NE(q.find("All 4 species were kept and ranked."), std::string::npos) << q;
    EXPECT_EQ(q.find("bootstrap"), std::string::npos);
    EXPECT_EQ(q.find("Bradley"), std::string::npos);
    run.status = sscm::Status::splitNetwork("No common species between cases");
    EXPECT_EQ(sscm::methodsParagraph(run), "");
}

// The citation that About gives is the one of CITATION.cff and of the R package, which has the
// program's version.
TEST(Citation, OneTextInTheProgramCitationFileAndRPackage) {
    auto read = [](const char* path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(sscm::citationText(),
              "sscm developers (2026). sscm: Palatability Spectra from "
              "Within-Site Comparisons of Field Observations. Version " SSCM_VERSION ".");
    const std::string cff = read(SSCM_SOURCE_DIR "/CITATION.cff");
    EXPECT_NE(cff.find("\ntitle: \"" + std::string(sscm::kCitationTitle) + "\"\n"),
              std::string::npos);
    EXPECT_NE(cff.find("\nversion: " SSCM_VERSION "\n"), std::string::npos);
    EXPECT_NE(cff.find("\ndate-released: " + std::string(sscm::kReleaseDate) + "\n"),
              std::string::npos);
    EXPECT_NE(cff.find("  - name: \"" + std::string(sscm::kCitationAuthors) + "\"\n"),
              std::string::npos);
    EXPECT_NE(read(SSCM_SOURCE_DIR "/r/inst/CITATION")
                  .find("\"" + std::string(sscm::kCitationTitle) + "\""),
              std::string::npos);
    EXPECT_NE(read(SSCM_SOURCE_DIR "/r/DESCRIPTION").find("\nVersion: " SSCM_VERSION "\n"),
              std::string::npos);
}

} // namespace
