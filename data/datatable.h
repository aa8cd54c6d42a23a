#pragma once

#include "data/textencoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// A data row as messages name it: "line 7 (data row 6)" when its file line is known (not 0),
/// else "data row 6".
inline std::string rowPlace(std::int64_t line, std::int32_t row) {
    std::string text = "data row " + std::to_string(row);
    return line > 0 ? "line " + std::to_string(line) + " (" + text + ")" : text;
}

/// The data table of the last successful Read: variable names and every cell as text. The
/// cells' bytes are held in one buffer with offsets, so a table of millions of cells costs no
/// allocation per cell. Never changed once built.
struct DataTable {
    /// Number of variables: the fields of the header line.
    std::int32_t valn = 0;
    /// Number of data rows: records of valn fields after the header.
    std::int32_t objn = 0;
    /// Variable names in file order (index 0 is variable 1), letter case as in the file.
    std::vector<std::string> varname;
    /// Bytes of all cells, row after row. An empty cell stays empty: it is a missing value, which
    /// the run tells apart from any text (a name "null" included).
    std::string text;
    /// Start of each cell in `text`, row-major (cell k = (row-1) * valn + (var-1)), plus one
    /// final entry: the end of the last cell.
    std::vector<std::uint64_t> offsets;
    /// How the table's names are shown and exported: decided once, from the variable names and
    /// every cell, by whoever fills the table (guessEncoding(const DataTable&)).
    TextEncoding encoding = TextEncoding::Utf8;
    /// The line of the file on which each data row begins (1 for the header), for messages that
    /// name a row as a spreadsheet or an editor shows it; empty for a table that comes from no
    /// file (an R data frame).
    std::vector<std::int64_t> line;
    /// Whether intensities are written with a decimal comma ("2,5"), as the user said on reading.
    bool decimalComma = false;

    /// A data row (1..objn) as messages name it: "line 7 (data row 6)", or "data row 6" for a
    /// table without lines.
    std::string place(std::int32_t i) const {
        return rowPlace(line.empty() ? 0 : line[std::size_t(i - 1)], i);
    }

    /// datatable(j, i): the value of variable j (1..valn) in data row i (1..objn).
    std::string_view cell(std::int32_t j, std::int32_t i) const {
        const std::size_t k = std::size_t(i - 1) * std::size_t(valn) + std::size_t(j - 1);
        return std::string_view(text).substr(offsets[k], offsets[k + 1] - offsets[k]);
    }
};

} // namespace sscm
