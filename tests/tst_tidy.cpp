// The tables for other tools: pair counts against a plain count over every pair of rows, the
// matrix and case tables of a worked example, and the groups of a split network.

#include "analysis/tidy.h"
#include "analysis_fixtures.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::AnalysisResult;
using sscm::DataTable;
using sscm::test::makeTable;
using Rows = std::vector<std::vector<std::string>>;

// The result of an analysis of (case, species, intensity) rows, found the plain way: every
// ordered pair of rows of a case into dense matrices, then the species occurring in more than
// `threshold` cases kept (all of them when threshold < 0), then the compared pairs.
AnalysisResult plainResult(const DataTable& t, int threshold) {
    AnalysisResult r;
    r.casecol = 1;
    r.spcol = 2;
    r.prefcol = 3;
    r.objn = t.objn;
    std::map<std::string, int> caseAt;
    std::map<std::string, int> spAt;
    std::vector<std::set<int>> spCases;
    for (int i = 1; i <= t.objn; ++i) {
        const std::string c(t.cell(1, i));
        const std::string s(t.cell(2, i));
        if (!caseAt.count(c)) {
            caseAt[c] = int(r.casename.size());
            r.casename.push_back(c);
            r.casefreq.push_back(0);
        }
        if (!spAt.count(s)) {
            spAt[s] = int(r.allSpecies.size());
            r.allSpecies.push_back(s);
            r.allSpfreq.push_back(0);
            spCases.emplace_back();
        }
        ++r.casefreq[std::size_t(caseAt[c])];
        ++r.allSpfreq[std::size_t(spAt[s])];
        spCases[std::size_t(spAt[s])].insert(caseAt[c]);
    }
    for (std::size_t s = 0; s < r.allSpecies.size(); ++s) {
        r.allSpocc.push_back(std::int32_t(spCases[s].size()));
        if (threshold < 0 || int(spCases[s].size()) > threshold) {
            r.kept.push_back(std::int32_t(s));
            r.spname.push_back(r.allSpecies[s]);
            r.spfreq.push_back(r.allSpfreq[s]);
            r.spocc.push_back(r.allSpocc[s]);
        } else {
            r.removed.push_back(std::int32_t(s));
        }
    }
    const int all = int(r.allSpecies.size());
    std::vector<double> sum(std::size_t(all * all)), cnt(std::size_t(all * all));
    for (int i = 1; i <= t.objn; ++i) {
        for (int j = 1; j <= t.objn; ++j) {
            if (t.cell(1, i) != t.cell(1, j))
                continue;
            const double x = std::stod(std::string(t.cell(3, i)));
            const double y = std::stod(std::string(t.cell(3, j)));
            const auto k = std::size_t(spAt[std::string(t.cell(2, i))] * all +
                                       spAt[std::string(t.cell(2, j))]);
            sum[k] += x > y ? 3 : x == y ? 2 : 1;
            cnt[k] += 1;
        }
    }
    const auto n = std::int32_t(r.kept.size());
    r.pairs.n = n;
    r.pairs.start.push_back(0);
    double total = 0;
    double count = 0;
    for (std::int32_t a = 0; a < n; ++a) {
        for (std::int32_t b = 0; b < n; ++b) {
            const auto k = std::size_t(r.kept[std::size_t(a)] * all + r.kept[std::size_t(b)]);
            if (cnt[k] == 0)
                continue;
            r.pairs.col.push_back(b);
            r.pairs.count.push_back(cnt[k]);
            r.pairs.mean.push_back(sum[k] / cnt[k]);
            total += sum[k] / cnt[k];
            count += 1;
        }
        r.pairs.start.push_back(std::int64_t(r.pairs.col.size()));
    }
    r.fill = count > 0 ? total / count : 0;
    return r;
}

