#pragma once

#include <cstdint>
#include <string>

namespace sscm {

// How numbers are written into text files, list items and captions.
//
// Print form: a leading blank for a non-negative number ("-" for a negative one), the digits, one
// trailing blank. Whole numbers have no decimal point; other values have up to 15 significant
// digits, no trailing zeros and no zero before the decimal point (.5, -.25). Where C's "%.15g"
// would switch to an exponent, its form with an upper-case E and at least two exponent digits
// (1E-05, 1.5E+20).
//
// Number-to-text form: the print form without the trailing blank (" 3", "-.25").

/// Appends the print form of v to out.
void appendPrint(std::string& out, double v);
/// Appends the number-to-text form of v to out.
void appendNumberText(std::string& out, double v);
/// Appends the number-to-text form of a count (fast path for integers).
void appendNumberText(std::string& out, std::int64_t v);
/// Appends the print form of a count (fast path for integers).
void appendPrint(std::string& out, std::int64_t v);
/// The same for a 32-bit count (valn, objn, spn), which would otherwise be ambiguous between
/// the double and the 64-bit overloads.
inline void appendNumberText(std::string& out, std::int32_t v) {
    appendNumberText(out, std::int64_t{v});
}
inline void appendPrint(std::string& out, std::int32_t v) {
    appendPrint(out, std::int64_t{v});
}

/// The print form of v.
std::string printForm(double v);
/// The number-to-text form of v.
std::string numberText(double v);

/// Width of a print zone.
inline constexpr int kZoneWidth = 14;

/// Zone advance: pads the line being written (`line`, from its first column) with blanks to the
/// start of the next 14-column print zone. A line already ending on a zone boundary gets none.
void zoneAdvance(std::string& line);

} // namespace sscm
