#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"

#include <string>
#include <string_view>

namespace sscm {

/// The spectrum table: header species,value,rank,cases,rows,value_lo,value_hi,rank_lo,rank_hi,
/// value_sd and one line per kept species in rank order (ties in species order); the interval
/// columns are empty when `boot` is null. CSV with LF line ends; names quoted when they hold a
/// comma, quote or line break; numbers as the shortest text that reads back to the same double.
std::string spectrumTable(const AnalysisResult& full, const BootstrapResult* boot);

/// A CSV field: the text as it is, or enclosed in double quotes (inner quotes doubled) when it
/// holds a comma, a double quote, CR or LF.
void appendCsvField(std::string& out, std::string_view text);
/// The shortest decimal text that reads back to exactly `v`.
void appendShortest(std::string& out, double v);

} // namespace sscm
