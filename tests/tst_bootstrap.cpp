#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "analysis/csv.h"
#include "analysis/csvtables.h"
#include "analysis/rankorder.h"
#include "analysis_fixtures.h"
#include "commands/bootstrapjob.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

namespace {

using sscm::test::makeTable;

const std::vector<std::string> kNames = {"Site", "Species", "Pref"};

sscm::AnalysisSettings roles(bool removelow) {
    sscm::AnalysisSettings s;
    s.casevar = "Site";
    s.spvar = "Species";
    s.prefvar = "Pref";
    s.removelow = removelow;
    s.lowlimit = "2";
    return s;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// A replicate that draws every case once is the full data: the full run's values and its
// Bradley–Terry abilities, bit for bit, with and without removed species; and the model's wins
// taken from the run's mean codes are those counted from the rows.
TEST(Bootstrap, EveryCaseOnceReproducesTheFullRun) {
    std::mt19937 rng(3);
    int compared = 0;
    for (int round = 0; round < 4; ++round) {
        const auto table = makeTable(kNames, sscm::test::randomRows(rng, 50, 14, 20));
        const auto settings = roles(round % 2 == 0);
        sscm::AnalysisResult full;
        if (!sscm::analysis::run(*table, settings, nullptr, full))
            continue;
        std::vector<double> values;
        std::vector<double> abilities;
        ASSERT_TRUE(sscm::bootstrapReplicate(*table, settings, full,
                                             std::vector<std::int32_t>(full.casename.size(), 1),
                                             values, &abilities));
        EXPECT_TRUE(sameBits(values, full.curvec)) << "round " << round;
        sscm::BtRanking bt;
        ASSERT_TRUE(sscm::btRanking(full, bt));
        EXPECT_TRUE(sameBits(abilities, bt.fit.ability)) << "round " << round;
        std::vector<sscm::PairCounts> counted;
        ASSERT_TRUE(sscm::pairCounts(*table, full, counted));
        const auto fromRows = sscm::btPairs(counted);
        const auto fromMeans = sscm::btPairs(full.pairs);
        ASSERT_EQ(fromMeans.size(), fromRows.size());
        for (std::size_t k = 0; k < fromRows.size(); ++k) {
            EXPECT_EQ(fromMeans[k].a, fromRows[k].a);
            EXPECT_EQ(fromMeans[k].b, fromRows[k].b);
            EXPECT_EQ(fromMeans[k].winsA, fromRows[k].winsA);
            EXPECT_EQ(fromMeans[k].winsB, fromRows[k].winsB);
        }
        ++compared;
    }
    EXPECT_GE(compared, 3);
}

// Two cases with every species in both: a resample is case 1 twice, both once, or case 2 twice,
// and a case drawn twice gives the means of that case alone. The percentile points follow from
// which resample each replicate drew.
TEST(Bootstrap, TwoCasesGiveExactlyKnownPercentiles) {
    const auto table = makeTable(kNames, {{"S1", "A", "3"},
                                          {"S1", "B", "2"},
                                          {"S1", "C", "1"},
                                          {"S2", "A", "1"},
                                          {"S2", "B", "5"},
                                          {"S2", "C", "5"}});
    const auto settings = roles(false);
    sscm::AnalysisResult full;
    ASSERT_TRUE(sscm::analysis::run(*table, settings, nullptr, full));
    sscm::AnalysisResult only1;
    ASSERT_TRUE(sscm::analysis::run(
        *makeTable(kNames, {{"S1", "A", "3"}, {"S1", "B", "2"}, {"S1", "C", "1"}}), settings,
        nullptr, only1));
    std::vector<double> twice1;
    std::vector<double> twice2;
    ASSERT_TRUE(sscm::bootstrapReplicate(*table, settings, full, {2, 0}, twice1));
    ASSERT_TRUE(sscm::bootstrapReplicate(*table, settings, full, {0, 2}, twice2));
    EXPECT_TRUE(sameBits(twice1, only1.curvec));

    sscm::BootstrapSettings boot;
    boot.replicates = 40;
    boot.seed = 7;
    boot.level = 0.8;
    boot.threads = 2;
    boot.dominance = true;
    sscm::BootstrapResult out;
    ASSERT_TRUE(sscm::bootstrap(*table, settings, full, boot, out));
    EXPECT_EQ(out.used, 40);
    EXPECT_EQ(out.split, 0);
    std::vector<std::vector<double>> drawn(3);
    for (std::int32_t b = 1; b <= 40; ++b) {
        const auto k = sscm::drawCases(7, b, 2);
        ASSERT_EQ(k[0] + k[1], 2);
        for (std::size_t s = 0; s < 3; ++s) {
            const auto& v = k[0] == 2 ? twice1 : k[1] == 2 ? twice2 : full.curvec;
            drawn[s].push_back(v[s]);
        }
    }
    // The share of replicates in which each species lies above the next in the full order,
    // and above every lower one (dominance), counted from the resamples drawn; the last species
    // has no next.
    const std::vector<std::int32_t> order = sscm::rankOrder(full.curvec);
    ASSERT_EQ(order, (std::vector<std::int32_t>{1, 0, 2}));
    auto share = [&](std::size_t s, std::size_t t) {
        int above = 0;
        for (std::size_t r = 0; r < 40; ++r)
            above += drawn[s][r] > drawn[t][r];
        return above / 40.0;
    };
    EXPECT_DOUBLE_EQ(out.pAboveNext[1], share(1, 0));
    EXPECT_DOUBLE_EQ(out.pAboveNext[0], share(0, 2));
    EXPECT_TRUE(std::isnan(out.pAboveNext[2]));
    ASSERT_EQ(out.dominance.size(), 3u);
    const std::pair<int, int> pairs[] = {{1, 0}, {1, 2}, {0, 2}};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(out.dominance[k].a, pairs[k].first);
        EXPECT_EQ(out.dominance[k].b, pairs[k].second);
        EXPECT_DOUBLE_EQ(out.dominance[k].pAbove,
                         share(std::size_t(pairs[k].first), std::size_t(pairs[k].second)));
    }
    for (std::size_t s = 0; s < 3; ++s) {
        std::sort(drawn[s].begin(), drawn[s].end());
        EXPECT_EQ(out.valueLo[s], sscm::quantile7(drawn[s], 0.1));
        EXPECT_EQ(out.valueHi[s], sscm::quantile7(drawn[s], 0.9));
        EXPECT_GT(out.valueHi[s], out.valueLo[s]); // all three resamples occur among 40
    }
    // A rises from last (case 2 alone) to first (case 1 alone).
    EXPECT_EQ(out.rankLo[0], 1);
    EXPECT_EQ(out.rankHi[0], 3);

    // Replicates are numbered from 1: under seed 8 replicate 1 draws case 1 twice (replicate 0
    // would draw each case once), so a single replicate gives case 1's values.
    boot.replicates = 1;
    boot.seed = 8;
    ASSERT_TRUE(sscm::bootstrap(*table, settings, full, boot, out));
    ASSERT_EQ(out.used, 1);
    EXPECT_TRUE(sameBits(out.valueLo, twice1));
    EXPECT_EQ(out.valueSd, std::vector<double>(3, 0.0));
}

// Expected draws computed apart from this code, from the generator's published definition.
TEST(Bootstrap, GeneratorAndCaseDrawsGiveKnownNumbers) {
    std::uint64_t state = 1;
    EXPECT_EQ(sscm::splitmix64(state), 10451216379200822465ULL);
    EXPECT_EQ(sscm::splitmix64(state), 13757245211066428519ULL);
    EXPECT_EQ(sscm::splitmix64(state), 17911839290282890590ULL);
    EXPECT_EQ(sscm::drawCases(1, 1, 7), (std::vector<std::int32_t>{0, 2, 1, 1, 1, 1, 1}));
}

TEST(Bootstrap, DrawsDependOnSeedAndReplicateOnlyAndThreadsChangeNothing) {
    EXPECT_EQ(sscm::drawCases(1, 5, 30), sscm::drawCases(1, 5, 30));
    EXPECT_NE(sscm::drawCases(1, 5, 30), sscm::drawCases(2, 5, 30));
    EXPECT_NE(sscm::drawCases(1, 5, 30), sscm::drawCases(1, 6, 30));
    std::mt19937 rng(12);
    const auto table = makeTable(kNames, sscm::test::randomRows(rng, 80, 16, 12));
    const auto settings = roles(true);
    sscm::AnalysisResult full;
    ASSERT_TRUE(sscm::analysis::run(*table, settings, nullptr, full));
    sscm::BootstrapSettings boot;
    boot.replicates = 67; // not a whole number of chunks
    boot.model = true;
    sscm::BootstrapResult one;
    sscm::BootstrapResult two;
    sscm::BootstrapResult other;
    ASSERT_TRUE(sscm::bootstrap(*table, settings, full, boot, one));
    boot.threads = 2;
    ASSERT_TRUE(sscm::bootstrap(*table, settings, full, boot, two));
    boot.seed = 99;
    ASSERT_TRUE(sscm::bootstrap(*table, settings, full, boot, other));
    ASSERT_GT(one.used, 30);
    sscm::BtRanking bt;
    ASSERT_TRUE(sscm::btRanking(full, bt));
    EXPECT_EQ(sscm::spectrumTable(full, &one, &bt), sscm::spectrumTable(full, &two, &bt));
    EXPECT_NE(sscm::spectrumTable(full, &one, &bt), sscm::spectrumTable(full, &other, &bt));
    EXPECT_TRUE(sameBits(one.btLo, two.btLo) && sameBits(one.btRankHi, two.btRankHi));
    for (std::size_t s = 0; s < full.curvec.size(); ++s) {
        EXPECT_LE(one.valueLo[s], one.valueHi[s]);
        EXPECT_LE(one.rankLo[s], one.rankHi[s]);
        EXPECT_LE(one.btLo[s], one.btHi[s]);
        EXPECT_LE(one.btRankLo[s], one.btRankHi[s]);
    }
}

TEST(Bootstrap, SummaryAdvisesAHigherThresholdOnceATenthIsLeftOut) {
    sscm::BootstrapResult b;
    b.settings.replicates = 200;
    b.split = 19;
    EXPECT_EQ(sscm::bootstrapAdvice(b), "");
    b.split = 20;
    EXPECT_NE(sscm::bootstrapAdvice(b).find("20 of 200 replicates left out"), std::string::npos);
}

TEST(Bootstrap, QuantilesAsRComputesThem) {
    // quantile(c(1, 2, 3, 4), c(0, 0.1, 0.5, 0.975, 1)) in R: 1, 1.3, 2.5, 3.925, 4.
    const std::vector<double> x = {1, 2, 3, 4};
    EXPECT_EQ(sscm::quantile7(x, 0), 1);
    EXPECT_DOUBLE_EQ(sscm::quantile7(x, 0.1), 1.3);
    EXPECT_EQ(sscm::quantile7(x, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(sscm::quantile7(x, 0.975), 3.925);
    EXPECT_EQ(sscm::quantile7(x, 1), 4);
    EXPECT_EQ(sscm::quantile7({5}, 0.025), 5);
    EXPECT_DOUBLE_EQ(sscm::quantile7(x, 0.05), 1.15);
}

TEST(Bootstrap, StandardDeviationDividesByCountLessOne) {
    EXPECT_DOUBLE_EQ(sscm::valueSd({1, 2, 3, 4}), 1.2909944487358056);  // sqrt(5 / 3)
    EXPECT_DOUBLE_EQ(sscm::valueSd({0.25, 0.75}), 0.35355339059327379); // sqrt(1 / 8)
    EXPECT_EQ(sscm::valueSd({0.5}), 0);
}

// The job in the background gives what it gives on the calling thread, counts every replicate,
// and a cancelled job ends as cancelled without a result.
TEST(BootstrapJob, BackgroundRunMatchesForegroundAndCancels) {
    std::mt19937 rng(5);
    const std::shared_ptr<const sscm::DataTable> table =
        makeTable(kNames, sscm::test::randomRows(rng, 60, 12, 10));
    const auto settings = roles(false);
    auto full = std::make_shared<sscm::AnalysisResult>();
    ASSERT_TRUE(sscm::analysis::run(*table, settings, nullptr, *full));
    sscm::BootstrapSettings boot;
    boot.replicates = 50;
    boot.threads = 2;
    sscm::BootstrapJob here;
    ASSERT_TRUE(here.run(*table, settings, *full, boot));
    sscm::BootstrapJob job;
    ASSERT_TRUE(job.start(table, settings, full, boot));
    EXPECT_TRUE(job.running());
    EXPECT_FALSE(job.start(table, settings, full, boot));
    ASSERT_TRUE(job.finish());
    EXPECT_TRUE(job.ended());
    EXPECT_EQ(job.done(), 50);
    ASSERT_NE(job.result(), nullptr);
    EXPECT_EQ(sscm::spectrumTable(*full, job.result().get()),
              sscm::spectrumTable(*full, here.result().get()));

    boot.replicates = 100000;
    ASSERT_TRUE(job.start(table, settings, full, boot));
    job.cancel();
    EXPECT_EQ(job.finish().code, sscm::Status::Code::Cancelled);
    EXPECT_EQ(job.result(), nullptr);
}

TEST(SpectrumTable, RankOrderQuotedNamesAndNumbersThatReadBack) {
    sscm::AnalysisResult r;
    r.spname = {"Poa, annua", "Carex \"x\"", "Festuca"};
    r.curvec = {0.1, 0.7, 0.7};
    r.spocc = {3, 4, 5};
    r.spfreq = {6, 7, 8};
    const std::string table = sscm::spectrumTable(r, nullptr);
    EXPECT_EQ(table, "species,value,rank,cases,rows,value_lo,value_hi,rank_lo,rank_hi,value_sd\n"
                     "\"Carex \"\"x\"\"\",0.7,1,4,7,,,,,\n"
                     "Festuca,0.7,1,5,8,,,,,\n"
                     "\"Poa, annua\",0.1,3,3,6,,,,,\n");
    std::mt19937_64 rng(1);
    for (int k = 0; k < 10000; ++k) {
        double v = 0;
        const std::uint64_t bits = rng();
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            continue;
        std::string text;
        sscm::appendShortest(text, v);
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
}

} // namespace
