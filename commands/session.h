#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "data/datatable.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sscm {

/// State the main window keeps between commands (besides its controls).
struct Session {
    /// The character that separates the fields of the data file: a comma, or a semicolon or a
    /// tab for files saved that way. Read takes it from here.
    char separator = ',';
    /// Whether Read notes that intensities are written with a decimal comma ("2,5").
    bool decimalComma = false;
    /// Whether GO reads lower intensities as more preferred (rank data).
    bool lowerIsPreferred = false;
    /// The data rows (1-based) that the last GO left out: case, species or intensity missing.
    std::vector<std::int32_t> leftOut;
    /// Set by a Read whose header held one variable containing a semicolon or a tab: that
    /// character, which the file seems to be separated by (0 otherwise).
    char suggestedSeparator = 0;
    /// Sizing failure flag of the last Read: 1 when the header held no variable.
    std::int32_t erf = 0;
    /// The table of the last successful Read; null before the first one and after a failed one.
    /// A Read replaces it only once the new table is complete, and a run keeps its own reference,
    /// so nobody ever sees a half-filled table.
    std::shared_ptr<const DataTable> table;
    /// Path of the data file that `table` was read from.
    std::string dataFile;
    /// Palatability values of the last run, unit length, in species order.
    std::vector<double> curvec;
    /// Last iterate of the last run before its final normalisation.
    std::vector<double> nextvec;
    /// Working copy used by the ranking; every entry -1e+300 after a run.
    std::vector<double> palatvalue;
    /// Name of the comparison-record file once a run has written it.
    std::string filetemp;
    /// Folder of the log file (and, for the window, of the result file and the exports) when
    /// its name carries no folder; empty for the working directory.
    std::string outputDir;
    /// Folder of the scratch files (the Read's copy and sizing log, the run's records); empty
    /// for the working directory.
    std::string scratchDir;
    /// Whether a run writes its comparison records to a file: "temp5.tmp" in scratchDir, removed
    /// at the end of the run, or `recordPath` when that is set (kept then).
    bool writeRecordFile = true;
    std::string recordPath;
    /// The settings and the whole result of the last run that ended normally, or that stopped
    /// on a split network (then without values: curvec empty); null before the first such run
    /// and while a run works. Kept for the charts, the tables and the bootstrap.
    AnalysisSettings lastSettings;
    std::shared_ptr<const AnalysisResult> lastResult;
    /// The table and data file of that run (a later Read may have replaced `table`).
    std::shared_ptr<const DataTable> lastTable;
    std::string lastDataFile;
    /// Intervals of the last bootstrap of lastResult, when one has been run (null otherwise).
    std::shared_ptr<const BootstrapResult> lastIntervals;
    /// The Bradley–Terry companion ranking of lastResult, when asked for (null otherwise).
    std::shared_ptr<const BtRanking> lastModel;
};

} // namespace sscm
