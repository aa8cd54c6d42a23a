#include "charts/spectrumchart.h"

#include "analysis/rankorder.h"
#include "charts/chartstyle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QFontMetricsF>
#include <QPainter>

namespace sscm {

namespace {

/// Width the chart asks for.
constexpr int kNaturalWidth = 760;
/// Row heights: the least that keeps names readable, the natural one and the most.
constexpr double kMinRow = 11;
constexpr double kNaturalRow = 16;
constexpr double kMaxRow = 22;
/// Fewest rows the natural height makes room for.
constexpr double kNaturalMinRows = 8;
/// Band below the rows: tick marks, their labels, the axis title and the line on the values.
constexpr double kAxisHeight = 62;
/// Name font: the row height less this, within the smallest and largest pixel sizes.
constexpr double kNameFontInset = 3;
constexpr double kNameFontMin = 8;
constexpr double kNameFontMax = 12;
/// Share of the width the names may take at most, and the gap between them and the plot.
constexpr double kNameShare = 0.4;
constexpr double kNameGap = 10;
/// Room right of the value scale.
constexpr double kMarginRight = 18;
/// Room beyond the lowest and the highest value, as a share of their range.
constexpr double kValuePad = 0.04;
/// About one tick per this many pixels of the scale, at least two.
constexpr double kTickSpacing = 90;
constexpr int kMinTicks = 2;
/// Rows at least this tall get a guide line.
constexpr double kGuideMinRow = 9;
/// Marker radius and whisker cap half-height as shares of the row, within their bounds.
constexpr double kDotShare = 0.28;
constexpr double kDotMin = 2;
constexpr double kDotMax = 4;
constexpr double kCapShare = 0.3;
constexpr double kCapMin = 2;
constexpr double kCapMax = 4;
constexpr double kWhiskerWidth = 1.5;
/// The axis: its gap below the last row, tick length, the labels' gap below the axis, the title's
/// offset and height below it, and the font sizes of labels and title.
constexpr double kAxisGap = 4;
constexpr double kTickLength = 4;
constexpr double kTickLabelGap = 6;
constexpr double kAxisTitleOffset = 22;
constexpr double kAxisTitleHeight = 18;
constexpr double kTickFont = 10;
constexpr double kAxisTitleFont = 11;
/// The line under the axis title saying what the values are.
constexpr double kValueNoteHeight = 14;
constexpr double kValueNoteFont = 9;
const QString kValueNote = "unit-length eigenvector: compare species within one run";

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

/// Positions in data.rows shown, top to bottom, with -1 for the note of those left out: all of
/// them when they fit at the least row height, else as many of the top and the bottom as fit.
std::vector<std::int64_t> shownRows(std::size_t n, double plotHeight, SpectrumLayout& l) {
    std::vector<std::int64_t> shown;
    const auto fit = std::int64_t(std::max(3.0, std::floor(plotHeight / kMinRow)));
    if (std::int64_t(n) <= fit) {
        for (std::size_t i = 0; i < n; ++i) {
            shown.push_back(std::int64_t(i));
        }
        return shown;
    }
    const std::int64_t k = std::max<std::int64_t>(1, (fit - 1) / 2);
    for (std::int64_t i = 0; i < k; ++i) {
        shown.push_back(i);
    }
    shown.push_back(-1);
    for (std::int64_t i = std::int64_t(n) - k; i < std::int64_t(n); ++i) {
        shown.push_back(i);
    }
    l.hidden = std::int64_t(n) - 2 * k;
    l.hiddenFrom = k;
    return shown;
}

} // namespace

SpectrumChartData spectrumChartData(const AnalysisResult& result, const BootstrapResult* intervals,
                                    std::string_view dataFile, TextEncoding encoding,
                                    const BtRanking* model) {
    SpectrumChartData d;
    d.dataFile.assign(dataFile);
    d.cases = std::int32_t(result.casename.size());
    d.encoding = encoding;
    const std::size_t n = std::min(result.spname.size(), result.curvec.size());
    const bool withIntervals = intervals != nullptr && intervals->valueLo.size() == n &&
                               intervals->valueHi.size() == n && n > 0;
    // The abilities drawn where the least-squares line of the values on them puts them, so that
    // a species the two rankings place differently stands apart from its value marker.
    double slope = 0, intercept = 0;
    const bool withModel = model != nullptr && model->fit.ability.size() == n && n > 1 && [&] {
        double ma = 0, mv = 0;
        for (std::size_t i = 0; i < n; ++i) {
            ma += model->fit.ability[i];
            mv += result.curvec[i];
        }
        ma /= double(n);
        mv /= double(n);
        double sav = 0, saa = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double da = model->fit.ability[i] - ma;
            sav += da * (result.curvec[i] - mv);
            saa += da * da;
        }
        if (!(saa > 0))
            return false;
        slope = sav / saa;
        intercept = mv - slope * ma;
        return true;
    }();
    // Neighbours are told apart when one lies above the other in 95 % of the replicates.
    constexpr double kDistinguished = 0.95;
    bool anyClose = false;
    for (const std::int32_t k : rankOrder(result.curvec)) {
        const auto i = std::size_t(k);
        if (i >= n) {
            continue;
        }
        SpectrumRow row;
        row.name = result.spname[i];
        row.value = result.curvec[i];
        bool close = false;
        if (withIntervals) {
            row.lo = intervals->valueLo[i];
            row.hi = intervals->valueHi[i];
            // The bootstrap's order of the two is not sure either way.
            if (i < intervals->pAboveNext.size()) {
                const double p = intervals->pAboveNext[i];
                close = row.closeToNext = p > 1 - kDistinguished && p < kDistinguished;
            }
        }
        anyClose = anyClose || close;
        if (withModel)
            row.model = intercept + slope * model->fit.ability[i];
        d.rows.push_back(std::move(row));
    }
    if (withIntervals) {
        char note[200];
        std::snprintf(note, sizeof note,
                      "%g %% intervals, %d site bootstrap replicates (%d used)%s",
                      intervals->settings.level * 100.0, int(intervals->settings.replicates),
                      int(intervals->used), anyClose ? "; orange: not told apart" : "");
        d.intervalNote = note;
    }
    if (withModel) {
        d.intervalNote += std::string(d.intervalNote.empty() ? "" : "; ") + "green: Bradley-Terry";
    }
    return d;
}

