#pragma once

#include "commands/export.h"

#include <string>

namespace sscm {

// How a run is reported in a paper: the citation of sscm itself and the methods paragraph of a
// finished run. The window, run.json and R all take these texts from here.

/// Authors, title and release date of this version, as CITATION.cff and the R package's
/// citation("sscm") give them.
inline constexpr const char* kCitationAuthors = "sscm developers";
inline constexpr const char* kCitationTitle =
    "sscm: Palatability Spectra from Within-Site Comparisons of Field Observations";
inline constexpr const char* kReleaseDate = "2026-12-08";

/// "sscm developers (2026). sscm: Palatability Spectra ... Observations. Version 0.1.0."
std::string citationText();

/// One paragraph for the methods section of a paper on a finished run (status Ok, with its
/// table, settings and result): the software and version, the variables and which way the
/// intensity was read, the counts of rows, cases and species, how the spectrum was found, and
/// the bootstrap and the Bradley-Terry model when the run has them. Empty when the run did not
/// finish. Its own words are ASCII, so the bytes of the variable names decide its encoding.
std::string methodsParagraph(const RunOutcome& run);

} // namespace sscm
