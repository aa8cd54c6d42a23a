#pragma once

// What sscm-cli prints on the terminal: names and messages shown whole and harmless.

#include <string>
#include <string_view>

namespace sscm::cli {

/// `text` with NUL and the other control characters shown escaped ("\0", "\t", "\x1b"), so a
/// name or message prints whole and cannot steer the terminal. A message may keep its line
/// breaks (`keepLineBreaks`); a name, printed one per line, may not.
std::string shown(std::string_view text, bool keepLineBreaks = false);

/// Prints "sscm-cli: " and `message`, shown, on standard error.
void printError(std::string_view message);

} // namespace sscm::cli
