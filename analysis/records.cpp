#include "analysis/records.h"

#include "analysis/numbers.h"
#include "data/fieldreader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
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

// Pools the records of one first row into its matrix row. While the records are written, each
// cell of compsum holds both totals packed in its bits (code sum in the high half, count in the
// low half), so a record costs one addition to one cell: the matrices are far larger than the
// caches, and the pooling is bound by the cells it touches. Integer totals convert to exactly
// the doubles that adding the codes one by one would give.
void poolPacked(double* row, const std::int32_t* casesp, const std::uint8_t* codes, std::size_t r) {
    for (std::size_t j = 0; j < r; ++j) {
        double& cell = row[casesp[j]];
        const std::uint64_t packed =
            std::bit_cast<std::uint64_t>(cell) + ((std::uint64_t{codes[j]} << 32) | 1U);
        cell = std::bit_cast<double>(packed);
    }
}

void unpack(Matrices& m) {
    for (std::size_t k = 0; k < m.compsum.size(); ++k) {
        const auto packed = std::bit_cast<std::uint64_t>(m.compsum[k]);
        m.compn[k] = double(packed & 0xFFFFFFFFU);
        m.compsum[k] = double(packed >> 32);
    }
}

} // namespace

Status writeRecords(RunObserver& obs, const DataTable& table, std::int32_t prefcol,
                    const CaseSpeciesTables& t, OutFile* out, Matrices& m,
                    std::uint64_t packedLimit) {
    // Prepared only when records are written.
    const SpeciesEndings endings(out != nullptr ? t.spname : std::vector<std::string_view>{});
    const std::string_view prefName = table.varname[std::size_t(prefcol - 1)];
    const auto n = std::size_t(t.spn);

    // Packed totals are exact while no cell can exceed 32 bits: at most 3 per record.
    std::uint64_t records = 0;
    for (const std::int32_t r : t.casefreq)
        records += std::uint64_t(r) * std::uint64_t(r);
    const bool packed = records * 3 < packedLimit;
    m.n = t.spn;
    m.compsum.assign(n * n, 0.0); // all bits zero: also a packed zero
    m.compn.clear();
    if (!packed)
        m.compn.assign(n * n, 0.0);

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
            const std::string_view text = table.cell(prefcol, row + 1);
            if (!strictNumber(text, casepref[k]))
                return Status::failed("Data row " + std::to_string(row + 1) + ": the intensity \"" +
                                      std::string(text) + "\" of the variable " +
                                      std::string(prefName) + " is not a number.");
            casesp[k] = t.rowsp[std::size_t(row)];
            if (out != nullptr)
                longestEnding = std::max(longestEnding, endings.of(casesp[k]).size());
        }
        if (out != nullptr) {
            // A full disk is noticed at the next case, not at the end of the stage.
            if (out->failed())
                return out->close();
            caseText.clear();
            appendField(caseText, t.casename[std::size_t(c)]);
            caseText += ',';
        }

        for (std::size_t i = 0; i < r; ++i) {
            const double pi = casepref[i];
            if (out == nullptr) {
                // Pooled in memory only: the observer hears once per first row, not per record,
                // so the pooling is bound by the matrix cells it touches.
                if (!obs.proceed())
                    return Status::cancelled();
                obs.progress(RunStage::Records, 0, 0);
                for (std::size_t j = 0; j < r; ++j) {
                    const double pj = casepref[j];
                    codes[j] = std::uint8_t(pi > pj ? 3 : (pi == pj ? 2 : 1));
                }
            } else {
                prefix.assign(caseText);
                const std::string_view firstSp = endings.of(casesp[i]);
                prefix.append(firstSp.data(), firstSp.size() - kEndingTail);
                prefix += ',';
                const std::size_t longest = prefix.size() + longestEnding;
                for (std::size_t j = 0; j < r; ++j) {
                    if (!obs.proceed())
                        return Status::cancelled();
                    obs.progress(RunStage::Records, 0, 0);
                    const double pj = casepref[j];
                    const int code = pi > pj ? 3 : (pi == pj ? 2 : 1);
                    codes[j] = std::uint8_t(code);
                    const std::string_view ending = endings.of(casesp[j]);
                    if (longest <= OutFile::kBufferSize) {
                        char* p = out->claim(longest);
                        std::memcpy(p, prefix.data(), prefix.size());
                        p += prefix.size();
                        std::memcpy(p, ending.data(), ending.size());
                        p += ending.size();
                        p[-std::ptrdiff_t(kDigitFromEnd)] = char('0' + code);
                        out->advance(p);
                    } else {
                        // Texts too long for one buffer: written piece by piece.
                        std::string tail(ending);
                        tail[tail.size() - kDigitFromEnd] = char('0' + code);
                        out->put(prefix);
                        out->put(tail);
                    }
                }
            }
            // Pooled in a loop of its own, so the cells' cache misses overlap.
            const std::size_t rowStart = std::size_t(casesp[i]) * n;
            if (packed) {
                poolPacked(m.compsum.data() + rowStart, casesp.data(), codes.data(), r);
            } else {
                for (std::size_t j = 0; j < r; ++j) {
                    m.compsum[rowStart + std::size_t(casesp[j])] += codes[j];
                    m.compn[rowStart + std::size_t(casesp[j])] += 1.0;
                }
            }
        }
    }
    if (packed) {
        m.compn.assign(n * n, 0.0);
        unpack(m);
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
