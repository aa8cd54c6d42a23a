#pragma once

namespace sscm {

/// The README's section "Data format", from its heading up to the next heading of its level, in
/// Markdown: Help > Data format shows it. Taken from README.md at build time
/// (cmake/readme-section.cmake), so the window and the README never say two things.
extern const char* const kDataFormatMarkdown;

} // namespace sscm
