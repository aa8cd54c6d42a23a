#pragma once

#include "data/status.h"
#include "data/window.h"

#include <cstdint>
#include <string>

namespace sscm {

/// Copies the data file `filefrom` line by line into `fileto`, removing every comma at the end of
/// a line and ending each line with CR LF; lines may end with CR LF, LF or CR, and a UTF-8
/// byte-order mark at the start is dropped. Sets `erf` to 0. A file that cannot be read or
/// written is a failure whose message names the file and the system's reason; `fileto` is then
/// removed.
Status filecomma(std::int32_t& erf, const std::string& filefrom, const std::string& fileto);

/// Counts the variables (fields of the header line) and data rows (records of `valn` fields after
/// the header) of the normalised copy `filename`, writing the sizing log "VectorFileSize.log"
/// and the one-line scratch file "temp4.tmp" in the working directory. On success `erf` = 0 and
/// the log is deleted. When the header yields no variable: the warning "At least one variable "
/// through the window, `erf` = 1, `valn` = `objn` = 0, the log kept, and an Ok status (the
/// caller tests `erf`). When the fields after the header are not a whole multiple of `valn`,
/// a failure naming the short data row and how many of its fields were found; the log then
/// keeps the lines written so far, as after any sizing that stops.
Status VectorFileSize(Window& w, std::int32_t& erf, const std::string& filename, std::int32_t& valn,
                      std::int32_t& objn);

/// VectorFileSize with the data file's own name (`shownName`) in its failure messages, for a
/// caller that sizes a normalised copy of it. The sizing log still names `filename`. Returns a
/// cancelled status, with the log removed, when the window closes during the row count.
Status sizeDataFile(Window& w, std::int32_t& erf, const std::string& filename,
                    const std::string& shownName, std::int32_t& valn, std::int32_t& objn);

} // namespace sscm
