#pragma once

#include "data/datatable.h"
#include "data/status.h"
#include "data/window.h"

namespace sscm {

/// The GO command: one analysis run from set-up to the ranked listing, reading its settings from
/// the window (Text6, Text1, Text2, Text4, Check1, Text5) and the table of the last Read. Writes
/// the log, appends the occurrence and palatability listings to List3, keeps curvec, nextvec and
/// palatvalue in the session. A run that stops on bad input shows a warning through the window,
/// closes the log with what was written, removes "temp5.tmp", restores GO and returns the failure.
Status goCommand(Window& w, Session& s);

} // namespace sscm
