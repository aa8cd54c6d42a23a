#pragma once

// Fills for the parts of the C++20 standard library that some libraries still lack: libc++
// (macOS, and LLVM before 16/20) has neither std::from_chars for double nor
// std::make_unique_for_overwrite. Where the library has them, they are used as they are.

#include <charconv>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace sscm::compat {

/// Reads a double as std::from_chars(first, last, value) in its general format does: an
/// optional '-', digits with an optional point, an optional exponent, or "inf"/"nan"; no
/// whitespace, no '+'. The value is the double nearest to the text; a text too large for a
/// double, or too small to be anything but zero, gives errc::result_out_of_range and leaves
/// value unchanged.
std::from_chars_result fromCharsFallback(const char* first, const char* last, double& value);

inline std::from_chars_result fromChars(const char* first, const char* last, double& value) {
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    return std::from_chars(first, last, value, std::chars_format::general);
#else
    return fromCharsFallback(first, last, value);
#endif
}

/// An array of n elements left uninitialised (its pages untouched until written).
template <class T> std::unique_ptr<T> makeUniqueForOverwrite(std::size_t n) {
    static_assert(std::is_unbounded_array_v<T>, "only arrays of unknown bound are filled in");
#if defined(__cpp_lib_smart_ptr_for_overwrite) && __cpp_lib_smart_ptr_for_overwrite >= 202002L
    return std::make_unique_for_overwrite<T>(n);
#else
    return std::unique_ptr<T>(new std::remove_extent_t<T>[n]);
#endif
}

} // namespace sscm::compat
