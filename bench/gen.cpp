// sscm-gen: writes a synthetic field data set of preference observations.
//
// Cases (sites) hold a varying number of rows; species follow Zipf-like frequencies (a few
// common species, many rare ones) and every species is recorded at least once. The most common
// species is recorded at every site, so the species network is connected. About 3% of sites
// record one species twice (two plots). Each site measures preference on its own scale: counts
// of bites, percent of leaf area eaten (one decimal) or ranks. The output depends only on the
// arguments: the random numbers come from a fixed generator, not from the standard library's
// distributions, whose results differ between implementations.
//
// With --regions N the sites fall into N regions (site c in region c mod N) and each species
// lives in the region its true preference falls into (preference in [r/N, (r+1)/N) for region
// r), except the --shared most common species, which live everywhere: species then meet only the
// species of their own region and the few shared ones, as in surveys of two habitats. --truth
// writes each species' true preference beside the data.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace {

/// splitmix64: small, fast and the same everywhere.
struct Rng {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    /// Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }
    /// Uniform integer in [0, n).
    std::uint32_t below(std::uint32_t n) { return std::uint32_t(uniform() * n); }
    /// Approximately normal (sum of uniforms), mean 0 and standard deviation 1.
    double gauss() {
        double s = 0;
        for (int i = 0; i < 12; ++i)
            s += uniform();
        return s - 6.0;
    }
};

struct Settings {
    std::uint32_t cases = 50;
    std::uint32_t rowsPerCase = 20;
    std::uint32_t species = 40;
    double zipf = 2.05;
    std::uint64_t seed = 1;
    bool note = false;
    std::string out;
    std::uint32_t regions = 1;
    std::uint32_t shared = 3;
    /// Standard deviation of a row's intensity around its species' preference (0 to 1 scale).
    double noise = 0.15;
    std::string truth;
    std::uint64_t populationSeed = 0;
};

class Writer {
public:
    explicit Writer(std::FILE* f) : f_(f) { buf_.reserve(kBlock + 256); }
    ~Writer() { flush(); }
    std::string& buf() { return buf_; }
    void maybeFlush() {
        if (buf_.size() >= kBlock)
            flush();
    }
    void flush() {
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size())
            ok_ = false;
        buf_.clear();
    }
    bool ok() const { return ok_; }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 22;
    std::FILE* f_;
    std::string buf_;
    bool ok_ = true;
};

