#pragma once

#include "analysis/analysis.h"
#include "analysis/casetables.h"
#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// Name of the comparison-record file in the working directory.
inline constexpr const char* kRecordFile = "temp5.tmp";

/// Whether a case or species text must be enclosed in double quotes in the record file to read
/// back unchanged by the field-reading rule: an empty or blank-only text, a leading blank, a
/// comma, a line break, or a double quote where the field starts.
bool needsQuotes(std::string_view text);

/// While records x 3 stays below this, the pooled totals of a pair fit in 32 bits each and are
/// packed into one cell.
inline constexpr std::uint64_t kPackedLimit = std::uint64_t{1} << 32;

/// Pools the within-case comparisons of the species of `t` into `p`: for each case in order,
/// every ordered pair of its rows (i outer, j inner, both in data order), the code 3, 2 or 1 as
/// the first row's intensity is greater than, equal to or smaller than the second's. When `out`
/// is not null each pair is also written to it as the record "case,first,second, code " and
/// CR LF, and the observer hears of every record written (Stage::Records) after its
/// proceed(). Without a file the pairs are only pooled, on `threads` threads (0: as many as the
/// machine has, at most 4, or one for a small run), and the observer hears once per case while the
/// intensities are read, then once per first row of the calling thread's share. Fails on an
/// intensity that is not a number (the first in case order), or at the first failed write.
/// `packedLimit` is kPackedLimit but for tests of the unpacked pooling.
Status writeRecords(Progress& obs, const DataTable& table, std::int32_t prefcol,
                    const CaseSpeciesTables& t, OutFile* out, PooledComparisons& p,
                    std::uint64_t packedLimit = kPackedLimit, unsigned threads = 0);

/// Reads a record file back by the field-reading rule and pools its records into `m`, sized to
/// the species `spname`: the matrices as built from the file itself.
Status readRecords(const std::string& path, const std::vector<std::string_view>& spname,
                   Matrices& m);

} // namespace sscm
