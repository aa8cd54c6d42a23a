// Micro-benchmarks of the hot kernels of a run: field reading, print formatting of doubles,
// category tabulation, writing the comparison records and reading them back, and the
// Bradley–Terry fit.

#include "analysis/btmodel.h"
#include "analysis/casetables.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "analysis/records.h"
#include "data/category.h"
#include "data/datatable.h"
#include "data/fieldreader.h"
#include "data/printfmt.h"
#include "data/window.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

/// A window that ignores everything: the kernels are timed, not the window.
class NullWindow : public sscm::Window {
public:
    void setCaption(sscm::Ctl, std::string_view) override {}
    void setEnabled(sscm::Ctl, bool) override {}
    std::string text(sscm::Ctl) override { return {}; }
    void setText(sscm::Ctl, std::string_view) override {}
    int value(sscm::Ctl) override { return 0; }
    void clearList(sscm::Ctl) override {}
    void addItem(sscm::Ctl, std::string_view) override {}
    int itemCount(sscm::Ctl) override { return 0; }
    std::string item(sscm::Ctl, int) override { return {}; }
    void warning(std::string_view, std::string_view) override {}
    bool processEvents() override { return true; }
};

/// Comparison records as a run writes them: case, first species, second species, code.
std::string recordText(int records) {
    std::string t;
    for (int i = 0; i < records; ++i) {
        t += "Site" + std::to_string(i / 1600) + ",Species " + std::to_string(i % 40) +
             ",Species " + std::to_string((i / 40) % 40) + ", " + char('1' + i % 3) + " \r\n";
    }
    return t;
}

void BM_FieldReader(benchmark::State& state) {
    const std::string text = recordText(int(state.range(0)));
    for (auto _ : state) {
        sscm::FieldReader r{std::string_view(text)};
        std::string_view f;
        std::size_t n = 0;
        while (r.next(f))
            n += f.size();
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_FieldReader)->Arg(100000);

void BM_PrintDouble(benchmark::State& state) {
    std::vector<double> v;
    for (int i = 1; i <= 4096; ++i)
        v.push_back(1.0 + 2.0 / (i + 0.37));
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (double x : v)
            sscm::appendPrint(out, x);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(v.size()));
}
BENCHMARK(BM_PrintDouble);

void BM_PrintCount(benchmark::State& state) {
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (std::int64_t i = 0; i < 4096; ++i)
            sscm::appendNumberText(out, i * 37);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * 4096);
}
BENCHMARK(BM_PrintCount);

void BM_Category(benchmark::State& state) {
    const int n = int(state.range(0));
    const int distinct = int(state.range(1));
    std::vector<std::string> values;
    for (int i = 0; i < n; ++i)
        values.push_back("Species " + std::to_string((i * 7919) % distinct));
    std::vector<std::string_view> views(values.begin(), values.end());
    NullWindow w;
    std::vector<std::string_view> type(std::size_t(n), std::string_view{});
    std::vector<std::int32_t> freq(std::size_t(n), 0);
    std::vector<std::int32_t> rowcat;
    for (auto _ : state) {
        std::int32_t num = 0;
        auto st = sscm::category(w, "Species", n, views, num, type, freq, n, &rowcat);
        benchmark::DoNotOptimize(st);
        benchmark::DoNotOptimize(num);
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * n);
}
BENCHMARK(BM_Category)->Args({1000000, 3000})->Args({1000000, 20000});

/// A data table of `cases` cases of `rows` rows each over `species` species (Site, Species, Pref).
sscm::DataTable makeTable(int cases, int rows, int species) {
    sscm::DataTable t;
    t.valn = 3;
    t.objn = cases * rows;
    t.varname = {"Site", "Species", "Pref"};
    t.offsets.push_back(0);
    auto add = [&](const std::string& cell) {
        t.text += cell;
        t.offsets.push_back(t.text.size());
    };
    for (int c = 0; c < cases; ++c) {
        for (int r = 0; r < rows; ++r) {
            add("Site" + std::to_string(c + 1));
            add("Species " + std::to_string((c * 13 + r * 7) % species + 1));
            add(std::to_string((c * 31 + r * 17) % 11));
        }
    }
    return t;
}

