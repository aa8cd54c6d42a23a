#include "charts/charts.h"

#include "analysis/rankorder.h"
#include "data/textencoding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringDecoder>
#include <QSvgGenerator>

namespace sscm {

QString displayText(std::string_view bytes) {
    const auto size = qsizetype(bytes.size());
    switch (guessEncoding(bytes)) {
    case TextEncoding::Utf8:
        return QString::fromUtf8(bytes.data(), size);
    case TextEncoding::Cp932: {
        // CP932 as Windows writes it ("windows-31j"): a backslash stays a backslash, and NEC and
        // IBM extensions decode. A byte pair that is well formed but has no character falls
        // back to Latin-1, like any text that is not CP932.
        QStringDecoder cp932("windows-31j", QStringDecoder::Flag::Stateless);
        if (cp932.isValid()) {
            QString s = cp932(QByteArrayView(bytes.data(), size));
            if (!cp932.hasError()) {
                return s;
            }
        }
        break;
    }
    case TextEncoding::Latin1:
        break;
    }
    return QString::fromLatin1(bytes.data(), size);
}

SpectrumChartData spectrumChartData(const AnalysisResult& result, const BootstrapResult* intervals,
                                    std::string_view dataFile) {
    SpectrumChartData d;
    d.dataFile.assign(dataFile);
    d.cases = std::int32_t(result.casename.size());
    const std::size_t n = std::min(result.spname.size(), result.curvec.size());
    const bool withIntervals = intervals != nullptr && intervals->valueLo.size() == n &&
                               intervals->valueHi.size() == n && n > 0;
    for (const std::int32_t k : rankOrder(result.curvec)) {
        const auto i = std::size_t(k);
        if (i >= n) {
            continue;
        }
        SpectrumRow row;
        row.name = result.spname[i];
        row.value = result.curvec[i];
        if (withIntervals) {
            row.lo = intervals->valueLo[i];
            row.hi = intervals->valueHi[i];
        }
        d.rows.push_back(std::move(row));
    }
    if (withIntervals) {
        char note[160];
        std::snprintf(note, sizeof note, "%g %% intervals, %d site bootstrap replicates (%d used)",
                      intervals->settings.level * 100.0, int(intervals->settings.replicates),
                      int(intervals->used));
        d.intervalNote = note;
    }
    return d;
}

HeatMapData heatMapData(const AnalysisResult& result, std::string_view dataFile) {
    HeatMapData d;
    d.dataFile.assign(dataFile);
    d.cases = std::int32_t(result.casename.size());
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
            d.cells.push_back({position[std::size_t(i)], position[j], pairs.mean[std::size_t(k)]});
        }
    }
    return d;
}

namespace {

// Colours a reader tells apart in print and on screen.
const QColor kInk(0x20, 0x20, 0x20);
const QColor kGrid(0xe4, 0xe4, 0xe4);
const QColor kGuide(0xf2, 0xf2, 0xf2);
const QColor kWhisker(0x3b, 0x6e, 0xa8);

QFont chartFont(double pixels, bool bold = false) {
    QFont f;
    f.setFamilies({"DejaVu Sans", "Liberation Sans", "IPAPGothic", "Noto Sans CJK JP"});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(bold);
    return f;
}

QString thousands(qint64 n) {
    return QLocale(QLocale::English).toString(n);
}

/// The two title lines of both charts.
QString subtitle(std::int32_t cases, std::size_t species, const std::string& extra) {
    QString s = thousands(cases) + (cases == 1 ? " case, " : " cases, ") +
                thousands(qint64(species)) + (species == 1 ? " species" : " species");
    if (!extra.empty()) {
        s += "; " + QString::fromStdString(extra);
    }
    return s;
}

constexpr double kMargin = 10;
constexpr double kTitleHeight = 44;

void drawTitle(QPainter& p, const QRectF& area, const QString& title, const QString& sub) {
    const QRectF box(area.left() + kMargin, area.top() + 6, area.width() - 2 * kMargin, 20);
    p.setPen(kInk);
    p.setFont(chartFont(14, true));
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(p.font()).elidedText(title, Qt::ElideMiddle, box.width()));
    p.setFont(chartFont(11));
    const QRectF line2 = box.translated(0, 19);
    p.drawText(line2, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(p.font()).elidedText(sub, Qt::ElideRight, line2.width()));
}

/// Ticks at 1, 2 or 5 times a power of ten, about `target` of them, over a range that holds
/// [lo, hi].
struct Axis {
    double lo = 0;
    double hi = 1;
    double step = 0.1;
    int decimals = 1;
    std::vector<double> ticks;
};

