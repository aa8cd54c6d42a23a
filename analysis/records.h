#pragma once

#include "analysis/matrix.h"
#include "analysis/outfile.h"
#include "analysis/tables.h"
#include "data/datatable.h"
#include "data/status.h"
#include "data/window.h"

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

/// Writes the within-case comparison records to `out`: for each case in order, every ordered
/// pair of its rows (i outer, j inner, both in data order) as "case,first,second, code " and
/// CR LF, the code 3, 2 or 1 as the first row's intensity is greater than, equal to or smaller
/// than the second's. The same pairs are pooled into `m` (sized to the species of `t`) as they
/// are written, so the file need not be read back. The window's events are processed and
/// Label11 set to "Making matrix" once per record. Fails on an intensity that is not a number.
Status writeRecords(Window& w, const DataTable& table, std::int32_t prefcol,
                    const CaseSpeciesTables& t, OutFile& out, Matrices& m);

/// Reads a record file back by the field-reading rule and pools its records into `m`, sized to
/// the species `spname`: the matrices as built from the file itself.
Status readRecords(const std::string& path, const std::vector<std::string_view>& spname,
                   Matrices& m);

} // namespace sscm
