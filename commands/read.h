#pragma once

#include "commands/session.h"
#include "data/status.h"
#include "data/window.h"

namespace sscm {

/// The Read command: derives the result and log file names from Text7, normalises and sizes the
/// data file (Dir1's path, "/", Text7's text), loads the table into `s.table`, fills List1 and
/// clears List3, showing progress in Label18 and the button states on Command1. A failure shows
/// a warning through the window, leaves no table (s.table null), restores the Read button and
/// removes the scratch files (except the sizing log where it is kept), and is returned as well.
Status readCommand(Window& w, Session& s);

} // namespace sscm
