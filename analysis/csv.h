#pragma once

#include <string>
#include <string_view>

namespace sscm {

// The pieces of the CSV text that the tables for other tools share: LF line ends, names quoted
// only where needed, numbers as the shortest text that reads back to the same double.

/// A CSV field: the text as it is, or enclosed in double quotes (inner quotes doubled) when it
/// holds a comma, a double quote, CR or LF.
void appendCsvField(std::string& out, std::string_view text);
/// The shortest decimal text that reads back to exactly `v`.
void appendShortest(std::string& out, double v);
/// `v` rounded to `decimals` places ("0.9882", "-0.35"), with a point whatever the locale: the
/// window runs in the user's locale, where printf would write a decimal comma.
std::string fixedDecimals(double v, int decimals);

} // namespace sscm