Axis niceAxis(double lo, double hi, int target) {
    if (!(hi > lo)) {
        const double pad = lo == 0 ? 0.1 : std::abs(lo) * 0.1;
        lo -= pad;
        hi += pad;
    }
    const double raw = (hi - lo) / std::max(1, target);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double mantissa = raw / power;
    const double nice = mantissa <= 1 ? 1 : mantissa <= 2 ? 2 : mantissa <= 5 ? 5 : 10;
    Axis a;
    a.step = nice * power;
    a.lo = std::floor(lo / a.step + 1e-9) * a.step;
    a.hi = std::ceil(hi / a.step - 1e-9) * a.step;
    a.decimals = std::max(0, -int(std::floor(std::log10(a.step) + 1e-9)));
    for (int k = 0;; ++k) {
        const double t = a.lo + k * a.step;
        if (t > a.hi + a.step * 1e-6) {
            break;
        }
        a.ticks.push_back(std::abs(t) < a.step * 1e-9 ? 0.0 : t);
    }
    return a;
}

struct SpectrumLayout {
    /// Positions in data.rows shown, top to bottom; -1 marks the note of the rows left out.
    std::vector<std::int64_t> shown;
    std::int64_t hidden = 0;
    std::int64_t hiddenFrom = 0;
};

constexpr double kMinRow = 11;
constexpr double kNaturalRow = 16;
constexpr double kAxisHeight = 48;

SpectrumLayout spectrumLayout(std::size_t n, double plotHeight) {
    SpectrumLayout l;
    const auto fit = std::int64_t(std::max(3.0, std::floor(plotHeight / kMinRow)));
    if (std::int64_t(n) <= fit) {
        for (std::size_t i = 0; i < n; ++i) {
            l.shown.push_back(std::int64_t(i));
        }
        return l;
    }
    const std::int64_t k = std::max<std::int64_t>(1, (fit - 1) / 2);
    for (std::int64_t i = 0; i < k; ++i) {
        l.shown.push_back(i);
    }
    l.shown.push_back(-1);
    for (std::int64_t i = std::int64_t(n) - k; i < std::int64_t(n); ++i) {
        l.shown.push_back(i);
    }
    l.hidden = std::int64_t(n) - 2 * k;
    l.hiddenFrom = k;
    return l;
}

} // namespace

QSize spectrumNaturalSize(const SpectrumChartData& data) {
    const auto rows = std::min<std::size_t>(data.rows.size(), kSpectrumFullRows + 1);
    const double plot = std::max<double>(8, double(rows)) * kNaturalRow;
    return QSize(760, int(std::ceil(kTitleHeight + 12 + plot + kAxisHeight)));
}

