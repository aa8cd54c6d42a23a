#pragma once

#include "data/progress.h"
#include "data/status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sscm {

/// Longest line a data file may have. A longer one means the input is no table of observations
/// (an endless stream without line breaks, a binary file): the copy stops there instead of
/// growing until memory runs out.
inline constexpr std::size_t kMaxLineBytes = std::size_t{64} << 20;

/// The warning for a header line that yields no variable; the sizing log ends with it too.
inline constexpr const char* kNoVariable = "At least one variable ";

/// Copies the data file `filefrom` line by line into `fileto`, removing the commas at the end of
/// a line and ending each line with CR LF; lines may end with CR LF, LF or CR, and a UTF-8
/// byte-order mark at the start is dropped. The header loses all its trailing commas. A data
/// line's trailing commas stand for empty last cells when they are enough to complete the record
/// the line is in (a spreadsheet row whose last cells are blank): as many as complete it are
/// kept, the rest dropped. Fewer than that, padding after a complete record, a line that ends
/// inside a quoted field and a line of commas only lose them all, so such a record takes its
/// remaining fields from the next line. Sets `erf` to 0. A file that cannot be read or
/// written is a failure whose message names the file and the system's reason; `fileto` is then
/// removed.
Status filecomma(std::int32_t& erf, const std::string& filefrom, const std::string& fileto);

/// filecomma for the Read command: `fileto` is created anew (an existing file or planted link of
/// that name is removed, never written through); `progress` (may be null) is asked to proceed
/// once per block copied, and when it says no the copy stops, `fileto` is removed and a
/// cancelled status returned, also while the data file is still being opened or waited for (a
/// pipe that nobody writes to). A line longer than `maxLine` bytes is refused with a message.
/// `separator` takes the comma's place throughout (a semicolon, a tab).
Status copyDataFile(Progress* progress, std::int32_t& erf, const std::string& filefrom,
                    const std::string& fileto, std::size_t maxLine = kMaxLineBytes,
                    char separator = ',');

/// Counts the variables (fields of the header line) and data rows (records of `valn` fields after
/// the header) of the normalised copy `filename`, writing the sizing log "VectorFileSize.log"
/// and the one-line scratch file "temp4.tmp" in the working directory. On success `erf` = 0 and
/// the log is deleted. When the header yields no variable: `erf` = 1 (the caller then shows the
/// warning kNoVariable), `valn` = `objn` = 0, the log kept, and an Ok status (the
/// caller tests `erf`). When the fields after the header are not a whole multiple of `valn`,
/// a failure naming the short data row and how many of its fields were found; the log then
/// keeps the lines written so far, as after any sizing that stops.
Status VectorFileSize(Progress* progress, std::int32_t& erf, const std::string& filename,
                      std::int32_t& valn, std::int32_t& objn);

/// VectorFileSize with the data file's own name (`shownName`) in its failure messages, for a
/// caller that sizes a normalised copy of it, and with the sizing log and "temp4.tmp" in the
/// folder `scratchDir` (empty: the working directory), both created anew. The sizing log still
/// names `filename`. `progress` (may be null) is asked to proceed once per data row; when it
/// says no, the sizing returns a cancelled status with the log removed.
Status sizeDataFile(Progress* progress, std::int32_t& erf, const std::string& filename,
                    const std::string& shownName, std::int32_t& valn, std::int32_t& objn,
                    const std::string& scratchDir = {}, char separator = ',');

/// Path of the scratch file `name` in the folder `scratchDir` (empty: the working directory).
std::string scratchPath(const std::string& scratchDir, const char* name);

} // namespace sscm
