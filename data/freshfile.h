#pragma once

#include <cstdio>
#include <string>

namespace sscm {

/// Opens `path` for writing as a new file. An existing regular file or symbolic link of that
/// name is removed first and the file is created exclusively, so a link planted under the name
/// (in a shared folder, pointing at someone else's file) is never written through. A device or
/// FIFO of that name (standard output, /dev/null) is written in place. A regular file that
/// cannot be removed (a folder we may not change) is emptied in place, as before. Returns null
/// with errno set when the file cannot be opened.
std::FILE* openFresh(const std::string& path);

} // namespace sscm
