#pragma once

// File names as the program holds them (std::string, UTF-8 on Windows, the bytes the system
// gives elsewhere) and as std::filesystem takes them. On Windows a std::filesystem::path made
// from a narrow string reads it in the C library's locale, byte by byte, which turns "ä" into
// "Ã¤"; these two conversions take UTF-8 there and leave the bytes as they are elsewhere.

#include <filesystem>
#include <string>
#include <string_view>

namespace sscm {

/// The path named by `text`.
std::filesystem::path pathOf(std::string_view text);

/// The name of `path` as text: pathOf(textOf(p)) == p.
std::string textOf(const std::filesystem::path& path);

} // namespace sscm