// Field data drawn by a fixed integer rule (the same on every standard library): `cases` cases
// of 1 to `maxRows` rows, species from `species` names with the low numbers more common,
// intensities 0 to 3 so that ties are frequent, and species repeated within a case.
Rows drawnRows(std::uint64_t seed, int cases, int maxRows, int species) {
    std::uint64_t x = seed;
    auto next = [&x](std::uint64_t bound) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        return (x >> 33) % bound;
    };
    Rows rows;
    for (int c = 0; c < cases; ++c) {
        const auto r = 1 + next(std::uint64_t(maxRows));
        for (std::uint64_t k = 0; k < r; ++k) {
            const auto s = next(std::uint64_t(species)) * next(std::uint64_t(species)) /
                           std::uint64_t(species);
            rows.push_back(
                {"site" + std::to_string(c), "sp" + std::to_string(s), std::to_string(next(4))});
        }
    }
    return rows;
}

std::shared_ptr<DataTable> table(const Rows& rows) {
    return makeTable({"Site", "Species", "Pref"}, rows);
}

TEST(PairCounts, WorkedExampleTables) {
    // S1: A 5, B 2; S2: A 1, B 1, C 3.
    const auto t = table(
        {{"S1", "A", "5"}, {"S1", "B", "2"}, {"S2", "A", "1"}, {"S2", "B", "1"}, {"S2", "C", "3"}});
    const AnalysisResult r = plainResult(*t, -1);
    std::vector<sscm::PairCounts> pairs;
    ASSERT_TRUE(sscm::pairCounts(*t, r, pairs));
    EXPECT_EQ(sscm::pairsTable(r, pairs), "species_a,species_b,a_higher,ties,b_higher,cases\n"
                                          "A,B,1,1,0,2\n"
                                          "A,C,0,0,1,1\n"
                                          "B,C,0,0,1,1\n");
    EXPECT_EQ(sscm::matrixTable(r), "species_a,species_b,comparisons,mean_code\n"
                                    "A,A,2,2\nA,B,2,2.5\nA,C,1,1\n"
                                    "B,A,2,1.5\nB,B,2,2\nB,C,1,1\n"
                                    "C,A,1,3\nC,B,1,3\nC,C,1,2\n");
    std::vector<sscm::CaseCounts> cases;
    ASSERT_TRUE(sscm::caseCounts(*t, r, cases));
    EXPECT_EQ(sscm::casesTable(r, cases), "case,rows,species,species_kept\nS1,2,2,2\nS2,3,3,3\n");

    // With C removed (it occurs in one case), its pairs and its rows drop out.
    const AnalysisResult kept = plainResult(*t, 1);
    ASSERT_TRUE(sscm::pairCounts(*t, kept, pairs));
    EXPECT_EQ(sscm::pairsTable(kept, pairs),
              "species_a,species_b,a_higher,ties,b_higher,cases\nA,B,1,1,0,2\n");
    ASSERT_TRUE(sscm::caseCounts(*t, kept, cases));
    EXPECT_EQ(sscm::casesTable(kept, cases),
              "case,rows,species,species_kept\nS1,2,2,2\nS2,3,3,2\n");
}

TEST(PairCounts, RowsOfOneSpeciesAreLeftOutAndNamesQuoted) {
    // Two rows of "Poa, annua" in one case: compared with "Carex ""x""" row by row, never with
    // each other.
    const auto t = table({{"S1", "Poa, annua", "5"},
                          {"S1", "Poa, annua", "2"},
                          {"S1", "Carex \"x\"", "2"},
                          {"S2", "Poa, annua", "1"}});
    const AnalysisResult r = plainResult(*t, -1);
    std::vector<sscm::PairCounts> pairs;
    ASSERT_TRUE(sscm::pairCounts(*t, r, pairs));
    EXPECT_EQ(sscm::pairsTable(r, pairs), "species_a,species_b,a_higher,ties,b_higher,cases\n"
                                          "\"Poa, annua\",\"Carex \"\"x\"\"\",1,1,0,1\n");
}