/// Writes the records of 200 cases of 40 rows (320,000 records) to a scratch file and pools them.
void BM_WriteRecords(benchmark::State& state) {
    const sscm::DataTable table = makeTable(200, 40, 200);
    sscm::Progress quiet;
    sscm::CaseSpeciesTables t;
    if (!sscm::buildTables(table, 1, 2, 3, t)) {
        state.SkipWithError("tables");
        return;
    }
    std::int64_t bytes = 0;
    for (auto _ : state) {
        sscm::OutFile out;
        sscm::PooledComparisons m;
        if (!out.open("bench-records.tmp", state.range(0) != 0) ||
            !sscm::writeRecords(quiet, table, 3, t, &out, m) || !out.close()) {
            state.SkipWithError("write");
            return;
        }
        bytes = std::int64_t(std::filesystem::file_size("bench-records.tmp"));
    }
    std::filesystem::remove("bench-records.tmp");
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bytes);
}
BENCHMARK(BM_WriteRecords)->ArgName("background")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

/// Reads the same records back by the field-reading rule into the matrices.
void BM_ReadRecords(benchmark::State& state) {
    const sscm::DataTable table = makeTable(200, 40, 200);
    sscm::Progress quiet;
    sscm::CaseSpeciesTables t;
    sscm::OutFile out;
    sscm::PooledComparisons m;
    if (!sscm::buildTables(table, 1, 2, 3, t) || !out.open("bench-records.tmp") ||
        !sscm::writeRecords(quiet, table, 3, t, &out, m) || !out.close()) {
        state.SkipWithError("setup");
        return;
    }
    const std::vector<std::string_view> names(t.spname.begin(), t.spname.end());
    for (auto _ : state) {
        sscm::Matrices back;
        if (!sscm::readRecords("bench-records.tmp", names, back)) {
            state.SkipWithError("read");
            break;
        }
        benchmark::DoNotOptimize(back.compsum.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(std::filesystem::file_size("bench-records.tmp")));
    std::filesystem::remove("bench-records.tmp");
}
BENCHMARK(BM_ReadRecords)->Unit(benchmark::kMillisecond);

/// Pairs of `species` species drawn from the model with normal log-abilities: about `pairs` of
/// the possible pairs, each compared one to six times, a fifth of the comparisons tied.
std::vector<sscm::BtPair> modelPairs(std::int32_t species, std::int64_t pairs) {
    std::mt19937_64 rng(7);
    std::normal_distribution<double> ability(0.0, 1.0);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> p(static_cast<std::size_t>(species));
    for (double& v : p)
        v = std::exp(ability(rng));
    const double share = double(pairs) / (double(species) * double(species - 1) / 2);
    std::vector<sscm::BtPair> out;
    for (std::int32_t a = 0; a < species; ++a)
        for (std::int32_t b = a + 1; b < species; ++b) {
            if (u(rng) >= share)
                continue;
            sscm::BtPair q{a, b, 0, 0};
            const double pa = p[std::size_t(a)] / (p[std::size_t(a)] + p[std::size_t(b)]);
            for (int k = 1 + int(u(rng) * 6); k > 0; --k) {
                const double r = u(rng);
                if (r < 0.2) {
                    q.winsA += 0.5;
                    q.winsB += 0.5;
                } else if (r < 0.2 + 0.8 * pa) {
                    q.winsA += 1;
                } else {
                    q.winsB += 1;
                }
            }
            out.push_back(q);
        }
    return out;
}

void BM_BradleyTerry(benchmark::State& state) {
    const auto species = std::int32_t(state.range(0));
    const std::vector<sscm::BtPair> pairs = modelPairs(species, state.range(1));
    sscm::BtFit fit;
    for (auto _ : state) {
        if (!sscm::fitBradleyTerry(species, pairs, fit))
            state.SkipWithError("fit failed");
        benchmark::DoNotOptimize(fit.ability.data());
    }
    state.counters["pairs"] = double(pairs.size());
    state.counters["steps"] = fit.steps;
    state.counters["converged"] = fit.converged;
}
BENCHMARK(BM_BradleyTerry)
    ->Args({3000, 2000000})
    ->Args({3000, 30000})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
