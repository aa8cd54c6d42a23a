#pragma once

#include "data/textencoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

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
    /// Bytes of all cells, row after row; an empty cell holds missvalue.
    std::string text;
    /// Start of each cell in `text`, row-major (cell k = (row-1) * valn + (var-1)), plus one
    /// final entry: the end of the last cell.
    std::vector<std::uint64_t> offsets;
    /// How the table's names are shown and exported: decided once, from the variable names and
    /// every cell, by whoever fills the table (guessEncoding(const DataTable&)).
    TextEncoding encoding = TextEncoding::Utf8;

    /// datatable(j, i): the value of variable j (1..valn) in data row i (1..objn).
    std::string_view cell(std::int32_t j, std::int32_t i) const {
        const std::size_t k = std::size_t(i - 1) * std::size_t(valn) + std::size_t(j - 1);
        return std::string_view(text).substr(offsets[k], offsets[k + 1] - offsets[k]);
    }
};

} // namespace sscm
