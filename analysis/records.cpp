#include "analysis/records.h"

#include "analysis/caserows.h"
#include "analysis/numbers.h"
#include "analysis/parallel.h"
#include "data/fieldreader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_map>

namespace sscm {

bool needsQuotes(std::string_view text) {
    if (text.empty() || text.front() == ' ' || text.front() == '"')
        return true;
    return text.find_first_of(",\r\n") != std::string_view::npos;
}

namespace {

void appendField(std::string& out, std::string_view text) {
    if (needsQuotes(text)) {
        out += '"';
        out += text;
        out += '"';
    } else {
        out += text;
    }
}

// Each species' record ending, "<species>, 2 " CR LF, prepared once; the code digit is patched
// per record.
struct SpeciesEndings {
    std::string bytes;
    std::vector<std::uint32_t> start; // spn + 1 entries

    explicit SpeciesEndings(const std::vector<std::string_view>& spname) {
        start.reserve(spname.size() + 1);
        for (const auto& name : spname) {
            start.push_back(std::uint32_t(bytes.size()));
            appendField(bytes, name);
            bytes += ", 2 \r\n";
        }
        start.push_back(std::uint32_t(bytes.size()));
    }
    std::string_view of(std::int32_t s) const {
        return std::string_view(bytes).substr(start[std::size_t(s)],
                                              start[std::size_t(s) + 1] - start[std::size_t(s)]);
    }
};

// Offset of the code digit from the end of a record ending: "3 \r\n".
constexpr std::size_t kDigitFromEnd = 4;
// Length of the fixed part of a record ending: ", 2 " CR LF.
constexpr std::size_t kEndingTail = 6;

// A record's pair as pooled: one addition to the cell of the species pair when the totals are
// packed (code sum in the high half, count in the low half). The matrices are far larger than the
// caches, so the pooling is bound by the cells it touches.
constexpr std::uint64_t packedCode(int code) {
    return (std::uint64_t(code) << 32) | 1U;
}

// Pools the pairs of one first row of species `a` with the rows of species above a, whose codes
// against that row are given.
void poolRow(PooledComparisons& p, std::int32_t a, const std::int32_t* sp,
             const std::uint8_t* codes, std::size_t r) {
    const std::size_t base = p.rowBase(a);
    if (p.packed) {
        std::uint64_t* cells = p.cells.data();
        for (std::size_t j = 0; j < r; ++j)
            if (sp[j] > a)
                cells[base + std::size_t(sp[j])] += packedCode(codes[j]);
    } else {
        for (std::size_t j = 0; j < r; ++j)
            if (sp[j] > a) {
                p.cells[base + std::size_t(sp[j])] += 1;
                p.sums[base + std::size_t(sp[j])] += codes[j];
            }
    }
}

// Pools the rows of every case sorted by species: the first rows of a pair whose species the
// part `part` of `parts` owns (species modulo parts). Each part touches only its own rows of
// cells, so the parts run at once without sharing a cell. The part of the calling thread tells
// the observer; the others stop when `stop` is set.
bool poolSorted(PooledComparisons& p, const std::vector<CaseRow>& rows,
                const std::vector<std::int32_t>& caseStart, unsigned part, unsigned parts,
                Progress* obs, std::atomic<bool>& stop) {
    const std::size_t cases = caseStart.size() - 1;
    for (std::size_t c = 0; c < cases; ++c) {
        if (obs == nullptr && stop.load(std::memory_order_relaxed))
            return false;
        const CaseRow* first = rows.data() + caseStart[c];
        const CaseRow* last = rows.data() + caseStart[c + 1];
        for (const CaseRow* i = first; i != last; ++i) {
            if (unsigned(i->sp) % parts != part)
                continue;
            if (obs != nullptr) {
                if (!obs->proceed()) {
                    stop = true;
                    return false;
                }
                obs->progress(Stage::Records, 0, 0, 0);
            }
            const CaseRow* j = i + 1;
            while (j != last && j->sp == i->sp) // a species' own pairs are counted apart
                ++j;
            const double pi = i->pref;
            const std::size_t base = p.rowBase(i->sp);
            if (p.packed) {
                std::uint64_t* cells = p.cells.data();
                for (; j != last; ++j)
                    cells[base + std::size_t(j->sp)] += packedCode(compareCode(pi, j->pref));
            } else {
                for (; j != last; ++j) {
                    p.cells[base + std::size_t(j->sp)] += 1;
                    p.sums[base + std::size_t(j->sp)] += std::uint64_t(compareCode(pi, j->pref));
                }
            }
        }
    }
    return true;
}

Status poolInMemory(Progress& obs, const DataTable& table, std::int32_t prefcol,
                    const CaseSpeciesTables& t, std::uint64_t records, PooledComparisons& p,
                    unsigned threads) {
    // Every row of every case, each case's rows grouped by species: a row's pairs with higher
    // species follow it.
    CaseRows grouped;
    if (Status st = groupCaseRows(table, prefcol, t.lowerIsPreferred, t.caserowStart, t.caserows,
                                  t.rowsp, {}, grouped, &obs);
        !st)
        return st;
    const std::vector<CaseRow>& rows = grouped.rows;
    const std::vector<std::int32_t>& caseStart = grouped.caseStart;

    // Small runs are not worth a thread.
    if (threads == 0)
        threads = records < (std::uint64_t{1} << 20)
                      ? 1U
                      : std::clamp(std::thread::hardware_concurrency(), 1U, 4U);
    // The calling thread's parts tell the observer; once it stops, its later parts are skipped.
    std::atomic<bool> stop{false};
    bool done = true;
    runParts(threads, [&](unsigned part, bool calling) {
        if (!calling)
            poolSorted(p, rows, caseStart, part, threads, nullptr, stop);
        else if (done)
            done = poolSorted(p, rows, caseStart, part, threads, &obs, stop);
    });
    return done ? Status::ok() : Status::cancelled();
}

} // namespace

Status writeRecords(Progress& obs, const DataTable& table, std::int32_t prefcol,
                    const CaseSpeciesTables& t, OutFile* out, PooledComparisons& p,
                    std::uint64_t packedLimit, unsigned threads) {
    // Packed totals are exact while no cell can exceed 32 bits: at most 3 per record.
    std::uint64_t records = 0;
    for (const std::int32_t r : t.casefreq)
        records += std::uint64_t(r) * std::uint64_t(r);
    p.reset(t.spn, records * 3 < packedLimit);
    for (std::int32_t s = 0; s < t.spn; ++s)
        for (auto k = t.spcaseStart[std::size_t(s)]; k < t.spcaseStart[std::size_t(s) + 1]; ++k)
            p.self[std::size_t(s)] += std::uint64_t(t.spcaseCount[std::size_t(k)]) *
                                      std::uint64_t(t.spcaseCount[std::size_t(k)]);
    if (out == nullptr)
        return poolInMemory(obs, table, prefcol, t, records, p, threads);

    // The intensities parsed before the first record: the first that is not a number, in case
    // order, fails the run before anything is written.
    CaseRows grouped;
    if (Status st = groupCaseRows(table, prefcol, t.lowerIsPreferred, t.caserowStart, t.caserows,
                                  t.rowsp, {}, grouped);
        !st)
        return st;
    const SpeciesEndings endings(t.spname);
    std::vector<double> casepref;
    std::vector<std::int32_t> casesp;
    std::vector<std::uint8_t> codes;
    std::string caseText;
    std::string prefix;
    for (std::int32_t c = 0; c < t.casen; ++c) {
        const auto first = std::size_t(t.caserowStart[std::size_t(c)]);
        const auto r = std::size_t(t.caserowStart[std::size_t(c) + 1]) - first;
        casepref.resize(r);
        casesp.resize(r);
        codes.resize(r);
        std::size_t longestEnding = 0;
        for (std::size_t k = 0; k < r; ++k) {
            const std::int32_t row = t.caserows[first + k];
            casepref[k] = grouped.pref[std::size_t(row)];
            casesp[k] = t.rowsp[std::size_t(row)];
            longestEnding = std::max(longestEnding, endings.of(casesp[k]).size());
        }
        // A full disk is noticed at the next case, not at the end of the stage.
        if (out->failed())
            return out->close();
        caseText.clear();
        appendField(caseText, t.casename[std::size_t(c)]);
        caseText += ',';

        for (std::size_t i = 0; i < r; ++i) {
            const double pi = casepref[i];
            prefix.assign(caseText);
            const std::string_view firstSp = endings.of(casesp[i]);
            prefix.append(firstSp.data(), firstSp.size() - kEndingTail);
            prefix += ',';
            const std::size_t longest = prefix.size() + longestEnding;
            for (std::size_t j = 0; j < r; ++j) {
                if (!obs.proceed())
                    return Status::cancelled();
                obs.progress(Stage::Records, 0, 0, 0);
                const int code = compareCode(pi, casepref[j]);
                codes[j] = std::uint8_t(code);
                const std::string_view ending = endings.of(casesp[j]);
                if (longest <= OutFile::kBufferSize) {
                    char* q = out->claim(longest);
                    std::memcpy(q, prefix.data(), prefix.size());
                    q += prefix.size();
                    std::memcpy(q, ending.data(), ending.size());
                    q += ending.size();
                    q[-std::ptrdiff_t(kDigitFromEnd)] = char('0' + code);
                    out->advance(q);
                } else {
                    // Texts too long for one buffer: written piece by piece.
                    std::string tail(ending);
                    tail[tail.size() - kDigitFromEnd] = char('0' + code);
                    out->put(prefix);
                    out->put(tail);
                }
            }
            // Each pair of rows of different species is pooled once, from its lower species.
            poolRow(p, casesp[i], casesp.data(), codes.data(), r);
        }
    }
    return Status::ok();
}

Status readRecords(const std::string& path, const std::vector<std::string_view>& spname,
                   Matrices& m) {
    m.reset(std::int32_t(spname.size()));
    std::unordered_map<std::string_view, std::int32_t> index;
    index.reserve(spname.size());
    for (std::size_t s = 0; s < spname.size(); ++s)
        index.emplace(spname[s], std::int32_t(s)); // the first of equal names, as a search would
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return Status::failed("Cannot open the file \"" + path + "\": " + std::strerror(errno));
    FieldReader reader(f);
    Status result = Status::ok();
    std::int64_t record = 0;
    std::string_view field;
    while (reader.next(field)) {
        ++record;
        std::int32_t sp[2] = {0, 0};
        bool ok = true;
        for (int k = 0; k < 2 && ok; ++k) {
            ok = reader.next(field);
            if (ok) {
                const auto it = index.find(field);
                ok = it != index.end();
                if (ok)
                    sp[k] = it->second;
            }
        }
        double code = 0;
        ok = ok && reader.next(field) && strictNumber(field, code);
        if (!ok) {
            result = Status::failed("Record " + std::to_string(record) + " of \"" + path +
                                    "\" does not name two known species and a code.");
            break;
        }
        m.sum(sp[0], sp[1]) += double(std::int32_t(code));
        m.count(sp[0], sp[1]) += 1.0;
    }
    if (result && reader.ioError())
        result = Status::failed("Cannot read the file \"" + path + "\".");
    std::fclose(f);
    return result;
}

} // namespace sscm
