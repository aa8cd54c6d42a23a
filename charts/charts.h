#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace sscm {

/// A name from a data file as it is shown: its bytes decoded as UTF-8 when they are valid UTF-8,
/// else as CP932 when they split cleanly into CP932 characters, else as Latin-1. The bytes
/// themselves are kept wherever a name is written to a file.
QString displayText(std::string_view bytes);

/// One species of the spectrum chart.
struct SpectrumRow {
    /// The species name, bytes as in the data file.
    std::string name;
    /// Its palatability value.
    double value = 0;
    /// Its percentile interval; NaN when the chart has no intervals.
    double lo = std::numeric_limits<double>::quiet_NaN();
    double hi = std::numeric_limits<double>::quiet_NaN();
};

/// What the spectrum chart shows: every kept species, most palatable first.
struct SpectrumChartData {
    /// Name of the data file, for the title.
    std::string dataFile;
    /// Number of cases (sites) of the run.
    std::int32_t cases = 0;
    /// The species in rank order (ties in species order).
    std::vector<SpectrumRow> rows;
    /// What the whiskers are ("95 % intervals, 1000 site bootstrap replicates"); empty when
    /// there are none.
    std::string intervalNote;
};

/// What the comparison-matrix heat map shows: the mean comparison code of every compared pair
/// of kept species, both axes in rank order.
struct HeatMapData {
    std::string dataFile;
    std::int32_t cases = 0;
    /// Species names in rank order.
    std::vector<std::string> names;
    /// One compared pair: row species (first in the comparison) and column species, as
    /// positions in `names`, and the mean code of row against column.
    struct Cell {
        std::int32_t row = 0;
        std::int32_t col = 0;
        double mean = 2;
    };
    std::vector<Cell> cells;
};

/// The chart data of a finished run; `intervals` (may be null, or from another run: then it is
/// ignored) adds the whiskers.
SpectrumChartData spectrumChartData(const AnalysisResult& result, const BootstrapResult* intervals,
                                    std::string_view dataFile);
HeatMapData heatMapData(const AnalysisResult& result, std::string_view dataFile);

/// Width the spectrum chart asks for, and the height that shows every species with readable
/// names (up to kSpectrumFullRows of them; beyond that the top and bottom ones).
QSize spectrumNaturalSize(const SpectrumChartData& data);
/// At most this many species are drawn one per row at natural size; more are shown as the top
/// and the bottom half of that with a note of what lies between.
inline constexpr int kSpectrumFullRows = 240;
/// Size the heat map asks for.
QSize heatMapNaturalSize(const HeatMapData& data);

/// Paints the charts into `area` (white background included).
void paintSpectrum(QPainter& p, const QRectF& area, const SpectrumChartData& data);
void paintHeatMap(QPainter& p, const QRectF& area, const HeatMapData& data);

/// Colour of a mean comparison code on the diverging scale: 1 deep blue, 2 (a tie) near white,
/// 3 deep red. Codes outside [1, 3] take the nearest end.
QColor meanCodeColour(double mean);
/// Colour of the pairs that were never compared.
QColor neverComparedColour();

/// Files the charts are written to, chosen by the name's extension (.png, .svg, .pdf; any case).
enum class ChartFormat { Png, Svg, Pdf };
std::optional<ChartFormat> chartFormatOf(const QString& fileName);

using ChartPainter = std::function<void(QPainter&, const QRectF&)>;

/// Paints a chart of `size` pixels (points in a PDF) into `fileName`, in the format its
/// extension names. Needs a QGuiApplication, but no display. False with `error` set when the
/// extension is not known or the file cannot be written.
bool writeChart(const QString& fileName, QSize size, const ChartPainter& paint, QString* error,
                const QString& title = QString());

} // namespace sscm