int generate(const Settings& s, std::FILE* out) {
    Rng rng{s.seed};
    const std::uint32_t nsp = std::max<std::uint32_t>(1, s.species);

    // Cumulative Zipf weights for drawing species by rank.
    std::vector<double> cum(nsp);
    double total = 0;
    for (std::uint32_t k = 0; k < nsp; ++k) {
        total += std::pow(double(k + 1), -s.zipf);
        cum[k] = total;
    }
    auto drawSpecies = [&] {
        const double u = rng.uniform() * total;
        return std::uint32_t(std::upper_bound(cum.begin(), cum.end(), u) - cum.begin()) % nsp;
    };

    // Species names and their latent palatability: from the sample's own generator, or with
    // --population-seed from one of their own, so that samples of one population differ only in
    // their sites.
    std::vector<std::string> name(nsp);
    std::vector<double> palat(nsp);
    Rng population{s.populationSeed};
    Rng& prefs = s.populationSeed != 0 ? population : rng;
    for (std::uint32_t k = 0; k < nsp; ++k) {
        name[k] = "Species " + std::to_string(k + 1);
        palat[k] = prefs.uniform();
    }

    // The region of each species; `regions` for those that live everywhere.
    const std::uint32_t nreg = std::max<std::uint32_t>(1, s.regions);
    std::vector<std::uint32_t> region(nsp, nreg);
    for (std::uint32_t k = 0; k < nsp && nreg > 1; ++k)
        if (k >= s.shared)
            region[k] = std::min(nreg - 1, std::uint32_t(palat[k] * nreg));
    auto livesIn = [&](std::uint32_t k, std::uint32_t c) {
        return region[k] == nreg || region[k] == c % nreg;
    };
    if (!s.truth.empty()) {
        std::FILE* t = std::fopen(s.truth.c_str(), "wb");
        if (t == nullptr)
            return 1;
        std::fprintf(t, "species,truth,region\n");
        for (std::uint32_t k = 0; k < nsp; ++k)
            std::fprintf(t, "%s,%.17g,%u\n", name[k].c_str(), palat[k],
                         region[k] == nreg ? 0 : region[k] + 1);
        if (std::fclose(t) != 0)
            return 1;
    }

    // Rows per case, varying +-50% around the mean.
    std::vector<std::uint32_t> size(s.cases);
    for (auto& r : size) {
        const double f = 0.5 + rng.uniform();
        r = std::max<std::uint32_t>(1, std::uint32_t(std::lround(s.rowsPerCase * f)));
    }
    // Every species is recorded at least once: give each a site of its own choosing.
    std::vector<std::vector<std::uint32_t>> forced(s.cases);
    for (std::uint32_t k = 1; k < nsp && s.cases > 0; ++k) {
        std::uint32_t c = rng.below(s.cases);
        // The nearest site of the species' region (every region has one when cases >= regions).
        while (!livesIn(k, c) && s.cases >= nreg)
            c = (c + 1) % s.cases;
        forced[c].push_back(k);
    }

    Writer w(out);
    w.buf() += s.note ? "Site,Species,Pref,Observer,Note\r\n" : "Site,Species,Pref,Observer\r\n";
    std::vector<std::uint32_t> rows;
    std::vector<char> used(nsp, 0);
    std::vector<double> lat;
    std::vector<std::uint32_t> order, rank;
    static const char* const kObservers[] = {"AB", "CK", "EM", "JT", "NS"};
    char num[32];
    for (std::uint32_t c = 0; c < s.cases; ++c) {
        // The common species first, then the forced ones, then Zipf draws of distinct species.
        rows.assign(1, 0);
        used[0] = 1;
        for (auto k : forced[c])
            if (!used[k]) {
                used[k] = 1;
                rows.push_back(k);
            }
        const std::uint32_t want = std::max<std::uint32_t>(size[c], std::uint32_t(rows.size()));
        for (std::uint32_t tries = 0; rows.size() < want && tries < 50 * want; ++tries) {
            const auto k = drawSpecies();
            if (!used[k] && livesIn(k, c)) {
                used[k] = 1;
                rows.push_back(k);
            }
        }
        for (auto k : rows)
            used[k] = 0;
        // Shuffle so the common species is not always first.
        for (std::size_t i = rows.size(); i > 1; --i)
            std::swap(rows[i - 1], rows[rng.below(std::uint32_t(i))]);
        if (rng.uniform() < 0.03)
            rows.push_back(rows[rng.below(std::uint32_t(rows.size()))]);

        lat.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            lat[i] = palat[rows[i]] + s.noise * rng.gauss();
        const int scale = int(c % 3);
        if (scale == 2) { // ranks, 1 = least preferred
            order.resize(rows.size());
            for (std::size_t i = 0; i < order.size(); ++i)
                order[i] = std::uint32_t(i);
            std::stable_sort(order.begin(), order.end(),
                             [&](auto a, auto b) { return lat[a] < lat[b]; });
            rank.resize(rows.size());
            for (std::size_t r = 0; r < order.size(); ++r)
                rank[order[r]] = std::uint32_t(r + 1);
        }
        const std::string site = "Site" + std::to_string(c + 1);
        const char* observer = kObservers[c % 5];
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::string& b = w.buf();
            b += site;
            b += ',';
            b += name[rows[i]];
            b += ',';
            const double l = std::clamp(lat[i], 0.0, 1.0);
            if (scale == 0)
                std::snprintf(num, sizeof num, "%d", int(std::lround(40 * l * l)));
            else if (scale == 1)
                std::snprintf(num, sizeof num, "%.1f", 100 * l);
            else
                std::snprintf(num, sizeof num, "%u", rank[i]);
            b += num;
            b += ',';
            b += observer;
            if (s.note) {
                b += ",plot ";
                b += std::to_string(i % 10 + 1);
            }
            b += "\r\n";
            w.maybeFlush();
        }
    }
    w.flush();
    return w.ok() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a synthetic field data set of preference observations (CSV)."};
    Settings s;
    std::string set;
    app.add_option("--set", set,
                   "Named set: S (50x20, 40 species), M (5000x40, 1000), "
                   "L (20000x50, 3000)")
        ->check(CLI::IsMember({"S", "M", "L"}));
    app.add_option("--cases", s.cases, "Number of cases (sites)");
    app.add_option("--rows-per-case", s.rowsPerCase, "Mean number of rows per case (+-50%)");
    app.add_option("--species", s.species, "Number of species")->check(CLI::PositiveNumber);
    app.add_option("--zipf", s.zipf, "Exponent of the species frequencies");
    app.add_option("--seed", s.seed, "Seed of the random numbers");
    app.add_flag("--note", s.note, "Add a fifth column (Note)");
    app.add_option("-o,--output", s.out, "Output file (default: standard output)");
    app.add_option("--regions", s.regions,
                   "Regions: sites and species split by true preference (default 1)")
        ->check(CLI::PositiveNumber);
    app.add_option("--shared", s.shared,
                   "With --regions: the most common species found everywhere");
    app.add_option("--noise", s.noise, "Spread of the intensities around the preference (0.15)");
    app.add_option("--population-seed", s.populationSeed,
                   "Seed of the species' true preferences alone (default: --seed draws them)");
    app.add_option("--truth", s.truth, "Write each species' true preference to this CSV file");
    CLI11_PARSE(app, argc, argv);
    if (set == "S") {
        s.cases = 50, s.rowsPerCase = 20, s.species = 40;
    } else if (set == "M") {
        s.cases = 5000, s.rowsPerCase = 40, s.species = 1000;
    } else if (set == "L") {
        s.cases = 20000, s.rowsPerCase = 50, s.species = 3000;
    }
    std::FILE* out = stdout;
    if (!s.out.empty()) {
        out = std::fopen(s.out.c_str(), "wb");
        if (!out) {
            std::fprintf(stderr, "sscm-gen: cannot write %s: %s\n", s.out.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    const int rc = generate(s, out);
    if (out != stdout && std::fclose(out) != 0)
        return 1;
    if (rc != 0)
        std::fprintf(stderr, "sscm-gen: write failed\n");
    return rc;
}
