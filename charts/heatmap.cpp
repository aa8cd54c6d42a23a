#include "charts/heatmap.h"

#include "analysis/rankorder.h"
#include "charts/chartstyle.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

namespace sscm {

namespace {

/// The key's width right of the matrix, and the gap between the two.
constexpr double kKeyWidth = 178;
constexpr double kKeyGap = 24;
/// Room below the matrix.
constexpr double kMarginBottom = 12;
/// Up to this many species the cells are drawn one by one (crisp in SVG and PDF); beyond, as
/// one image of a pixel per pair.
constexpr std::size_t kCellByCell = 160;
/// Up to this many species the axes may carry their names, in at most this much room, when a
/// cell is at least kMinNamedCell high; the names' pixel size is at most kNameFont.
constexpr std::size_t kMostNamed = 400;
constexpr double kMostLabel = 150;
constexpr double kMinNamedCell = 9;
constexpr double kNameFont = 11;
/// Room of the name labels beyond the widest name; the labels' inset from the matrix.
constexpr double kLabelPad = 6;
constexpr double kLabelInset = 4;
/// Room of the rank ticks instead of names, their length, font, and the least room between two
/// labelled ranks.
constexpr double kRankLabel = 34;
constexpr double kRankTick = 3;
constexpr double kRankFont = 10;
constexpr double kMinRankSpacing = 26;
/// The rank numbers' boxes: height, the row ranks' inset from the matrix, the column ranks' width
/// and lift above it; the "rank" heading's lift, inset and height.
constexpr double kRankTextHeight = 16;
constexpr double kRankInset = 6;
constexpr double kRankTextWidth = 40;
constexpr double kRankLift = 20;
constexpr double kRankHeadingLift = 2;
constexpr double kRankHeadingInset = 4;
constexpr double kRankHeadingHeight = 14;
/// Natural size: the matrix side for up to 30 species (at least 12 cells of 24), up to 60 (16
/// each), up to 200 (840 in all, at least 3 each), and beyond.
constexpr double kSmallCell = 24;
constexpr std::size_t kSmallMatrix = 30;
constexpr std::size_t kSmallMinCells = 12;
constexpr double kMediumCell = 16;
constexpr std::size_t kMediumMatrix = 60;
constexpr double kLargeSide = 840;
constexpr double kLargeMinCell = 3;
constexpr std::size_t kLargeMatrix = 200;
constexpr double kHugeSide = 800;
/// Least room for a matrix at all.
constexpr double kMinRoom = 40;
/// The key: bar width, its height as a share of the matrix within bounds, its bands, the marks'
/// length and the labels' offset, the swatch's gap below the bar and its height, and the font.
constexpr double kBarWidth = 16;
constexpr double kBarShare = 0.6;
constexpr double kBarMin = 120;
constexpr double kBarMax = 220;
constexpr int kBarSlices = 64;
constexpr double kKeyMark = 4;
constexpr double kKeyLabelOffset = 7;
constexpr double kSwatchGap = 18;
constexpr double kSwatchHeight = 12;
constexpr double kKeyFont = 10;

} // namespace

HeatMapData heatMapData(const AnalysisResult& result, std::string_view dataFile,
                        TextEncoding encoding) {
    HeatMapData d;
    d.dataFile.assign(dataFile);
    d.cases = std::int32_t(result.casename.size());
    d.encoding = encoding;
    const std::vector<std::int32_t> order = rankOrder(result.curvec);
    std::vector<std::int32_t> position(result.spname.size(), -1);
    for (std::size_t r = 0; r < order.size(); ++r) {
        if (std::size_t(order[r]) < result.spname.size()) {
            position[std::size_t(order[r])] = std::int32_t(d.names.size());
            d.names.push_back(result.spname[std::size_t(order[r])]);
        }
    }
    const PairTable& pairs = result.pairs;
    for (std::int32_t i = 0; i < pairs.n && std::size_t(i) < position.size(); ++i) {
        if (std::size_t(i) + 1 >= pairs.start.size()) {
            break;
        }
        for (auto k = pairs.start[std::size_t(i)]; k < pairs.start[std::size_t(i) + 1]; ++k) {
            const auto j = std::size_t(pairs.col[std::size_t(k)]);
            if (j >= position.size() || position[std::size_t(i)] < 0 || position[j] < 0) {
                continue;
            }
            const double count =
                std::size_t(k) < pairs.count.size() ? pairs.count[std::size_t(k)] : 0.0;
            d.cells.push_back(
                {position[std::size_t(i)], position[j], pairs.mean[std::size_t(k)], count});
        }
    }
    return d;
}

QColor meanCodeColour(double mean) {
    // A diverging scale of even lightness steps on both sides of a near-white centre: blue for
    // a row species found lower than the column species, red for higher.
    static const QRgb stops[] = {0x053061, 0x2166ac, 0x4393c3, 0x92c5de, 0xd1e5f0, 0xf7f7f7,
                                 0xfddbc7, 0xf4a582, 0xd6604d, 0xb2182b, 0x67001f};
    constexpr int kLast = int(std::size(stops)) - 1;
    if (!std::isfinite(mean)) {
        return neverComparedColour();
    }
    const double t = std::clamp((mean - 1.0) / 2.0, 0.0, 1.0) * kLast;
    const int k = std::min(int(t), kLast - 1);
    const double f = t - k;
    const QColor a(stops[k]);
    const QColor b(stops[k + 1]);
    const auto mix = [f](int u, int v) { return int(std::lround(u + (v - u) * f)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

QColor neverComparedColour() {
    return QColor(0x9a, 0x9a, 0x9a);
}

QSize heatMapNaturalSize(const HeatMapData& data) {
    const std::size_t n = data.names.size();
    double matrix = kHugeSide;
    if (n <= kSmallMatrix) {
        matrix = kSmallCell * double(std::max<std::size_t>(n, kSmallMinCells));
    } else if (n <= kMediumMatrix) {
        matrix = kMediumCell * double(n);
    } else if (n <= kLargeMatrix) {
        matrix = std::max(kLargeMinCell, kLargeSide / double(n)) * double(n);
    }
    const double label = n <= kMostNamed ? kMostLabel : kRankLabel;
    const double side = label + matrix;
    return QSize(int(std::ceil(kChartMargin + side + kKeyGap + kKeyWidth)),
                 int(std::ceil(kChartTitleHeight + kChartTitleGap + side + kMarginBottom)));
}

HeatMapLayout heatMapLayout(const QRectF& area, const HeatMapData& data) {
    HeatMapLayout l;
    const std::size_t n = data.names.size();
    l.top = area.top() + kChartTitleHeight + kChartTitleGap;
    const double top = l.top;
    const double room = std::min(area.width() - kChartMargin - kKeyGap - kKeyWidth,
                                 area.bottom() - kMarginBottom - top);
    if (n == 0 || room < kMinRoom) {
        l.note = n == 0 ? "No species to show" : "Too small to draw";
        l.noteBox = QRectF(area.left(), top, area.width(), kChartNoteHeight);
        return l;
    }

    // Names when they are readable, otherwise ranks at round steps.
    const auto cells = double(std::max<std::size_t>(1, n));
    double widest = 0;
    if (n <= kMostNamed) {
        const QFontMetricsF fm(chartFont(kNameFont));
        for (const std::string& s : data.names) {
            widest = std::max(widest, fm.horizontalAdvance(chartName(s, data.encoding)));
        }
    }
    l.label = std::min(widest + kLabelPad, kMostLabel);
    l.cell = (room - l.label) / cells;
    if (n <= kMostNamed && l.cell >= kMinNamedCell) {
        l.names = true;
        l.font = std::min(kNameFont, std::floor(l.cell) - 1);
    } else {
        l.label = kRankLabel;
        l.cell = (room - l.label) / cells;
        l.font = kRankFont;
        for (const std::size_t s : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000}) {
            l.rankStep = s;
            if (l.cell * double(s) >= kMinRankSpacing) {
                break;
            }
        }
    }
    const double side = l.cell * double(n);
    l.matrix = QRectF(area.left() + kChartMargin + l.label, top + l.label, side, side);
    l.cellByCell = n <= kCellByCell;

    const double barH = std::min(kBarMax, std::max(kBarMin, side * kBarShare));
    l.bar = QRectF(l.matrix.right() + kKeyGap, l.matrix.top(), kBarWidth, barH);
    l.slices = kBarSlices;
    l.swatch = QRectF(l.bar.left(), l.bar.bottom() + kSwatchGap, kBarWidth, kSwatchHeight);
    return l;
}

QRectF heatMapCell(const HeatMapLayout& l, std::int32_t row, std::int32_t col) {
    return QRectF(l.matrix.left() + col * l.cell, l.matrix.top() + row * l.cell, l.cell, l.cell);
}

double heatMapScale(const QRectF& area, const HeatMapData& data) {
    const QSizeF natural(heatMapNaturalSize(data));
    const double scale = std::min(area.width() / natural.width(), area.height() / natural.height());
    return scale > 1.0 + 1e-9 ? scale : 1.0;
}

const HeatMapData::Cell* heatMapCellAt(const QRectF& area, const HeatMapData& data,
                                       const QPointF& point) {
    const double scale = heatMapScale(area, data);
    const QRectF laid =
        scale > 1.0 ? QRectF(0, 0, area.width() / scale, area.height() / scale) : area;
    const QPointF at = scale > 1.0 ? (point - area.topLeft()) / scale : point;
    const HeatMapLayout l = heatMapLayout(laid, data);
    if (!l.note.isEmpty() || !l.matrix.contains(at)) {
        return nullptr;
    }
    for (const HeatMapData::Cell& c : data.cells) {
        if (heatMapCell(l, c.row, c.col).contains(at)) {
            return &c;
        }
    }
    return nullptr;
}

QString heatMapCellText(const HeatMapData& data, const HeatMapData::Cell& cell) {
    const auto name = [&data](std::int32_t k) {
        return displayText(data.names[std::size_t(k)], data.encoding);
    };
    return QString("%1 vs %2: mean %3 over %4 %5")
        .arg(name(cell.row), name(cell.col), QString::number(cell.mean, 'f', 2))
        .arg(cell.count, 0, 'f', 0)
        .arg(cell.count == 1 ? "comparison" : "comparisons");
}

void paintHeatMap(QPainter& p, const QRectF& area, const HeatMapData& data) {
    // A map larger than its natural size every way is the natural map enlarged: the text and
    // the key grow with the figure.
    const double scale = heatMapScale(area, data);
    if (scale > 1.0) {
        p.save();
        p.translate(area.topLeft());
        p.scale(scale, scale);
        paintHeatMap(p, QRectF(0, 0, area.width() / scale, area.height() / scale), data);
        p.restore();
        return;
    }
    const HeatMapLayout l = heatMapLayout(area, data);
    p.save();
    p.fillRect(area, Qt::white);
    QString title = "Comparison matrix";
    if (!data.dataFile.empty()) {
        title += " of " + chartName(data.dataFile);
    }
    drawChartTitle(
        p, area, title,
        chartSubtitle(data.cases, data.names.size(), "mean code of row against column species"));
    if (!l.note.isEmpty()) {
        p.setFont(chartFont(kChartNoteFont));
        p.setPen(kChartInk);
        p.drawText(l.noteBox, Qt::AlignCenter, l.note);
        p.restore();
        return;
    }
    const std::size_t n = data.names.size();
    const QRectF& matrix = l.matrix;

    // Pairs never compared show through where no cell is drawn.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(matrix, neverComparedColour());
    if (l.cellByCell) {
        for (const HeatMapData::Cell& c : data.cells) {
            p.fillRect(heatMapCell(l, c.row, c.col), meanCodeColour(c.mean));
        }
    } else {
        QImage image(static_cast<int>(n), static_cast<int>(n), QImage::Format_RGB32);
        image.fill(neverComparedColour());
        for (const HeatMapData::Cell& c : data.cells) {
            image.setPixel(c.col, c.row, meanCodeColour(c.mean).rgb());
        }
        p.setRenderHint(QPainter::SmoothPixmapTransform, l.cell < 1);
        p.drawImage(matrix, image);
    }
    p.setPen(QPen(kChartInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(matrix);

    p.setRenderHint(QPainter::Antialiasing, true);
    const QFont font = chartFont(l.font);
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double room = l.label - kLabelInset;
    const auto rowLabel = [&](std::size_t k, const QString& text) {
        const double y = matrix.top() + (double(k) + 0.5) * l.cell;
        p.drawText(QRectF(area.left() + kChartMargin, y - l.cell, room, 2 * l.cell),
                   Qt::AlignRight | Qt::AlignVCenter, fm.elidedText(text, Qt::ElideRight, room));
        const double x = matrix.left() + (double(k) + 0.5) * l.cell;
        p.save();
        p.translate(x, matrix.top() - kLabelInset);
        p.rotate(-90);
        p.drawText(QRectF(0, -l.cell, room, 2 * l.cell), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(text, Qt::ElideRight, room));
        p.restore();
    };
    if (l.names) {
        for (std::size_t k = 0; k < n; ++k) {
            rowLabel(k, chartName(data.names[k], data.encoding));
        }
    } else {
        const std::size_t step = l.rankStep;
        p.setPen(QPen(kChartInk, 1));
        for (std::size_t k = step - 1; k < n; k += step) {
            const double y = matrix.top() + (double(k) + 0.5) * l.cell;
            const double x = matrix.left() + (double(k) + 0.5) * l.cell;
            p.drawLine(QPointF(matrix.left() - kRankTick, y), QPointF(matrix.left(), y));
            p.drawLine(QPointF(x, matrix.top() - kRankTick), QPointF(x, matrix.top()));
        }
        for (std::size_t k = step - 1; k < n; k += step) {
            const QString rank = QString::number(qulonglong(k + 1));
            const double y = matrix.top() + (double(k) + 0.5) * l.cell;
            p.drawText(QRectF(area.left() + kChartMargin, y - kRankTextHeight / 2,
                              l.label - kRankInset, kRankTextHeight),
                       Qt::AlignRight | Qt::AlignVCenter, rank);
            const double x = matrix.left() + (double(k) + 0.5) * l.cell;
            p.drawText(QRectF(x - kRankTextWidth / 2, matrix.top() - kRankLift, kRankTextWidth,
                              kRankTextHeight),
                       Qt::AlignHCenter | Qt::AlignBottom, rank);
        }
        p.setFont(chartFont(kRankFont));
        p.drawText(QRectF(area.left(), l.top - kRankHeadingLift,
                          kChartMargin + l.label - kRankHeadingInset, kRankHeadingHeight),
                   Qt::AlignRight, "rank");
    }

    // The key: the scale from 3 at the top to 1 at the bottom, then the never-compared swatch.
    const QRectF& bar = l.bar;
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int s = 0; s < l.slices; ++s) {
        const double code = 3.0 - 2.0 * (s + 0.5) / l.slices;
        p.fillRect(QRectF(bar.left(), bar.top() + bar.height() * s / l.slices, bar.width(),
                          bar.height() / l.slices + 0.5),
                   meanCodeColour(code));
    }
    p.setPen(QPen(kChartInk, 1));
    p.drawRect(bar);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setFont(chartFont(kKeyFont));
    const QFontMetricsF km(p.font());
    const struct {
        double code;
        const char* text;
    } marks[] = {{3, "3  row always higher"}, {2, "2  tie"}, {1, "1  row always lower"}};
    for (const auto& m : marks) {
        const double y = bar.top() + (3.0 - m.code) / 2.0 * bar.height();
        p.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + kKeyMark, y));
        p.drawText(QPointF(bar.right() + kKeyLabelOffset, y + km.ascent() / 2 - 1), m.text);
    }
    const QRectF& swatch = l.swatch;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(swatch, neverComparedColour());
    p.drawRect(swatch);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawText(QPointF(swatch.right() + kKeyLabelOffset, swatch.center().y() + km.ascent() / 2 - 1),
               "never compared");
    p.restore();
}

} // namespace sscm
