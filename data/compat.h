#pragma once

// Fills for the parts of the C++20 standard library that some libraries still lack: libc++
// (macOS, and LLVM before 16/20) has neither std::from_chars for double nor
// std::make_unique_for_overwrite, and Apple's has std::to_chars for double only on macOS 13.3
// and later. Where the library has them, they are used as they are.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
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

/// Writes `value` as std::to_chars(first, last, value) does: the fewest characters that read
/// back to the same double, in plain or scientific notation, plain on a tie; "inf", "nan" with
/// their sign. errc::value_too_large when the text does not fit.
std::to_chars_result toCharsFallback(char* first, char* last, double value);

/// Writes `value` as std::to_chars(first, last, value, std::chars_format::general, precision)
/// does, which is printf's "%.<precision>g", with a point whatever the locale.
std::to_chars_result toCharsFallback(char* first, char* last, double value, int precision);

// Defined by the compiler's command line, it selects the fill anywhere (CI's libc++ build does, so
// that it is tested end to end on Linux).
#if defined(_LIBCPP_VERSION) && defined(__ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__) &&          \
    __ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__ < 130300
#define SSCM_COMPAT_FILL_TO_CHARS 1
#endif

inline std::to_chars_result toChars(char* first, char* last, double value) {
#if defined(SSCM_COMPAT_FILL_TO_CHARS)
    return toCharsFallback(first, last, value);
#else
    return std::to_chars(first, last, value);
#endif
}

/// As std::to_chars(first, last, value, std::chars_format::general, precision).
inline std::to_chars_result toCharsGeneral(char* first, char* last, double value, int precision) {
#if defined(SSCM_COMPAT_FILL_TO_CHARS)
    return toCharsFallback(first, last, value, precision);
#else
    return std::to_chars(first, last, value, std::chars_format::general, precision);
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

/// The position in `file` in bytes, as std::ftell but 64-bit everywhere (Windows' ftell is 32-bit
/// and fails past 2 GiB); -1 with errno on failure.
std::int64_t fileTell(std::FILE* file);

/// std::fseek with a 64-bit offset.
int fileSeek(std::FILE* file, std::int64_t offset, int origin);

} // namespace sscm::compat
