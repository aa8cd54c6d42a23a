#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "analysis/btranking.h"
#include "data/textencoding.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace sscm {

/// One species of the spectrum chart.
struct SpectrumRow {
    /// The species name, bytes as in the data file.
    std::string name;
    /// Its palatability value.
    double value = 0;
    /// Its percentile interval; NaN when the chart has no intervals.
    double lo = std::numeric_limits<double>::quiet_NaN();
    double hi = std::numeric_limits<double>::quiet_NaN();
    /// Whether the bootstrap does not tell it from the next species down: its value exceeded the
    /// next one's in more than 5 % and less than 95 % of the used replicates (p_above_next).
    bool closeToNext = false;
    /// Its Bradley–Terry ability on the value scale (the least-squares line of the values on the
    /// abilities); NaN without the model.
    double model = std::numeric_limits<double>::quiet_NaN();
};

/// What the spectrum chart shows: every kept species, most palatable first.
struct SpectrumChartData {
    /// Name of the data file, for the title.
    std::string dataFile;
    /// Number of cases (sites) of the run.
    std::int32_t cases = 0;
    /// The species in rank order (ties in species order).
    std::vector<SpectrumRow> rows;
    /// What the whiskers, the joining lines and the rings are ("95 % intervals, 1000 site
    /// bootstrap replicates"); empty when there are none.
    std::string intervalNote;
    /// The encoding every species name is shown in: one decision for all names of the data.
    TextEncoding encoding = TextEncoding::Utf8;
    /// Species names in italics, as in print; the title of the user's choice (UTF-8; empty: the
    /// chart's own), or none at all.
    bool italicNames = false;
    std::string title;
    bool showTitle = true;
};

/// The chart data of a finished run, its names shown in `encoding`; `intervals` (may be null, or
/// from another run: then it is ignored) adds the whiskers, `model` (likewise) the rings of the
/// Bradley–Terry abilities.
SpectrumChartData spectrumChartData(const AnalysisResult& result, const BootstrapResult* intervals,
                                    std::string_view dataFile, TextEncoding encoding,
                                    const BtRanking* model = nullptr);

/// Width the spectrum chart asks for, and the height that shows every species with readable
/// names (up to kSpectrumFullRows of them; beyond that the top and bottom ones).
QSize spectrumNaturalSize(const SpectrumChartData& data);
/// At most this many species are drawn one per row at natural size; more are shown as the top
/// and the bottom half of that with a note of what lies between.
inline constexpr int kSpectrumFullRows = 240;

/// Where the spectrum chart puts everything in an area, worked out before anything is painted.
struct SpectrumLayout {
    /// Set when there is no plot to draw: the note shown instead, and its box.
    QString note;
    QRectF noteBox;

    /// The band of the rows (top, bottom) and the value scale's ends (left, right).
    double plotTop = 0;
    double plotBottom = 0;
    double plotLeft = 0;
    double plotRight = 0;
    /// Height of a row and the pixel size of the names.
    double rowHeight = 0;
    double nameFont = 0;
    /// Widest name shown (at most a share of the width).
    double nameWidth = 0;
    /// Radius of the value markers.
    double dot = 0;
    /// Whether each row gets a guide line (rows tall enough to tell them apart).
    bool guides = false;

    /// One row of the chart, top to bottom.
    struct Row {
        /// Position in SpectrumChartData::rows; -1 for the note of the species left out.
        std::int64_t species = -1;
        /// Centre line of the row.
        double y = 0;
        /// Box of the name (right-aligned in it), or of the note.
        QRectF label;
        /// The value marker's centre.
        QPointF marker;
        /// The interval, drawn when `whisker`: its line through the row and the caps at its ends.
        bool whisker = false;
        QLineF interval;
        QLineF loCap;
        QLineF hiCap;
        /// The line from its marker to the next row's, drawn when `link` (closeToNext and the
        /// next species shown in the next row).
        bool link = false;
        QLineF linkLine;
        /// The centre of the model's ring, drawn when `ring`.
        bool ring = false;
        QPointF modelMarker;
    };
    std::vector<Row> rows;
    /// Species left out between the top and the bottom rows, and the first of them (0-based).
    std::int64_t hidden = 0;
    std::int64_t hiddenFrom = 0;

    /// The value axis: its line, and each tick with its value's text and where that is written.
    QLineF axis;
    struct Tick {
        double value = 0;
        QLineF mark;
        QString label;
        QPointF labelAt;
    };
    std::vector<Tick> ticks;
    /// Box of the axis title below the tick labels.
    QRectF axisTitle;
};

/// The layout of the spectrum chart of `data` in `area`. Needs a QGuiApplication (for the font
/// metrics of the names) but no painter.
SpectrumLayout spectrumLayout(const QRectF& area, const SpectrumChartData& data);

/// Paints the spectrum chart into `area` (white background included).
void paintSpectrum(QPainter& p, const QRectF& area, const SpectrumChartData& data);

} // namespace sscm