TEST(PairCounts, AgreeWithAPlainCountOverEveryPairOfRows) {
    for (const int threshold : {-1, 2}) {
        const Rows rows = drawnRows(std::uint64_t(17 + threshold), 60, 9, 25);
        const auto t = table(rows);
        const AnalysisResult r = plainResult(*t, threshold);
        std::vector<sscm::PairCounts> pairs;
        ASSERT_TRUE(sscm::pairCounts(*t, r, pairs));

        // The plain count: every unordered pair of rows of different kept species in a case.
        std::map<std::string, int> keptAt;
        for (std::size_t k = 0; k < r.spname.size(); ++k)
            keptAt[r.spname[k]] = int(k);
        std::map<std::pair<int, int>, std::tuple<std::int64_t, std::int64_t, std::int64_t>> want;
        std::map<std::pair<int, int>, std::set<std::string>> wantCases;
        std::int64_t rowPairs = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            for (std::size_t j = i + 1; j < rows.size(); ++j) {
                if (rows[i][0] != rows[j][0] || rows[i][1] == rows[j][1] ||
                    !keptAt.count(rows[i][1]) || !keptAt.count(rows[j][1]))
                    continue;
                ++rowPairs;
                int a = keptAt[rows[i][1]];
                int b = keptAt[rows[j][1]];
                double x = std::stod(rows[i][2]);
                double y = std::stod(rows[j][2]);
                if (a > b) {
                    std::swap(a, b);
                    std::swap(x, y);
                }
                auto& [hi, tie, lo] = want[{a, b}];
                (x > y ? hi : x == y ? tie : lo) += 1;
                wantCases[{a, b}].insert(rows[i][0]);
            }
        }
        ASSERT_EQ(pairs.size(), want.size());
        ASSERT_GT(pairs.size(), 20U);
        std::int64_t summed = 0;
        auto w = want.begin();
        for (const auto& p : pairs) {
            ASSERT_EQ(std::make_pair(p.a, p.b), w->first); // ordered by a, then b
            EXPECT_EQ(std::make_tuple(p.aHigher, p.ties, p.bHigher), w->second);
            EXPECT_EQ(std::size_t(p.cases), wantCases[w->first].size());
            summed += p.aHigher + p.ties + p.bHigher;
            // The same comparisons make the mean matrix: count and mean code of (a, b).
            const auto& pt = r.pairs;
            const auto begin = pt.col.begin() + pt.start[std::size_t(p.a)];
            const auto end = pt.col.begin() + pt.start[std::size_t(p.a) + 1];
            const auto k = std::size_t(std::find(begin, end, p.b) - pt.col.begin());
            const double n = double(p.aHigher + p.ties + p.bHigher);
            EXPECT_EQ(pt.count[k], n);
            EXPECT_EQ(pt.mean[k], double(3 * p.aHigher + 2 * p.ties + p.bHigher) / n);
            ++w;
        }
        EXPECT_EQ(summed, rowPairs);

        // The plain call's result gives the same tables.
        sscm::AnalysisSettings settings{"Site", "Species", "Pref", threshold >= 0,
                                        std::to_string(threshold)};
        AnalysisResult real;
        const sscm::Status st = sscm::analyze(*t, settings, real);
        ASSERT_TRUE(st.isOk() || st.code == sscm::Status::Code::SplitNetwork) << st.message;
        std::vector<sscm::PairCounts> again;
        ASSERT_TRUE(sscm::pairCounts(*t, real, again));
        EXPECT_EQ(sscm::pairsTable(real, again), sscm::pairsTable(r, pairs));
        EXPECT_EQ(sscm::matrixTable(real), sscm::matrixTable(r));
    }
}

TEST(PairCounts, TableOfAnotherAnalysisIsRefused) {
    const auto t = table({{"S1", "A", "5"}, {"S1", "B", "2"}});
    const AnalysisResult r = plainResult(*t, -1);
    const auto other = table({{"S1", "A", "5"}, {"S1", "Z", "2"}});
    std::vector<sscm::PairCounts> pairs;
    const sscm::Status st = sscm::pairCounts(*other, r, pairs);
    EXPECT_EQ(st.code, sscm::Status::Code::Failed);
    EXPECT_NE(st.message.find("\"Z\""), std::string::npos) << st.message;
    sscm::SpeciesGroups groups;
    EXPECT_FALSE(sscm::speciesGroups(*other, r, groups));
}