void paintSpectrum(QPainter& p, const QRectF& area, const SpectrumChartData& data) {
    p.save();
    p.fillRect(area, Qt::white);
    QString title = "Palatability spectrum";
    if (!data.dataFile.empty()) {
        title += " of " + displayText(data.dataFile);
    }
    drawTitle(p, area, title, subtitle(data.cases, data.rows.size(), data.intervalNote));

    const double plotTop = area.top() + kTitleHeight + 12;
    const double plotBottom = area.bottom() - kAxisHeight;
    const std::size_t n = data.rows.size();
    if (n == 0 || plotBottom - plotTop < 3 * kMinRow) {
        p.setFont(chartFont(11));
        p.drawText(QRectF(area.left(), plotTop, area.width(), 30), Qt::AlignCenter,
                   n == 0 ? "No species to show" : "Too small to draw");
        p.restore();
        return;
    }
    const SpectrumLayout layout = spectrumLayout(n, plotBottom - plotTop);
    const double rowH = std::min(22.0, (plotBottom - plotTop) / double(layout.shown.size()));
    const QFont nameFont = chartFont(std::clamp(rowH - 3, 8.0, 12.0));
    const QFontMetricsF nameMetrics(nameFont);

    double nameWidth = 0;
    for (const std::int64_t s : layout.shown) {
        if (s >= 0) {
            nameWidth = std::max(nameWidth, nameMetrics.horizontalAdvance(
                                                displayText(data.rows[std::size_t(s)].name)));
        }
    }
    nameWidth = std::min(nameWidth, area.width() * 0.4);
    const double plotLeft = area.left() + kMargin + nameWidth + 10;
    const double plotRight = area.right() - 18;

    double lo = data.rows.front().value;
    double hi = lo;
    for (const SpectrumRow& r : data.rows) {
        for (const double v : {r.value, r.lo, r.hi}) {
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    const double pad = (hi - lo) * 0.04;
    const int target = std::max(2, int((plotRight - plotLeft) / 90));
    const Axis axis = niceAxis(lo - pad, hi + pad, target);
    const auto x = [&](double v) {
        return plotLeft + (v - axis.lo) / (axis.hi - axis.lo) * (plotRight - plotLeft);
    };

    // Grid at the ticks, then one guide per row so the eye finds the name of a dot.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kGrid, 1));
    for (const double t : axis.ticks) {
        p.drawLine(QPointF(x(t), plotTop), QPointF(x(t), plotBottom));
    }
    const double rowsBottom = plotTop + rowH * double(layout.shown.size());
    if (rowH >= 9) {
        p.setPen(QPen(kGuide, 1));
        for (std::size_t s = 0; s < layout.shown.size(); ++s) {
            if (layout.shown[s] >= 0) {
                const double y = plotTop + (double(s) + 0.5) * rowH;
                p.drawLine(QPointF(plotLeft, y), QPointF(plotRight, y));
            }
        }
    }
    p.setRenderHint(QPainter::Antialiasing, true);

    const double dot = std::clamp(rowH * 0.28, 2.0, 4.0);
    for (std::size_t s = 0; s < layout.shown.size(); ++s) {
        const double y = plotTop + (double(s) + 0.5) * rowH;
        if (layout.shown[s] < 0) {
            QFont f = nameFont;
            f.setItalic(true);
            p.setFont(f);
            p.setPen(kInk);
            p.drawText(QRectF(area.left(), y - rowH / 2, area.width(), rowH), Qt::AlignCenter,
                       QString("\u2026 %1 species not shown (ranks %2\u2013%3) \u2026")
                           .arg(thousands(layout.hidden), thousands(layout.hiddenFrom + 1),
                                thousands(layout.hiddenFrom + layout.hidden)));
            continue;
        }
        const SpectrumRow& r = data.rows[std::size_t(layout.shown[s])];
        p.setFont(nameFont);
        p.setPen(kInk);
        const QRectF nameBox(area.left() + kMargin, y - rowH / 2, nameWidth, rowH);
        p.drawText(nameBox, Qt::AlignRight | Qt::AlignVCenter,
                   nameMetrics.elidedText(displayText(r.name), Qt::ElideRight, nameWidth));
        if (std::isfinite(r.lo) && std::isfinite(r.hi)) {
            const double cap = std::max(2.0, std::min(4.0, rowH * 0.3));
            p.setPen(QPen(kWhisker, 1.5, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(x(r.lo), y), QPointF(x(r.hi), y));
            p.drawLine(QPointF(x(r.lo), y - cap), QPointF(x(r.lo), y + cap));
            p.drawLine(QPointF(x(r.hi), y - cap), QPointF(x(r.hi), y + cap));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawEllipse(QPointF(x(r.value), y), dot, dot);
        p.setBrush(Qt::NoBrush);
    }

    // The value axis below the rows.
    const double axisY = std::min(plotBottom, rowsBottom + 4);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(plotLeft, axisY), QPointF(plotRight, axisY));
    p.setFont(chartFont(10));
    const QFontMetricsF tickMetrics(p.font());
    for (const double t : axis.ticks) {
        p.drawLine(QPointF(x(t), axisY), QPointF(x(t), axisY + 4));
        const QString label = QString::number(t, 'f', axis.decimals);
        const double w = tickMetrics.horizontalAdvance(label);
        p.drawText(QPointF(x(t) - w / 2, axisY + 6 + tickMetrics.ascent()), label);
    }
    p.setFont(chartFont(11));
    p.drawText(QRectF(plotLeft, axisY + 22, plotRight - plotLeft, 18), Qt::AlignCenter,
               data.rows.size() > 1 || data.intervalNote.empty()
                   ? "Palatability value (most palatable at the top)"
                   : "Palatability value");
    p.restore();
}

// --- Heat map --------------------------------------------------------------------------------

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

namespace {

constexpr double kKeyWidth = 178;
/// Up to this many species the cells are drawn one by one (crisp in SVG and PDF); beyond, as
/// one image of a pixel per pair.
constexpr std::size_t kCellByCell = 160;

struct HeatLayout {
    double label = 0; ///< room for the names (or the rank ticks) on the left and on top
    double cell = 0;
    bool names = false;
    QFont font;
};

HeatLayout heatLayout(const HeatMapData& d, double room) {
    HeatLayout l;
    const auto n = double(std::max<std::size_t>(1, d.names.size()));
    const QFont full = chartFont(11);
    double widest = 0;
    if (d.names.size() <= 400) {
        const QFontMetricsF fm(full);
        for (const std::string& s : d.names) {
            widest = std::max(widest, fm.horizontalAdvance(displayText(s)));
        }
    }
    l.label = std::min(widest + 6, 150.0);
    l.cell = (room - l.label) / n;
    if (d.names.size() <= 400 && l.cell >= 9) {
        l.names = true;
        l.font = chartFont(std::min(11.0, std::floor(l.cell) - 1));
        return l;
    }
    l.label = 34;
    l.cell = (room - l.label) / n;
    l.font = chartFont(10);
    return l;
}

} // namespace

QSize heatMapNaturalSize(const HeatMapData& data) {
    const std::size_t n = data.names.size();
    double matrix = 800;
    if (n <= 30) {
        matrix = 24.0 * double(std::max<std::size_t>(n, 12));
    } else if (n <= 60) {
        matrix = 16.0 * double(n);
    } else if (n <= 200) {
        matrix = std::max(3.0, 840.0 / double(n)) * double(n);
    }
    const double label = n <= 400 ? 150 : 34;
    const double side = label + matrix;
    return QSize(int(std::ceil(kMargin + side + 24 + kKeyWidth)),
                 int(std::ceil(kTitleHeight + 12 + side + 12)));
}

void paintHeatMap(QPainter& p, const QRectF& area, const HeatMapData& data) {
    p.save();
    p.fillRect(area, Qt::white);
    QString title = "Comparison matrix";
    if (!data.dataFile.empty()) {
        title += " of " + displayText(data.dataFile);
    }
    drawTitle(p, area, title,
              subtitle(data.cases, data.names.size(), "mean code of row against column species"));
    const std::size_t n = data.names.size();
    const double top = area.top() + kTitleHeight + 12;
    const double room = std::min(area.width() - kMargin - 24 - kKeyWidth, area.bottom() - 12 - top);
    if (n == 0 || room < 40) {
        p.setFont(chartFont(11));
        p.setPen(kInk);
        p.drawText(QRectF(area.left(), top, area.width(), 30), Qt::AlignCenter,
                   n == 0 ? "No species to show" : "Too small to draw");
        p.restore();
        return;
    }
    const HeatLayout l = heatLayout(data, room);
    const double side = l.cell * double(n);
    const QRectF matrix(area.left() + kMargin + l.label, top + l.label, side, side);

    // Pairs never compared show through where no cell is drawn.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(matrix, neverComparedColour());
    if (n <= kCellByCell) {
        for (const HeatMapData::Cell& c : data.cells) {
            p.fillRect(QRectF(matrix.left() + c.col * l.cell, matrix.top() + c.row * l.cell, l.cell,
                              l.cell),
                       meanCodeColour(c.mean));
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
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(matrix);

    // Names when they are readable, otherwise ranks at round steps.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setFont(l.font);
    const QFontMetricsF fm(l.font);
    const auto rowLabel = [&](std::size_t k, const QString& text) {
        const double y = matrix.top() + (double(k) + 0.5) * l.cell;
        p.drawText(QRectF(area.left() + kMargin, y - l.cell, l.label - 4, 2 * l.cell),
                   Qt::AlignRight | Qt::AlignVCenter,
                   fm.elidedText(text, Qt::ElideRight, l.label - 4));
        const double x = matrix.left() + (double(k) + 0.5) * l.cell;
        p.save();
        p.translate(x, matrix.top() - 4);
        p.rotate(-90);
        p.drawText(QRectF(0, -l.cell, l.label - 4, 2 * l.cell), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(text, Qt::ElideRight, l.label - 4));
        p.restore();
    };
    if (l.names) {
        for (std::size_t k = 0; k < n; ++k) {
            rowLabel(k, displayText(data.names[k]));
        }
    } else {
        std::size_t step = 1;
        for (const std::size_t s : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000}) {
            step = s;
            if (l.cell * double(s) >= 26) {
                break;
            }
        }
        p.setPen(QPen(kInk, 1));
        for (std::size_t k = step - 1; k < n; k += step) {
            const double y = matrix.top() + (double(k) + 0.5) * l.cell;
            const double x = matrix.left() + (double(k) + 0.5) * l.cell;
            p.drawLine(QPointF(matrix.left() - 3, y), QPointF(matrix.left(), y));
            p.drawLine(QPointF(x, matrix.top() - 3), QPointF(x, matrix.top()));
        }
        for (std::size_t k = step - 1; k < n; k += step) {
            const QString rank = QString::number(qulonglong(k + 1));
            const double y = matrix.top() + (double(k) + 0.5) * l.cell;
            p.drawText(QRectF(area.left() + kMargin, y - 8, l.label - 6, 16),
                       Qt::AlignRight | Qt::AlignVCenter, rank);
            const double x = matrix.left() + (double(k) + 0.5) * l.cell;
            p.drawText(QRectF(x - 20, matrix.top() - 20, 40, 16),
                       Qt::AlignHCenter | Qt::AlignBottom, rank);
        }
        p.setFont(chartFont(10));
        p.drawText(QRectF(area.left(), top - 2, kMargin + l.label - 4, 14), Qt::AlignRight, "rank");
    }

    // The key: the scale from 3 at the top to 1 at the bottom, then the never-compared swatch.
    const double keyX = matrix.right() + 24;
    const double barH = std::min(220.0, std::max(120.0, side * 0.6));
    const QRectF bar(keyX, matrix.top(), 16, barH);
    constexpr int kSlices = 64;
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int s = 0; s < kSlices; ++s) {
        const double code = 3.0 - 2.0 * (s + 0.5) / kSlices;
        p.fillRect(QRectF(bar.left(), bar.top() + bar.height() * s / kSlices, bar.width(),
                          bar.height() / kSlices + 0.5),
                   meanCodeColour(code));
    }
    p.setPen(QPen(kInk, 1));
    p.drawRect(bar);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setFont(chartFont(10));
    const QFontMetricsF km(p.font());
    const struct {
        double code;
        const char* text;
    } marks[] = {{3, "3  row always higher"}, {2, "2  tie"}, {1, "1  row always lower"}};
    for (const auto& m : marks) {
        const double y = bar.top() + (3.0 - m.code) / 2.0 * bar.height();
        p.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        p.drawText(QPointF(bar.right() + 7, y + km.ascent() / 2 - 1), m.text);
    }
    const QRectF swatch(bar.left(), bar.bottom() + 18, 16, 12);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(swatch, neverComparedColour());
    p.drawRect(swatch);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawText(QPointF(swatch.right() + 7, swatch.center().y() + km.ascent() / 2 - 1),
               "never compared");
    p.restore();
}

// --- Files -----------------------------------------------------------------------------------

std::optional<ChartFormat> chartFormatOf(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == "png") {
        return ChartFormat::Png;
    }
    if (ext == "svg") {
        return ChartFormat::Svg;
    }
    if (ext == "pdf") {
        return ChartFormat::Pdf;
    }
    return std::nullopt;
}

bool writeChart(const QString& fileName, QSize size, const ChartPainter& paint, QString* error,
                const QString& title) {
    const auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = "Cannot write the chart file \"" + fileName + "\": " + why;
        }
        return false;
    };
    const std::optional<ChartFormat> format = chartFormatOf(fileName);
    if (!format) {
        return fail("the name must end in .png, .svg or .pdf");
    }
    if (size.width() < 1 || size.height() < 1 || size.width() > 20000 || size.height() > 200000) {
        return fail(
            QString("a size of %1x%2 cannot be drawn").arg(size.width()).arg(size.height()));
    }
    const QRectF area(QPointF(0, 0), QSizeF(size));
    if (*format == ChartFormat::Png) {
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull()) {
            return fail("not enough memory for the image");
        }
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            paint(p, area);
        }
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return fail(file.errorString());
        }
        if (!image.save(&file, "PNG") || !file.flush()) {
            return fail(file.errorString());
        }
        file.close();
        return file.error() == QFileDevice::NoError || fail(file.errorString());
    }

    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return fail(file.errorString());
    }
    if (*format == ChartFormat::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(title);
        svg.setDescription("Drawn by sscm " SSCM_VERSION);
        QPainter p;
        if (!p.begin(&svg)) {
            return fail("the drawing could not start");
        }
        paint(p, area);
        p.end();
    } else {
        QPdfWriter pdf(&file);
        pdf.setResolution(72);
        pdf.setPageSize(
            QPageSize(QSizeF(size), QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(title);
        pdf.setCreator("sscm " SSCM_VERSION);
        QPainter p;
        if (!p.begin(&pdf)) {
            return fail("the drawing could not start");
        }
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, area);
        p.end();
    }
    if (!file.flush()) {
        return fail(file.errorString());
    }
    file.close();
    return file.error() == QFileDevice::NoError || fail(file.errorString());
}

} // namespace sscm
