// sscm-cli --out and --per-group from the outside: the tables read back with a CSV reader and
// checked against the data, the log and the result file; a split network's groups; run.json.

#include "csv_reader.h"
#include "data/printfmt.h"
#include "tempdir.h"
#include "test_config.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::test::Csv;
using sscm::test::readCsv;
using Rows = std::vector<std::vector<std::string>>; // Site, Species, Pref

const std::string kData = std::string(SSCM_TEST_DATA_DIR) + "/cli/";
const std::string kGenerated = std::string(SSCM_GENERATED_DATA_DIR) + "/";

class CliTables : public sscm::test::TempDirTest {
protected:
    int run(const std::vector<std::string>& args) { return runProgram(SSCM_CLI_PATH, args); }
    static std::vector<std::string> roles(const std::string& file) {
        return {file, "--case", "Site", "--species", "Species", "--pref", "Pref", "--quiet"};
    }
    static void writeRows(const std::string& name, const Rows& rows) {
        std::string text = "Site,Species,Pref\n";
        for (const auto& r : rows)
            text += r[0] + "," + r[1] + "," + r[2] + "\n";
        writeFile(name, text);
    }
    static Csv csv(const std::string& name) { return readCsv(readFile(name)); }
};

// Field data drawn by a fixed integer rule: `cases` cases named prefix0, prefix1, ... of 1 to
// `maxRows` rows, species names from `names` (with `skewed`, the first ones far more common),
// intensities 0 to 3 (frequent ties), species repeated within a case.
Rows drawnRows(std::uint64_t seed, const std::string& prefix, int cases, int maxRows,
               const std::vector<std::string>& names, bool skewed = true) {
    std::uint64_t x = seed;
    auto next = [&x](std::uint64_t bound) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        return (x >> 33) % bound;
    };
    const auto n = std::uint64_t(names.size());
    Rows rows;
    for (int c = 0; c < cases; ++c) {
        const auto r = 1 + next(std::uint64_t(maxRows));
        for (std::uint64_t k = 0; k < r; ++k)
            rows.push_back({prefix + std::to_string(c),
                            names[skewed ? next(n) * next(n) / n : next(n)],
                            std::to_string(next(4))});
    }
    return rows;
}

std::vector<std::string> speciesNames(const std::string& stem, int n) {
    std::vector<std::string> v;
    for (int k = 0; k < n; ++k)
        v.push_back(stem + " " + std::to_string(k));
    return v;
}

// The log's matrix dump: cell text by (row species, column species), blanks as printed.
std::map<std::pair<std::string, std::string>, std::string> logMatrix(const std::string& log) {
    std::map<std::pair<std::string, std::string>, std::string> cells;
    std::vector<std::string> lines;
    for (std::size_t p = 0, e; p < log.size(); p = e + 2) {
        e = log.find("\r\n", p);
        lines.push_back(log.substr(p, e - p));
    }
    std::size_t h = 0;
    while (h < lines.size() && lines[h].rfind("Species,", 0) != 0)
        ++h;
    auto split = [](std::string line) {
        line.pop_back(); // the blank that ends each row
        std::vector<std::string> f;
        for (std::size_t p = 0, e; p <= line.size(); p = e + 1) {
            e = line.find(',', p);
            if (e == std::string::npos)
                e = line.size();
            f.push_back(line.substr(p, e - p));
        }
        return f;
    };
    const auto header = split(lines.at(h));
    for (std::size_t i = h + 1; i < lines.size() && !lines[i].empty(); ++i) {
        const auto f = split(lines[i]);
        for (std::size_t j = 1; j < f.size(); ++j)
            cells[{f[0], header.at(j)}] = f[j];
    }
    return cells;
}