QSize spectrumNaturalSize(const SpectrumChartData& data) {
    const auto rows = std::min<std::size_t>(data.rows.size(), kSpectrumFullRows + 1);
    const double plot = std::max<double>(kNaturalMinRows, double(rows)) * kNaturalRow;
    return QSize(kNaturalWidth,
                 int(std::ceil(kChartTitleHeight + kChartTitleGap + plot + kAxisHeight)));
}

SpectrumLayout spectrumLayout(const QRectF& area, const SpectrumChartData& data) {
    SpectrumLayout l;
    l.plotTop = area.top() + kChartTitleHeight + kChartTitleGap;
    l.plotBottom = area.bottom() - kAxisHeight;
    const std::size_t n = data.rows.size();
    if (n == 0 || l.plotBottom - l.plotTop < 3 * kMinRow) {
        l.note = n == 0 ? "No species to show" : "Too small to draw";
        l.noteBox = QRectF(area.left(), l.plotTop, area.width(), kChartNoteHeight);
        return l;
    }
    const std::vector<std::int64_t> shown = shownRows(n, l.plotBottom - l.plotTop, l);
    l.rowHeight = std::min(kMaxRow, (l.plotBottom - l.plotTop) / double(shown.size()));
    const double rowH = l.rowHeight;
    l.nameFont = std::clamp(rowH - kNameFontInset, kNameFontMin, kNameFontMax);
    QFont layoutFont = chartFont(l.nameFont);
    layoutFont.setItalic(data.italicNames);
    const QFontMetricsF nameMetrics(layoutFont);

    double nameWidth = 0;
    for (const std::int64_t s : shown) {
        if (s >= 0) {
            nameWidth = std::max(nameWidth, nameMetrics.horizontalAdvance(chartName(
                                                data.rows[std::size_t(s)].name, data.encoding)));
        }
    }
    l.nameWidth = std::min(nameWidth, area.width() * kNameShare);
    l.plotLeft = area.left() + kChartMargin + l.nameWidth + kNameGap;
    l.plotRight = area.right() - kMarginRight;

    double lo = data.rows.front().value;
    double hi = lo;
    for (const SpectrumRow& r : data.rows) {
        for (const double v : {r.value, r.lo, r.hi, r.model}) {
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    const double pad = (hi - lo) * kValuePad;
    const int target = std::max(kMinTicks, int((l.plotRight - l.plotLeft) / kTickSpacing));
    const Axis axis = niceAxis(lo - pad, hi + pad, target);
    const auto x = [&](double v) {
        return l.plotLeft + (v - axis.lo) / (axis.hi - axis.lo) * (l.plotRight - l.plotLeft);
    };

    l.guides = rowH >= kGuideMinRow;
    l.dot = std::clamp(rowH * kDotShare, kDotMin, kDotMax);
    const double cap = std::max(kCapMin, std::min(kCapMax, rowH * kCapShare));
    for (std::size_t s = 0; s < shown.size(); ++s) {
        SpectrumLayout::Row row;
        row.species = shown[s];
        row.y = l.plotTop + (double(s) + 0.5) * rowH;
        const double y = row.y;
        if (row.species < 0) {
            row.label = QRectF(area.left(), y - rowH / 2, area.width(), rowH);
            l.rows.push_back(row);
            continue;
        }
        const SpectrumRow& r = data.rows[std::size_t(row.species)];
        row.label = QRectF(area.left() + kChartMargin, y - rowH / 2, l.nameWidth, rowH);
        row.marker = QPointF(x(r.value), y);
        if (std::isfinite(r.lo) && std::isfinite(r.hi)) {
            row.whisker = true;
            row.interval = QLineF(QPointF(x(r.lo), y), QPointF(x(r.hi), y));
            row.loCap = QLineF(QPointF(x(r.lo), y - cap), QPointF(x(r.lo), y + cap));
            row.hiCap = QLineF(QPointF(x(r.hi), y - cap), QPointF(x(r.hi), y + cap));
        }
        if (std::isfinite(r.model)) {
            row.ring = true;
            row.modelMarker = QPointF(x(r.model), y);
        }
        const bool nextShown = s + 1 < shown.size() && shown[s + 1] == row.species + 1;
        if (r.closeToNext && nextShown) {
            const SpectrumRow& next = data.rows[std::size_t(row.species + 1)];
            row.link = true;
            row.linkLine = QLineF(row.marker, QPointF(x(next.value), y + rowH));
        }
        l.rows.push_back(row);
    }

    const double rowsBottom = l.plotTop + rowH * double(shown.size());
    const double axisY = std::min(l.plotBottom, rowsBottom + kAxisGap);
    l.axis = QLineF(QPointF(l.plotLeft, axisY), QPointF(l.plotRight, axisY));
    const QFontMetricsF tickMetrics(chartFont(kTickFont));
    for (const double t : axis.ticks) {
        SpectrumLayout::Tick tick;
        tick.value = t;
        tick.mark = QLineF(QPointF(x(t), axisY), QPointF(x(t), axisY + kTickLength));
        tick.label = QString::number(t, 'f', axis.decimals);
        const double w = tickMetrics.horizontalAdvance(tick.label);
        tick.labelAt = QPointF(x(t) - w / 2, axisY + kTickLabelGap + tickMetrics.ascent());
        l.ticks.push_back(tick);
    }
    l.axisTitle =
        QRectF(l.plotLeft, axisY + kAxisTitleOffset, l.plotRight - l.plotLeft, kAxisTitleHeight);
    return l;
}

void paintSpectrum(QPainter& p, const QRectF& area, const SpectrumChartData& data) {
    // A chart wider than its natural width is the natural chart enlarged: text, markers and
    // lines grow with the figure, and the rows spread over the height that is left.
    const double scale = area.width() / kNaturalWidth;
    if (scale > 1.0 + 1e-9) {
        p.save();
        p.translate(area.topLeft());
        p.scale(scale, scale);
        paintSpectrum(p, QRectF(0, 0, kNaturalWidth, area.height() / scale), data);
        p.restore();
        return;
    }
    const SpectrumLayout l = spectrumLayout(area, data);
    p.save();
    p.fillRect(area, Qt::white);
    QString title = "Palatability spectrum";
    if (!data.title.empty()) {
        title = QString::fromUtf8(data.title.data(), qsizetype(data.title.size()));
    } else if (!data.dataFile.empty()) {
        title += " of " + chartName(data.dataFile);
    }
    if (data.showTitle) {
        drawChartTitle(p, area, title,
                       chartSubtitle(data.cases, data.rows.size(), data.intervalNote));
    }
    if (!l.note.isEmpty()) {
        p.setFont(chartFont(kChartNoteFont));
        p.drawText(l.noteBox, Qt::AlignCenter, l.note);
        p.restore();
        return;
    }

    // Grid at the ticks, then one guide per row so the eye finds the name of a dot.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kChartGrid, 1));
    // The grid ends at the axis, where the plot ends.
    for (const SpectrumLayout::Tick& t : l.ticks) {
        p.drawLine(QPointF(t.mark.x1(), l.plotTop), QPointF(t.mark.x1(), l.axis.y1()));
    }
    if (l.guides) {
        p.setPen(QPen(kChartGuide, 1));
        for (const SpectrumLayout::Row& row : l.rows) {
            if (row.species >= 0) {
                p.drawLine(QPointF(l.plotLeft, row.y), QPointF(l.plotRight, row.y));
            }
        }
    }
    p.setRenderHint(QPainter::Antialiasing, true);

    QFont nameFont = chartFont(l.nameFont);
    nameFont.setItalic(data.italicNames);
    const QFontMetricsF nameMetrics(nameFont);
    for (const SpectrumLayout::Row& row : l.rows) {
        if (row.species < 0) {
            QFont f = nameFont;
            f.setItalic(true);
            p.setFont(f);
            p.setPen(kChartInk);
            p.drawText(row.label, Qt::AlignCenter,
                       QString("\u2026 %1 species not shown (ranks %2\u2013%3) \u2026")
                           .arg(thousands(l.hidden), thousands(l.hiddenFrom + 1),
                                thousands(l.hiddenFrom + l.hidden)));
            continue;
        }
        const SpectrumRow& r = data.rows[std::size_t(row.species)];
        p.setFont(nameFont);
        p.setPen(kChartInk);
        p.drawText(
            row.label, Qt::AlignRight | Qt::AlignVCenter,
            nameMetrics.elidedText(chartName(r.name, data.encoding), Qt::ElideRight, l.nameWidth));
        if (row.link) {
            p.setPen(QPen(kChartCloseLink, kWhiskerWidth, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(row.linkLine);
        }
        if (row.whisker) {
            p.setPen(QPen(kChartWhisker, kWhiskerWidth, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(row.interval);
            p.drawLine(row.loCap);
            p.drawLine(row.hiCap);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(kChartInk);
        p.drawEllipse(row.marker, l.dot, l.dot);
        p.setBrush(Qt::NoBrush);
        if (row.ring) {
            p.setPen(QPen(kChartModel, kWhiskerWidth));
            p.drawEllipse(row.modelMarker, l.dot * 1.4, l.dot * 1.4);
        }
    }

    // The value axis below the rows.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kChartInk, 1));
    p.drawLine(l.axis);
    p.setFont(chartFont(kTickFont));
    for (const SpectrumLayout::Tick& t : l.ticks) {
        p.drawLine(t.mark);
        p.drawText(t.labelAt, t.label);
    }
    p.setFont(chartFont(kAxisTitleFont));
    p.drawText(l.axisTitle, Qt::AlignCenter,
               data.rows.size() > 1 || data.intervalNote.empty()
                   ? "Palatability value (most palatable at the top)"
                   : "Palatability value");
    p.setFont(chartFont(kValueNoteFont));
    p.setPen(kChartInk.lighter(160));
    p.drawText(
        QRectF(l.axisTitle.left(), l.axisTitle.bottom(), l.axisTitle.width(), kValueNoteHeight),
        Qt::AlignCenter, kValueNote);
    p.restore();
}

} // namespace sscm
