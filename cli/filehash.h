#pragma once

#include "data/status.h"

#include <string>

namespace sscm::cli {

/// The SHA-256 of the whole file `path` in lower-case hexadecimal, read in blocks.
Status sha256File(const std::string& path, std::string& hex);

} // namespace sscm::cli
