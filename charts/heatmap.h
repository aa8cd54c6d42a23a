#pragma once

#include "analysis/analysis.h"
#include "data/textencoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace sscm {

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
        /// Number of comparisons behind the mean.
        double count = 0;
    };
    std::vector<Cell> cells;
    /// The encoding every species name is shown in: one decision for all names of the data.
    TextEncoding encoding = TextEncoding::Utf8;
};

/// The heat map data of a finished run, its names shown in `encoding`.
HeatMapData heatMapData(const AnalysisResult& result, std::string_view dataFile,
                        TextEncoding encoding);

/// Size the heat map asks for.
QSize heatMapNaturalSize(const HeatMapData& data);

/// Colour of a mean comparison code on the diverging scale: 1 deep blue, 2 (a tie) near white,
/// 3 deep red. Codes outside [1, 3] take the nearest end.
QColor meanCodeColour(double mean);
/// Colour of the pairs that were never compared.
QColor neverComparedColour();

/// Where the heat map puts everything in an area, worked out before anything is painted.
struct HeatMapLayout {
    /// Set when there is no matrix to draw: the note shown instead, and its box.
    QString note;
    QRectF noteBox;

    /// Top of the plot (labels and matrix) below the title.
    double top = 0;
    /// Room for the names (or the rank ticks) left of and above the matrix.
    double label = 0;
    /// Side of one cell, and the matrix of all of them.
    double cell = 0;
    QRectF matrix;
    /// Whether the cells are drawn one by one (else as one image of a pixel per pair).
    bool cellByCell = true;
    /// Whether the axes are labelled with the names (else with ranks every `rankStep` species),
    /// and the pixel size of those labels.
    bool names = false;
    std::size_t rankStep = 1;
    double font = 0;
    /// The key: the colour bar from 3 at the top to 1 at the bottom in `slices` bands, and the
    /// swatch of the pairs never compared.
    QRectF bar;
    int slices = 0;
    QRectF swatch;
};

/// The layout of the heat map of `data` in `area`. Needs a QGuiApplication (for the font
/// metrics of the names) but no painter.
HeatMapLayout heatMapLayout(const QRectF& area, const HeatMapData& data);
/// The box of the cell of row species `row` and column species `col` (positions in rank order).
QRectF heatMapCell(const HeatMapLayout& l, std::int32_t row, std::int32_t col);

/// The scale the heat map is drawn at in `area`: above 1 when the area is larger than the
/// natural size every way (the map is then laid out in `area`'s size divided by it, and
/// enlarged), else 1.
double heatMapScale(const QRectF& area, const HeatMapData& data);
/// The cell under `point` of the heat map of `data` painted in `area`, or null.
const HeatMapData::Cell* heatMapCellAt(const QRectF& area, const HeatMapData& data,
                                       const QPointF& point);
/// What a cell says when pointed at: "Stipa grandis vs Carex duriuscula: mean 2.33 over 6
/// comparisons".
QString heatMapCellText(const HeatMapData& data, const HeatMapData::Cell& cell);

/// Paints the heat map into `area` (white background included).
void paintHeatMap(QPainter& p, const QRectF& area, const HeatMapData& data);

} // namespace sscm
