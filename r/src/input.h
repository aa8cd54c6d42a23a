#pragma once

#include "data/datatable.h"
#include "data/status.h"
#include "rwindow.h"

#include <Rinternals.h>
#include <memory>
#include <string>

namespace sscm {

/// The data table of a data frame, each value turned into the text a CSV file would hold: a
/// number in the shortest form that reads back to the same double, an integer in decimal, a
/// factor as its label, a logical as TRUE or FALSE, a character value in UTF-8; NA and the empty
/// text become an empty cell, a missing value as in a file. Columns of another type are a failure
/// naming the column.
Status tableFromFrame(SEXP frame, DataTable& out);

/// The data table of the CSV file `file` in folder `dir`, read by the Read command with its
/// scratch files in `scratchDir`. A warning the Read shows becomes the failure's message; an
/// interrupt seen by `interrupts` returns a cancelled status.
/// How a data file is read: its field separator, and whether intensities are written with a
/// decimal comma (for a data frame too, whose text columns may hold "2,5").
struct ReadOptions {
    char separator = ',';
    bool decimalComma = false;
};

Status readTable(const std::string& dir, const std::string& file, const std::string& scratchDir,
                 InterruptPoll& interrupts, std::shared_ptr<const DataTable>& out,
                 const ReadOptions& options = {});

/// The data table of `data`: a data frame (cells as tableFromFrame makes them, empty for a
/// missing value), or the absolute path of a CSV file (one string) read with its scratch files
/// in the folder `scratch` (one string).
Status tableFromArgument(SEXP data, SEXP scratch, InterruptPoll& interrupts,
                         std::shared_ptr<const DataTable>& table, const ReadOptions& options = {});

} // namespace sscm
