#pragma once

#include "data/status.h"
#include "data/window.h"

#include <cstdint>
#include <memory>
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

    /// datatable(j, i): the value of variable j (1..valn) in data row i (1..objn).
    std::string_view cell(std::int32_t j, std::int32_t i) const {
        const std::size_t k = std::size_t(i - 1) * std::size_t(valn) + std::size_t(j - 1);
        return std::string_view(text).substr(offsets[k], offsets[k + 1] - offsets[k]);
    }
};

/// State the main window keeps between commands (besides its controls).
struct Session {
    /// Text stored in place of every empty cell.
    std::string missvalue = "null";
    /// Sizing failure flag of the last Read: 1 when the header held no variable.
    std::int32_t erf = 0;
    /// The table of the last successful Read; null before the first one and after a failed one.
    /// A Read replaces it only once the new table is complete, and a run keeps its own reference,
    /// so nobody ever sees a half-filled table.
    std::shared_ptr<const DataTable> table;
    /// Palatability values of the last run, unit length, in species order.
    std::vector<double> curvec;
    /// Last iterate of the last run before its final normalisation.
    std::vector<double> nextvec;
    /// Working copy used by the ranking; every entry -1e+300 after a run.
    std::vector<double> palatvalue;
    /// Name of the comparison-record file once a run has written it.
    std::string filetemp;
};

/// The Read command: derives the result and log file names from Text7, normalises and sizes the
/// data file (Dir1's path, "/", Text7's text), loads the table into `s.table`, fills List1 and
/// clears List3, showing progress in Label18 and the button states on Command1. A failure shows
/// a warning through the window, leaves no table (s.table null), restores the Read button and
/// removes the scratch files (except the sizing log where it is kept), and is returned as well.
Status readCommand(Window& w, Session& s);

} // namespace sscm
