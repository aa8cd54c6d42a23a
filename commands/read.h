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

/// Which data files Read takes.
enum class DataSource {
    RegularOnly, ///< regular files only: the window, which must not freeze on a pipe
    AnyFile,     ///< pipes and devices too (`sscm-cli <(zcat data.csv.gz)`)
};

/// The Read command as above. The scratch files (the normalised copy "temp1.tmp", "temp4.tmp"
/// and the sizing log) go to `s.scratchDir` (empty: the working directory), created anew. A data
/// file that is one of the scratch files of Read or GO there is refused with a message before
/// anything is written, and so is one that is not a regular file under DataSource::RegularOnly.
/// A stop request (processEvents() false) is honoured while the data file is opened, copied,
/// sized and loaded; the Read then ends as cancelled, its scratch files removed.
Status readCommand(Window& w, Session& s, DataSource from);

} // namespace sscm