// Two regions that share no species, a stray site of its own species, and a site whose only
// species is removed.
Rows regions() {
    return {{"N1", "Poa", "3"},     {"N1", "Carex", "1"},   {"N2", "Poa", "2"},
            {"N2", "Festuca", "2"}, {"S1", "Salix", "5"},   {"S1", "Betula", "4"},
            {"S1", "Alnus", "1"},   {"S2", "Salix", "1"},   {"S2", "Alnus", "1"},
            {"N3", "Carex", "2"},   {"N3", "Festuca", "9"}, {"X", "Juncus", "1"},
            {"Y", "Rare", "1"}};
}

TEST(SpeciesGroups, SplitNetworkGroupsTableAndMessage) {
    const auto t = table(regions());
    AnalysisResult r = plainResult(*t, -1);
    // Drop "Rare" by hand, as the removal would: the site Y then has no kept species.
    r.kept.pop_back();
    r.spname.pop_back();
    r.spfreq.pop_back();
    r.spocc.pop_back();
    r.removed = {7};
    r.pairs.n = 7;
    r.pairs.start.pop_back();
    r.pairs.col.pop_back();
    r.pairs.count.pop_back();
    r.pairs.mean.pop_back();

    sscm::SpeciesGroups g;
    ASSERT_TRUE(sscm::speciesGroups(*t, r, g));
    // Kept order: Poa Carex Festuca Salix Betula Alnus Juncus.
    EXPECT_EQ(g.group, (std::vector<std::int32_t>{0, 0, 0, 1, 1, 1, 2}));
    EXPECT_EQ(g.cases, (std::vector<std::vector<std::int32_t>>{{0, 1, 4}, {2, 3}, {5}}));
    EXPECT_EQ(sscm::groupsTable(r, g), "species,group,group_species,group_cases\n"
                                       "Poa,1,3,3\nCarex,1,3,3\nFestuca,1,3,3\n"
                                       "Salix,2,3,2\nBetula,2,3,2\nAlnus,2,3,2\n"
                                       "Juncus,3,1,1\n");
    EXPECT_EQ(sscm::splitNetworkMessage(r, g),
              "No common species between cases\n"
              "The species fall into 3 groups that share no case (largest first):\n"
              "Group 1: 3 species (Poa, Carex, Festuca) in 3 cases (N1, N2, N3)\n"
              "Group 2: 3 species (Salix, Betula, Alnus) in 2 cases (S1, S2)\n"
              "Group 3: 1 species (Juncus) in 1 case (X)");
}

