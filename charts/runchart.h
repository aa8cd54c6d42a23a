#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "data/freshfile.h"
#include "data/textencoding.h"

#include <string>
#include <string_view>

#include <QSize>
#include <QSizeF>
#include <QString>

namespace sscm {

/// The two charts of a run: the palatability spectrum and the comparison-matrix heat map.
enum class ChartKind { Spectrum, HeatMap };

/// Resolution of a print size given without one.
inline constexpr int kPrintDpi = 300;

/// How a run's chart is drawn into a file (the window's Export chart, sscm-cli's --plot-size,
/// --dpi, --italic-names, --title, --no-title): its size (empty: the chart's own) in pixels or
/// as a print size at `dpi` (0: kPrintDpi for a print size; with pixels, none recorded), and the
/// spectrum's names in italics, its own title or none.
struct ChartExport {
    enum class Unit { Pixels, Millimetres, Inches };
    QSizeF size;
    Unit unit = Unit::Pixels;
    int dpi = 0;
    bool italicNames = false;
    std::string title;
    bool noTitle = false;

    bool printSize() const { return unit != Unit::Pixels && !size.isEmpty(); }
    /// The resolution written into the file: `dpi`, or kPrintDpi for a print size without one.
    int resolution() const { return printSize() && dpi <= 0 ? kPrintDpi : dpi; }
    /// The pixels asked for: the print size at its resolution, or the pixels given (empty: the
    /// chart's own size).
    QSize pixels() const;
};

/// Writes the chart of `kind` of `run` (its intervals and model when not null) into `fileName`,
/// drawn as `how` says, the format by the extension; `dataFile` names the data in the title and
/// `names` is the encoding of the run's table. With `pending` the file is only written, to be
/// put in place with the run's other files. A failure names the file and the reason in `error`.
bool writeRunChart(const AnalysisResult& run, const BootstrapResult* intervals,
                   std::string_view dataFile, TextEncoding names, ChartKind kind,
                   const QString& fileName, QString* error, const ChartExport& how = {},
                   const BtRanking* model = nullptr, PendingFiles* pending = nullptr);

} // namespace sscm
