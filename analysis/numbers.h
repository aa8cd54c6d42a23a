#pragma once

#include <string_view>

namespace sscm {

/// Converts a text to a number by the strict rule the run applies to intensities and to the
/// occurrence threshold: optional blanks, an optional sign, digits with an optional decimal point
/// ("5", "5.", ".5", at least one digit), an optional exponent ("1e3", "2.5E-2"), optional
/// trailing blanks. Nothing else is a number: no hexadecimal, no "inf" or "nan", no thousands
/// separators, no empty text, and no value too large for a double. A value too small for one
/// reads as the nearest double, zero or a subnormal ("1e-400" is 0), as the standard conversion
/// gives. Returns false for a
/// text that is not a number and leaves `value` unchanged then.
bool strictNumber(std::string_view text, double& value);

} // namespace sscm
