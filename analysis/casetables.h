#pragma once

#include "analysis/analysis.h"
#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace sscm {

/// The cases and species of a run, found in the case and species columns of the data table. The
/// texts are views into the table, which the run keeps alive. Indices here are 0-based: case c
/// is casename[c], the window's case c + 1.
struct CaseSpeciesTables {
    /// Number of distinct cases.
    std::int32_t casen = 0;
    /// The distinct case values, in the order of their first data row.
    std::vector<std::string_view> casename;
    /// Number of data rows of each case.
    std::vector<std::int32_t> casefreq;
    /// Number of distinct species.
    std::int32_t spn = 0;
    /// The distinct species values, in the order of their first data row.
    std::vector<std::string_view> spname;
    /// Number of data rows of each species.
    std::vector<std::int32_t> spfreq;
    /// Number of cases in which each species has at least one data row.
    std::vector<std::int32_t> spocc;

    /// Species of each data row; -1 for a row left out.
    std::vector<std::int32_t> rowsp;
    /// The data rows (1-based, ascending) left out: their case, species or intensity is missing.
    std::vector<std::int32_t> leftOut;
    /// Whether the run reads lower intensities as more preferred (set by the run, not here).
    bool lowerIsPreferred = false;
    /// The data rows of case c, in data order: caserows[caserowStart[c] .. caserowStart[c+1]).
    std::vector<std::int32_t> caserowStart;
    std::vector<std::int32_t> caserows;

    /// spcase kept sparse, since most species occur in few of many cases: for species s the
    /// entries [spcaseStart[s], spcaseStart[s+1]) of spcaseCase (ascending case) and spcaseCount
    /// (data rows of s in that case, at least 1). The number of entries of s is spocc[s].
    std::vector<std::int32_t> spcaseStart;
    std::vector<std::int32_t> spcaseCase;
    std::vector<std::int32_t> spcaseCount;

    /// spcase(s, c): the number of data rows of species s in case c (0-based indices).
    std::int32_t spcase(std::int32_t s, std::int32_t c) const;
};

/// Tabulates the case column `casecol` and the species column `spcol` (1-based variables) of a
/// table with at least one data row, and builds the species-by-case counts and occurrences. Rows
/// whose case, species or intensity (column `prefcol`) is missing are left out (rowLeftOut).
/// `obs`, when given, has its proceed() called every few thousand rows, so a window stays
/// responsive from the start of a run on large data; false stops the stage as cancelled.
Status buildTables(const DataTable& table, std::int32_t casecol, std::int32_t spcol,
                   std::int32_t prefcol, CaseSpeciesTables& out, Progress* obs = nullptr);

/// The occurrence listing, line by line to `out`: a line of one blank, the header line of the
/// cases, then per species its row count in every case and its occurrence.
void occurrenceListing(const CaseSpeciesTables& t, const LineSink& out);

} // namespace sscm