TEST_F(CliTables, TablesReadBackAgreeWithTheDataTheLogAndTheResultFile) {
    const Rows rows = drawnRows(7, "site", 80, 9, speciesNames("Poa", 30));
    writeRows("data.csv", rows);
    auto args = roles("data.csv");
    args.insert(args.end(), {"--threshold", "2", "--out", "out"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");

    // Kept species: those in more than 2 cases.
    std::map<std::string, std::set<std::string>> casesOf;
    for (const auto& r : rows)
        casesOf[r[1]].insert(r[0]);
    std::set<std::string> kept;
    for (const auto& [sp, cs] : casesOf)
        if (cs.size() > 2)
            kept.insert(sp);

    // pairs.csv against a plain count over every unordered pair of rows of a case.
    struct Count {
        std::int64_t hi = 0, tie = 0, lo = 0;
        std::set<std::string> cases;
    };
    std::map<std::pair<std::string, std::string>, Count> want;
    std::int64_t rowPairs = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            if (rows[i][0] != rows[j][0] || rows[i][1] == rows[j][1] || !kept.count(rows[i][1]) ||
                !kept.count(rows[j][1]))
                continue;
            ++rowPairs;
            // Keyed by the names in sorted order; the table's own order is checked below.
            const bool swap = rows[i][1] > rows[j][1];
            const int x = std::stoi(rows[swap ? j : i][2]);
            const int y = std::stoi(rows[swap ? i : j][2]);
            Count& c = want[{rows[swap ? j : i][1], rows[swap ? i : j][1]}];
            (x > y ? c.hi : x == y ? c.tie : c.lo) += 1;
            c.cases.insert(rows[i][0]);
        }
    }
    const Csv pairs = csv("out/pairs.csv");
    ASSERT_EQ(pairs.header, (std::vector<std::string>{"species_a", "species_b", "a_higher", "ties",
                                                      "b_higher", "cases"}));
    ASSERT_EQ(pairs.rows.size(), want.size());
    ASSERT_GT(pairs.rows.size(), 50U);
    std::int64_t summed = 0;
    for (const auto& p : pairs.rows) {
        std::int64_t hi = std::stoll(p[2]), tie = std::stoll(p[3]), lo = std::stoll(p[4]);
        summed += hi + tie + lo;
        std::string a = p[0], b = p[1];
        if (a > b) {
            std::swap(a, b);
            std::swap(hi, lo);
        }
        const auto w = want.find({a, b});
        ASSERT_NE(w, want.end()) << a << " / " << b;
        EXPECT_EQ(hi, w->second.hi);
        EXPECT_EQ(tie, w->second.tie);
        EXPECT_EQ(lo, w->second.lo);
        EXPECT_EQ(std::stoul(p[5]), w->second.cases.size());
    }
    EXPECT_EQ(summed, rowPairs);

    // matrix.csv against the log's dump; cells it leaves out show the fill value of run.json.
    const auto json = nlohmann::json::parse(readFile("out/run.json"));
    const auto cells = logMatrix(readFile("log_data.csv"));
    ASSERT_EQ(cells.size(), kept.size() * kept.size());
    const Csv matrix = csv("out/matrix.csv");
    ASSERT_EQ(matrix.header,
              (std::vector<std::string>{"species_a", "species_b", "comparisons", "mean_code"}));
    std::set<std::pair<std::string, std::string>> listed;
    for (const auto& m : matrix.rows) {
        const auto cell = cells.find({m[0], m[1]});
        ASSERT_NE(cell, cells.end()) << m[0] << " / " << m[1];
        EXPECT_EQ(sscm::printForm(std::stod(m[3])), cell->second) << m[0] << " / " << m[1];
        listed.insert({m[0], m[1]});
        if (m[0] != m[1]) {
            const bool swap = m[0] > m[1];
            const Count& c =
                want.at(swap ? std::make_pair(m[1], m[0]) : std::make_pair(m[0], m[1]));
            EXPECT_EQ(std::stoll(m[2]), c.hi + c.tie + c.lo);
        }
    }
    const std::string fill = sscm::printForm(json.at("fill_value").get<double>());
    for (const auto& [key, text] : cells) {
        if (!listed.count(key)) {
            EXPECT_EQ(text, fill) << key.first << " / " << key.second;
        }
    }
    EXPECT_LT(listed.size(), cells.size()); // some pairs never met

    // spectrum.csv in the order and with the values of the result file's ranked lines.
    const Csv spectrum = csv("out/spectrum.csv");
    const std::string results = readFile("palatability_data.csv");
    const std::string head = "Eigen vector (palatability)\r\n";
    std::size_t at = results.find(head);
    ASSERT_NE(at, std::string::npos);
    at += head.size();
    ASSERT_EQ(spectrum.rows.size(), kept.size());
    for (const auto& s : spectrum.rows) {
        const std::string line = s[0] + "," + " " + sscm::numberText(std::stod(s[1])) + "\r\n";
        EXPECT_EQ(results.compare(at, line.size(), line), 0) << line;
        at += line.size();
        EXPECT_EQ(std::stoul(s[spectrum.col("cases")]), casesOf.at(s[0]).size());
    }
    EXPECT_EQ(at, results.size());

    const Csv cases = csv("out/cases.csv");
    EXPECT_EQ(cases.rows.size(), 80U);
    EXPECT_EQ(json.at("counts").at("species_kept"), kept.size());
    EXPECT_EQ(json.at("counts").at("rows"), rows.size());
    for (const auto& entry : std::filesystem::directory_iterator("out"))
        EXPECT_EQ(entry.path().extension(),
                  entry.path().filename() == "run.json" ? ".json" : ".csv");
}

