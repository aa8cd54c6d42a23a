#pragma once

#include "commands/session.h"
#include "data/status.h"
#include "data/window.h"

#include <string>
#include <utility>
#include <vector>

namespace sscm {

/// Wall time of each stage of the last run, in seconds, for those who measure the run.
struct RunTimings {
    double tables = 0;       ///< case and species tables and the occurrence listing
    double records = 0;      ///< comparison records written and pooled into the matrices
    double removal = 0;      ///< low-occurrence removal
    double connectivity = 0; ///< compared pairs and minimum connect steps
    double meanDump = 0;     ///< mean matrix and its dump to the log
    double iteration = 0;    ///< palatability eigenvector
    double listing = 0;      ///< ranked listing and the end of the run
};

/// Each stage's name and time in run order, the Read's time first: for timing reports and the
/// run record.
std::vector<std::pair<std::string, double>> stageTimes(double readSeconds, const RunTimings& t);

/// The GO command: one analysis run from set-up to the ranked listing, reading its settings from
/// the window (Text6, Text1, Text2, Text4, Check1, Text5) and the table of the last Read. Writes
/// the log, appends the occurrence and palatability listings to List3, keeps curvec, nextvec and
/// palatvalue in the session. A run that stops on bad input shows a warning through the window,
/// closes the log with what was written, removes "temp5.tmp", restores GO and returns the failure.
Status goCommand(Window& w, Session& s);

/// The GO command, filling `timings` (when not null) with the time each stage took.
Status goCommand(Window& w, Session& s, RunTimings* timings);

} // namespace sscm