TEST(SpeciesGroups, LargestFirstAndLongListsCut) {
    Rows rows = {{"a", "x1", "1"}, {"a", "x2", "1"}};
    for (int k = 0; k < 7; ++k) {
        rows.push_back({"b" + std::to_string(k), "y" + std::to_string(k), "1"});
        rows.push_back({"b" + std::to_string(k), "y" + std::to_string(k + 1), "2"});
    }
    const auto t = table(rows);
    const AnalysisResult r = plainResult(*t, -1);
    sscm::SpeciesGroups g;
    ASSERT_TRUE(sscm::speciesGroups(*t, r, g));
    ASSERT_EQ(g.species.size(), 2U);
    EXPECT_EQ(g.species[0].size(), 8U); // the chain y0..y7 comes first though found second
    EXPECT_EQ(sscm::splitNetworkMessage(r, g),
              "No common species between cases\n"
              "The species fall into 2 groups that share no case (largest first):\n"
              "Group 1: 8 species (y0, y1, y2, y3, y4, ...) in 7 cases (b0, b1, b2, ...)\n"
              "Group 2: 2 species (x1, x2) in 1 case (a)");

    // A connected network is one group; its message says why it still failed.
    const auto one = table({{"a", "x1", "1"}, {"a", "x2", "1"}});
    const AnalysisResult r1 = plainResult(*one, -1);
    ASSERT_TRUE(sscm::speciesGroups(*one, r1, g));
    EXPECT_EQ(g.group, (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(sscm::splitNetworkMessage(r1, g).rfind("No common species between cases\n", 0), 0U);
}

TEST(RankGroups, EachGroupAsARunOnItsOwnRows) {
    // Two regions of interleaved rows that share no species, and a stray site of one species.
    Rows north = drawnRows(3, 10, 6, 6);
    Rows south = drawnRows(4, 8, 5, 5);
    for (auto& r : north)
        r[0] = "n" + r[0];
    for (auto& r : south) {
        r[0] = "s" + r[0];
        r[1] = "x" + r[1];
    }
    Rows all;
    for (std::size_t k = 0; k < north.size() || k < south.size(); ++k) {
        if (k < north.size())
            all.push_back(north[k]);
        if (k < south.size())
            all.push_back(south[k]);
    }
    all.push_back({"stray", "Juncus", "2"});
    const auto t = table(all);
    const AnalysisResult r = plainResult(*t, -1);
    sscm::SpeciesGroups g;
    ASSERT_TRUE(sscm::speciesGroups(*t, r, g));
    ASSERT_EQ(g.species.size(), 3U);
    std::vector<sscm::GroupSpectrum> spectra;
    ASSERT_TRUE(sscm::rankGroups(r, g, spectra));
    ASSERT_EQ(spectra.size(), 2U); // the stray species alone is not ranked

    for (const auto& gs : spectra) {
        const Rows& region =
            r.spname[std::size_t(g.species[std::size_t(gs.group)][0])][0] == 'x' ? south : north;
        const auto rt = table(region);
        const AnalysisResult alone = plainResult(*rt, -1);
        ASSERT_EQ(alone.spname.size(), g.species[std::size_t(gs.group)].size());
        for (std::size_t k = 0; k < alone.spname.size(); ++k)
            EXPECT_EQ(alone.spname[k], r.spname[std::size_t(g.species[std::size_t(gs.group)][k])]);
        // The whole-run iteration over the region's own dense matrix.
        sscm::Matrices m;
        m.reset(std::int32_t(alone.spname.size()));
        for (std::int32_t i = 0; i < alone.pairs.n; ++i) {
            for (auto k = alone.pairs.start[std::size_t(i)];
                 k < alone.pairs.start[std::size_t(i) + 1]; ++k) {
                m.sum(i, alone.pairs.col[std::size_t(k)]) = alone.pairs.mean[std::size_t(k)];
                m.count(i, alone.pairs.col[std::size_t(k)]) = alone.pairs.count[std::size_t(k)];
            }
        }
        const auto want = sscm::test::denseIteration(m);
        EXPECT_EQ(gs.curvec, want.curvec); // bit for bit
        EXPECT_EQ(gs.nextvec, want.nextvec);
        EXPECT_EQ(gs.fill, alone.fill);
    }

    // The spectrum with its group column: groups in order, each in its own rank order.
    const std::string text = sscm::groupSpectrumTable(r, g, spectra);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "species,value,rank,cases,rows,value_lo,value_hi,rank_lo,rank_hi,value_sd,group");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::ptrdiff_t(1 + g.species[0].size() + g.species[1].size()));
}

TEST(RankGroups, GroupColumnKeepsQuotedLineBreaks) {
    std::string out;
    sscm::appendGroupColumn(out, "species,value\n\"Poa\nannua\",1\nCarex,2\n", 3, true);
    EXPECT_EQ(out, "species,value,group\n\"Poa\nannua\",1,3\nCarex,2,3\n");
    out.clear();
    sscm::appendGroupColumn(out, "species,value\nCarex,2\n", 1, false);
    EXPECT_EQ(out, "Carex,2,1\n");
}

} // namespace