TEST_F(CliTables, RunRecordHoldsTheDigestCountsAndFiles) {
    auto args = roles(kData + "worked.csv");
    args.insert(args.end(), {"--threshold", "1", "--out", "new/folder"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    const auto j = nlohmann::json::parse(readFile("new/folder/run.json"));
    // sha256sum tests/data/cli/worked.csv
    EXPECT_EQ(j.at("data_file").at("sha256"),
              "307fcda3b3da905cfe374a3b2223b11de401438284a072dc94edefde3feeab5f");
    EXPECT_EQ(j.at("data_file").at("size"), std::filesystem::file_size(kData + "worked.csv"));
    EXPECT_EQ(j.at("outcome"), "finished");
    EXPECT_EQ(j.at("name_encoding"), "UTF-8");
    EXPECT_EQ(j.at("counts"), nlohmann::json::parse(R"({"rows": 5, "cases": 2,
        "species_found": 3, "species_removed": 1, "species_kept": 2})"));
    EXPECT_EQ(j.at("settings").at("threshold"), "1");
    EXPECT_EQ(j.at("settings").at("species"), "Species");
    EXPECT_EQ(j.at("largest_connect_step"), 1);
    EXPECT_GE(j.at("iteration").at("steps").get<int>(), 2);
    EXPECT_LT(j.at("iteration").at("final_change").get<double>(), 1e-7);
    EXPECT_EQ(j.at("fill_value"), 2.0); // means 2, 2.5, 1.5, 2
    EXPECT_TRUE(j.at("bootstrap").is_null());
    EXPECT_EQ(j.at("files"), nlohmann::json::parse(R"(["spectrum.csv", "pairs.csv", "matrix.csv",
        "cases.csv", "run.json"])"));
    std::vector<std::string> cmd(args.begin(), args.end());
    cmd.insert(cmd.begin(), SSCM_CLI_PATH);
    EXPECT_EQ(j.at("command_line").get<std::vector<std::string>>(), cmd);
    EXPECT_TRUE(j.at("stage_seconds").contains("iteration"));
    EXPECT_EQ(readFile("new/folder/pairs.csv"),
              "species_a,species_b,a_higher,ties,b_higher,cases\nA,B,1,1,0,2\n");

    // A folder that cannot be made: the run's files are there, the command says why and fails.
    writeFile("blocked", "");
    args.back() = "blocked/out";
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(readFile("err.txt").find("blocked/out"), std::string::npos);
    // --per-group needs a folder to write to.
    EXPECT_EQ(run({kData + "worked.csv", "--case", "Site", "--species", "Species", "--pref", "Pref",
                   "--per-group"}),
              2);

    // A chain: A meets B at one site, B meets C at another, so A needs two links to reach C.
    // The result file and the log may both go to /dev/null.
    writeRows("chain.csv",
              {{"s1", "A", "2"}, {"s1", "B", "1"}, {"s2", "B", "3"}, {"s2", "C", "1"}});
    auto chain = roles("chain.csv");
    chain.insert(chain.end(),
                 {"--keep-rare", "--results", "/dev/null", "--log", "/dev/null", "--out", "chain"});
    ASSERT_EQ(run(chain), 0) << readFile("err.txt");
    EXPECT_EQ(nlohmann::json::parse(readFile("chain/run.json")).at("largest_connect_step"), 2);
}

// Two regions that share no species, their rows interleaved, and a stray site of its own.
Rows regionRows(int region) {
    return region == 0 ? drawnRows(11, "north", 12, 6, speciesNames("Poa", 6), false)
                       : drawnRows(12, "south", 9, 5, speciesNames("Salix", 5), false);
}

TEST_F(CliTables, SplitNetworkNamesItsGroupsAndRanksThemOnTheirOwn) {
    const Rows north = regionRows(0);
    const Rows south = regionRows(1);
    Rows all;
    for (std::size_t k = 0; k < std::max(north.size(), south.size()); ++k) {
        if (k < north.size())
            all.push_back(north[k]);
        if (k < south.size())
            all.push_back(south[k]);
    }
    all.push_back({"stray", "Juncus", "1"});
    all.push_back({"stray", "Juncus", "4"});
    writeRows("all.csv", all);
    writeRows("north.csv", north);
    writeRows("south.csv", south);

    auto args = roles("all.csv");
    args.insert(args.end(), {"--keep-rare", "--out", "split"});
    EXPECT_EQ(run(args), 1);
    const std::string err = readFile("err.txt");
    EXPECT_EQ(err.rfind("sscm-cli: No common species between cases\n"
                        "The species fall into 3 groups that share no case (largest first):\n"
                        "Group 1: 6 species (Poa ",
                        0),
              0U)
        << err;
    EXPECT_NE(err.find("\nGroup 2: 5 species (Salix "), std::string::npos) << err;
    EXPECT_NE(err.find("in 9 cases (south0, south1, south2, ...)"), std::string::npos) << err;
    EXPECT_NE(err.find("\nGroup 3: 1 species (Juncus) in 1 case (stray)\n"), std::string::npos);
    const std::string failedLog = readFile("log_all.csv");
    EXPECT_EQ(failedLog, "\r\nMinimum connect steps (smaller is better). Large value means "
                         "limited number of common species.\r\n");

    const Csv groups = csv("split/groups.csv");
    ASSERT_EQ(groups.rows.size(), 12U);
    for (const auto& g : groups.rows) {
        const char* want = g[0].rfind("Poa", 0) == 0     ? "1,6,12"
                           : g[0].rfind("Salix", 0) == 0 ? "2,5,9"
                                                         : "3,1,1";
        EXPECT_EQ(g[1] + "," + g[2] + "," + g[3], want) << g[0];
    }
    const auto j = nlohmann::json::parse(readFile("split/run.json"));
    EXPECT_EQ(j.at("outcome"), "split network");
    EXPECT_TRUE(j.at("methods_paragraph").is_null());
    EXPECT_EQ("sscm-cli: " + j.at("message").get<std::string>() + "\n", err);
    EXPECT_EQ(j.at("groups").at("count"), 3);
    EXPECT_FALSE(std::filesystem::exists("split/spectrum.csv"));

    // Each region alone, and the whole set with --per-group.
    for (const char* region : {"north", "south"}) {
        auto a = roles(std::string(region) + ".csv");
        a.insert(a.end(), {"--keep-rare", "--out", region});
        ASSERT_EQ(run(a), 0) << readFile("err.txt");
    }
    args.back() = "per";
    args.push_back("--per-group");
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_NE(readFile("err.txt").find("2 of 3 groups ranked"), std::string::npos);
    EXPECT_EQ(readFile("log_all.csv"), failedLog);
    EXPECT_FALSE(exists("palatability_all.csv"));

    const Csv per = csv("per/spectrum.csv");
    ASSERT_EQ(per.header.back(), "group");
    std::size_t line = 0;
    for (const auto& [region, group] : {std::pair{"north", "1"}, std::pair{"south", "2"}}) {
        const Csv alone = csv(std::string(region) + "/spectrum.csv");
        ASSERT_EQ(alone.header, std::vector<std::string>(per.header.begin(), per.header.end() - 1));
        for (const auto& want : alone.rows) {
            ASSERT_LT(line, per.rows.size());
            auto got = per.rows[line++];
            EXPECT_EQ(got.back(), group);
            got.pop_back();
            // Shortest texts: equal exactly when the doubles are equal bit for bit.
            EXPECT_EQ(got, want) << region;
        }
    }
    EXPECT_EQ(line, per.rows.size());
}

// --model bt: the abilities and their ranks beside the spectrum, the agreement in run.json and
// on standard error, and the warning only where the species were compared with different sets
// of species (two generated regions sharing two species).
TEST_F(CliTables, ModelRankingWarnsOnlyWhereSpeciesMeetUnevenly) {
    for (const bool regions : {true, false}) {
        auto args = roles(kGenerated + (regions ? "two_regions.csv" : "random_meet.csv"));
        args.insert(args.end(), {"--model", "bt", "--out", "m"});
        ASSERT_EQ(run(args), 0) << readFile("err.txt");
        const std::string err = readFile("err.txt");
        const auto j = nlohmann::json::parse(readFile("m/run.json")).at("model");
        EXPECT_EQ(j.at("name"), "Bradley-Terry");
        EXPECT_EQ(j.at("tie_rule"), "a tie counts as half a win for each species");
        EXPECT_TRUE(j.at("converged").get<bool>());
        EXPECT_EQ(j.at("warning").get<bool>(), regions);
        const double rho = j.at("spearman").get<double>();
        EXPECT_NEAR(rho, regions ? 0.937 : 0.993, 0.0005);
        EXPECT_NE(err.find("Spearman " + std::string(regions ? "0.937" : "0.993")),
                  std::string::npos)
            << err;
        EXPECT_EQ(err.find("may misorder them; look at the model's ranking and at the groups of "
                           "species that meet") != std::string::npos,
                  regions)
            << err;

        // Abilities centred, ranked as the spectrum is ranked (1 highest).
        const Csv t = csv("m/spectrum.csv");
        ASSERT_EQ(t.header.size(), 12U);
        EXPECT_EQ(t.header[10], "bt_ability");
        EXPECT_EQ(t.header[11], "bt_rank");
        double sum = 0;
        std::set<int> ranks;
        for (const auto& row : t.rows) {
            const double a = std::stod(row[10]);
            sum += a;
            int above = 0;
            for (const auto& other : t.rows)
                above += std::stod(other[10]) > a;
            EXPECT_EQ(std::stoi(row[11]), above + 1) << row[0];
            ranks.insert(std::stoi(row[11]));
        }
        EXPECT_NEAR(sum, 0, 1e-9);
        EXPECT_EQ(ranks.size(), t.rows.size());
    }

    // With the bootstrap: the model's intervals, p_above_next, and dominance.csv holding every
    // pair in the spectrum's order, its neighbours' shares equal to p_above_next.
    auto args = roles(kGenerated + "random_meet.csv");
    args.insert(args.end(), {"--model", "bt", "--bootstrap", "30", "--dominance", "--out", "d"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    const Csv t = csv("d/spectrum.csv");
    ASSERT_EQ(t.header.size(), 17U);
    EXPECT_EQ(t.header[10], "p_above_next");
    EXPECT_EQ(t.header[16], "bt_rank_hi");
    const auto boot = nlohmann::json::parse(readFile("d/run.json")).at("bootstrap");
    EXPECT_TRUE(boot.at("model_intervals").get<bool>() && boot.at("dominance").get<bool>());
    const Csv d = csv("d/dominance.csv");
    EXPECT_EQ(d.header, (std::vector<std::string>{"species_a", "species_b", "p_a_above_b"}));
    const std::size_t n = t.rows.size();
    ASSERT_EQ(d.rows.size(), n * (n - 1) / 2);
    for (std::size_t i = 0, k = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j, ++k) {
            EXPECT_EQ(d.rows[k][0], t.rows[i][0]);
            EXPECT_EQ(d.rows[k][1], t.rows[j][0]);
            if (j == i + 1) {
                EXPECT_EQ(d.rows[k][2], t.rows[i][10]);
            }
        }
    EXPECT_EQ(t.rows[n - 1][10], "");
    EXPECT_LE(std::stod(t.rows[0][13]), std::stod(t.rows[0][14])); // bt_lo <= bt_hi
    // C lost every comparison: no finite estimate; the species are named and the abilities
    // stay finite with the pseudo-wins.
    writeRows("lost.csv", {{"s1", "A", "3"},
                           {"s1", "B", "2"},
                           {"s1", "C", "1"},
                           {"s2", "A", "1"},
                           {"s2", "B", "2"},
                           {"s2", "C", "0"},
                           {"s3", "A", "2"},
                           {"s3", "B", "3"},
                           {"s3", "C", "1"}});
    auto lost = roles("lost.csv");
    lost.insert(lost.end(), {"--keep-rare", "--model", "bt", "--out", "lost"});
    ASSERT_EQ(run(lost), 0) << readFile("err.txt");
    EXPECT_NE(readFile("err.txt").find("; never beating outside: C\n"), std::string::npos)
        << readFile("err.txt");
    const auto m = nlohmann::json::parse(readFile("lost/run.json")).at("model");
    EXPECT_FALSE(m.at("estimate_exists").get<bool>());
    EXPECT_EQ(m.at("pseudo_wins"), 0.5);
    EXPECT_EQ(m.at("never_beaten_from_outside"), nlohmann::json::parse(R"(["A", "B"])"));
    EXPECT_EQ(m.at("never_beating_outside"), nlohmann::json::parse(R"(["C"])"));
    // BTm on the counts with 0.5 added to both wins of every pair, centred: C -1.308052408.
    const Csv l = csv("lost/spectrum.csv");
    EXPECT_EQ(l.rows.back()[0], "C");
    EXPECT_NEAR(std::stod(l.rows.back()[l.col("bt_ability")]), -1.308052408, 1e-6);

    // Only with a bootstrap and a folder.
    EXPECT_EQ(run({kGenerated + "random_meet.csv", "--case", "Site", "--species", "Species",
                   "--pref", "Pref", "--bootstrap", "5", "--dominance"}),
              2);
}

} // namespace
