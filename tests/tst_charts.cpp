// The charts drawn offscreen into files and read back as a reader would see them: markers,
// whiskers and axis ticks of the spectrum, cell colours of the heat map, files that open.

#include "charts/charts.h"
#include "svgshapes.h"
#include "tempdir.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using sscm::test::SvgShapes;

/// A finished run of five species over three cases, written by hand: values with a tie (Carex
/// and Briza), two pairs never compared (Poa-Briza, Carex-Poa in neither direction).
sscm::AnalysisResult handResult() {
    sscm::AnalysisResult r;
    r.casename = {"S1", "S2", "S3"};
    r.spname = {"Poa", "Carex", "Festuca", "Briza", "Luzula"};
    r.curvec = {0.2, 0.5, 0.7, 0.5, 0.1};
    // Pairs row by row in kept order; i compared with itself gives 2.
    const std::vector<std::vector<std::pair<int, double>>> rows = {
        {{0, 2}, {2, 1}, {4, 3}},
        {{1, 2}, {2, 1.5}, {3, 2.25}},
        {{0, 3}, {1, 2.5}, {2, 2}, {3, 2.75}, {4, 3}},
        {{1, 1.75}, {2, 1.25}, {3, 2}},
        {{0, 1}, {2, 1}, {4, 2}},
    };
    r.pairs.n = 5;
    r.pairs.start.push_back(0);
    for (const auto& row : rows) {
        for (const auto& [j, m] : row) {
            r.pairs.col.push_back(j);
            r.pairs.mean.push_back(m);
            r.pairs.count.push_back(1);
        }
        r.pairs.start.push_back(std::int64_t(r.pairs.col.size()));
    }
    return r;
}

sscm::BootstrapResult handIntervals() {
    sscm::BootstrapResult b;
    b.settings.replicates = 200;
    b.settings.level = 0.9;
    b.used = 198;
    b.valueLo = {0.12, 0.41, 0.62, 0.33, 0.02};
    b.valueHi = {0.29, 0.58, 0.81, 0.55, 0.16};
    return b;
}

class ChartsTest : public sscm::test::TempDirTest {
protected:
    static const QColor kDot;
    static const QColor kWhisker;

    static SvgShapes spectrumSvg(const sscm::SpectrumChartData& d, QSize size, const char* file) {
        QString error;
        EXPECT_TRUE(sscm::writeChart(
            file, size, [&](QPainter& p, const QRectF& r) { sscm::paintSpectrum(p, r, d); },
            &error))
            << error.toStdString();
        SvgShapes s = SvgShapes::read(file);
        EXPECT_TRUE(s.ok);
        return s;
    }
    static std::vector<SvgShapes::Circle> markers(const SvgShapes& s) {
        std::vector<SvgShapes::Circle> out;
        for (const auto& c : s.circles) {
            if (c.fill == kDot) {
                out.push_back(c);
            }
        }
        std::sort(out.begin(), out.end(),
                  [](const auto& a, const auto& b) { return a.centre.y() < b.centre.y(); });
        return out;
    }
    /// The value axis as a reader reads it: the numbers under the tick marks, paired left to
    /// right, give the x of any value.
    struct Scale {
        double x0 = 0, v0 = 0, x1 = 1, v1 = 1;
        double x(double v) const { return x0 + (v - v0) / (v1 - v0) * (x1 - x0); }
    };
    static Scale axisScale(const SvgShapes& s) {
        double axisY = -1;
        for (const auto& l : s.lines) {
            if (l.stroke == kDot && l.points.size() == 2 && l.points[0].y() == l.points[1].y()) {
                axisY = std::max(axisY, l.points[0].y());
            }
        }
        std::vector<double> tickX;
        for (const auto& l : s.lines) {
            if (l.stroke == kDot && l.points.size() == 2 && l.points[0].x() == l.points[1].x() &&
                std::abs(std::min(l.points[0].y(), l.points[1].y()) - axisY) < 0.01) {
                tickX.push_back(l.points[0].x());
            }
        }
        std::vector<std::pair<double, double>> labels; // x, value
        for (const auto& t : s.texts) {
            bool isNumber = false;
            const double v = t.text.toDouble(&isNumber);
            if (isNumber && t.at.y() > axisY && t.at.y() < axisY + 20) {
                labels.push_back({t.at.x(), v});
            }
        }
        std::sort(tickX.begin(), tickX.end());
        std::sort(labels.begin(), labels.end());
        EXPECT_GE(tickX.size(), 3u);
        EXPECT_EQ(tickX.size(), labels.size());
        if (tickX.size() < 2 || tickX.size() != labels.size()) {
            return {};
        }
        // Labels are centred on their ticks and increase to the right.
        for (std::size_t k = 1; k < labels.size(); ++k) {
            EXPECT_GT(labels[k].second, labels[k - 1].second);
            EXPECT_LT(labels[k - 1].first, tickX[k]);
        }
        return {tickX.front(), labels.front().second, tickX.back(), labels.back().second};
    }
};
const QColor ChartsTest::kDot(0x20, 0x20, 0x20);
const QColor ChartsTest::kWhisker(0x3b, 0x6e, 0xa8);

TEST_F(ChartsTest, SpectrumShowsOneMarkerPerSpeciesInRankOrderWithWhiskersOnTheAxisScale) {
    const sscm::AnalysisResult r = handResult();
    const sscm::BootstrapResult b = handIntervals();
    const sscm::SpectrumChartData d =
        sscm::spectrumChartData(r, &b, "plots.csv", sscm::TextEncoding::Utf8);
    const SvgShapes s = spectrumSvg(d, sscm::spectrumNaturalSize(d), "spectrum.svg");

    const std::vector<SvgShapes::Circle> dots = markers(s);
    ASSERT_EQ(dots.size(), 5u);
    const Scale scale = axisScale(s);
    const std::vector<QString> names = {"Festuca", "Carex", "Briza", "Poa", "Luzula"};
    const std::vector<double> value = {0.7, 0.5, 0.5, 0.2, 0.1};
    const std::vector<double> lo = {0.62, 0.41, 0.33, 0.12, 0.02};
    const std::vector<double> hi = {0.81, 0.58, 0.55, 0.29, 0.16};
    for (std::size_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(names[k].toStdString());
        const double y = dots[k].centre.y();
        EXPECT_NEAR(dots[k].centre.x(), scale.x(value[k]), 0.5);
        // The name on the marker's row.
        int named = 0;
        for (const auto& t : s.texts) {
            if (t.text == names[k]) {
                ++named;
                EXPECT_LT(t.at.x(), dots[k].centre.x());
                EXPECT_NEAR(t.at.y() - t.fontSize * 0.35, y, t.fontSize * 0.6);
            }
        }
        EXPECT_EQ(named, 1);
        // The whisker: a horizontal stroke through the marker from lo to hi.
        int whiskers = 0;
        for (const auto& l : s.lines) {
            if (l.stroke == kWhisker && l.points.size() == 2 &&
                std::abs(l.points[0].y() - y) < 0.01 && std::abs(l.points[1].y() - y) < 0.01) {
                ++whiskers;
                const double left = std::min(l.points[0].x(), l.points[1].x());
                const double right = std::max(l.points[0].x(), l.points[1].x());
                EXPECT_NEAR(left, scale.x(lo[k]), 0.5);
                EXPECT_NEAR(right, scale.x(hi[k]), 0.5);
            }
        }
        EXPECT_EQ(whiskers, 1);
    }
    // The title names the data file, the cases and the species.
    bool titled = false;
    bool counted = false;
    for (const auto& t : s.texts) {
        titled = titled || t.text.contains("plots.csv");
        counted = counted || t.text.startsWith("3 cases, 5 species");
    }
    EXPECT_TRUE(titled);
    EXPECT_TRUE(counted);
}

TEST_F(ChartsTest, WhiskerCapsStandAcrossTheRowAtTheIntervalEnds) {
    const sscm::AnalysisResult r = handResult();
    const sscm::BootstrapResult b = handIntervals();
    const sscm::SpectrumChartData d =
        sscm::spectrumChartData(r, &b, "plots.csv", sscm::TextEncoding::Utf8);
    const sscm::SpectrumLayout l = sscm::spectrumLayout(QRectF(0, 0, 760, 400), d);
    ASSERT_TRUE(l.note.isEmpty());
    ASSERT_GE(l.ticks.size(), 2u);
    // The scale as the tick marks give it.
    const auto& first = l.ticks.front();
    const auto& last = l.ticks.back();
    const auto x = [&](double v) {
        return first.mark.x1() +
               (v - first.value) / (last.value - first.value) * (last.mark.x1() - first.mark.x1());
    };
    // Rank order Festuca, Carex, Briza, Poa, Luzula.
    const std::vector<double> lo = {0.62, 0.41, 0.33, 0.12, 0.02};
    const std::vector<double> hi = {0.81, 0.58, 0.55, 0.29, 0.16};
    ASSERT_EQ(l.rows.size(), 5u);
    for (std::size_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        const auto& row = l.rows[k];
        ASSERT_TRUE(row.whisker);
        for (const auto& [cap, v] : {std::pair{row.loCap, lo[k]}, std::pair{row.hiCap, hi[k]}}) {
            EXPECT_NEAR(cap.x1(), x(v), 1e-9);
            EXPECT_NEAR(cap.x2(), x(v), 1e-9);
            EXPECT_NEAR((cap.y1() + cap.y2()) / 2, row.y, 1e-9);
            EXPECT_GT(std::abs(cap.y2() - cap.y1()), 2.0);
        }
    }
}

// Neighbours whose order the bootstrap leaves open (p_above_next between 0.05 and 0.95) are
// joined marker to marker; the others, and the last species, are not.
TEST_F(ChartsTest, NeighboursNotToldApartAreJoined) {
    const sscm::AnalysisResult r = handResult();
    sscm::BootstrapResult b = handIntervals();
    // Kept order Poa, Carex, Festuca, Briza, Luzula; ranked Festuca, Carex, Briza, Poa, Luzula.
    b.pAboveNext = {0.97, 0.55, 0.99, 0.5, std::nan("")};
    const sscm::SpectrumChartData d =
        sscm::spectrumChartData(r, &b, "plots.csv", sscm::TextEncoding::Utf8);
    const SvgShapes s = spectrumSvg(d, sscm::spectrumNaturalSize(d), "close.svg");
    const std::vector<SvgShapes::Circle> dots = markers(s);
    ASSERT_EQ(dots.size(), 5u);
    std::vector<std::size_t> joined; // the upper row of each joined pair
    for (const auto& l : s.lines) {
        if (l.stroke != QColor(0xd0, 0x7a, 0x2a) || l.points.size() != 2)
            continue;
        for (std::size_t k = 0; k + 1 < dots.size(); ++k)
            if (QLineF(l.points[0], dots[k].centre).length() < 0.5 &&
                QLineF(l.points[1], dots[k + 1].centre).length() < 0.5)
                joined.push_back(k);
    }
    std::sort(joined.begin(), joined.end());
    EXPECT_EQ(joined, (std::vector<std::size_t>{1, 2})); // Carex-Briza, Briza-Poa
    EXPECT_NE(d.intervalNote.find("; orange: not told apart"), std::string::npos);
}

// The model's rings sit where the least-squares line of the values on the abilities puts
// them: abilities that are a straight-line function of the values fall on the value markers;
// a species the model places apart from the line stands apart from its marker.
TEST_F(ChartsTest, ModelRingsOnTheValueScale) {
    const sscm::AnalysisResult r = handResult(); // values 0.2, 0.5, 0.7, 0.5, 0.1
    sscm::BtRanking bt;
    bt.fit.ability = {-0.4, 0.2, 0.6, 0.2, -0.6}; // 2 * value - 0.8
    auto rings = [&](const sscm::BtRanking& model) {
        const sscm::SpectrumChartData d =
            sscm::spectrumChartData(r, nullptr, "plots.csv", sscm::TextEncoding::Utf8, &model);
        EXPECT_NE(d.intervalNote.find("green: Bradley-Terry"), std::string::npos);
        return sscm::spectrumLayout(QRectF(0, 0, 760, 400), d);
    };
    const sscm::SpectrumLayout on = rings(bt);
    ASSERT_EQ(on.rows.size(), 5u);
    for (const auto& row : on.rows) {
        ASSERT_TRUE(row.ring);
        EXPECT_NEAR(row.modelMarker.x(), row.marker.x(), 1e-9);
        EXPECT_EQ(row.modelMarker.y(), row.marker.y());
    }
    // Poa (last but one) ranked above Carex and Briza by the model: its ring moves right of
    // its marker.
    bt.fit.ability[0] = 0.4;
    const sscm::SpectrumLayout apart = rings(bt);
    EXPECT_GT(apart.rows[3].modelMarker.x(), apart.rows[3].marker.x() + 10);
    EXPECT_TRUE(sscm::spectrumChartData(r, nullptr, "plots.csv", sscm::TextEncoding::Utf8)
                    .intervalNote.empty());
}

TEST_F(ChartsTest, EveryNameIsShownInTheDataEncoding) {
    // "G\xC3\xA4nse" is valid UTF-8 ("Gänse"), "Br\xFBm" is not; read as the Latin-1 of the
    // data, the first shows its two bytes as two letters.
    sscm::SpectrumChartData d;
    d.rows = {{"G\xC3\xA4nse", 0.6}, {"Br\xFBm", 0.4}};
    d.encoding = sscm::TextEncoding::Latin1;
    const SvgShapes s = spectrumSvg(d, sscm::spectrumNaturalSize(d), "latin1.svg");
    int found = 0;
    for (const auto& t : s.texts) {
        found += t.text == QString("G\u00C3\u00A4nse") || t.text == QString("Br\u00FBm");
    }
    EXPECT_EQ(found, 2);
}

TEST_F(ChartsTest, ThousandsOfSpeciesShowTheTopAndBottomWithReadableNames) {
    sscm::SpectrumChartData d;
    d.dataFile = "big.csv";
    const int n = 3000;
    for (int k = 0; k < n; ++k) {
        d.rows.push_back({"sp" + std::to_string(k), 1.0 - k / double(n)});
    }
    const QSize size = sscm::spectrumNaturalSize(d);
    EXPECT_LT(size.height(), 6000);
    const SvgShapes s = spectrumSvg(d, size, "big.svg");
    const std::vector<SvgShapes::Circle> dots = markers(s);
    ASSERT_GT(dots.size(), 100u);
    ASSERT_LT(dots.size(), std::size_t(n));
    EXPECT_EQ(dots.size() % 2, 0u);
    // The first and last species are there, and what is left out is said.
    std::map<QString, const SvgShapes::Text*> byText;
    bool note = false;
    for (const auto& t : s.texts) {
        byText[t.text] = &t;
        note = note || t.text.contains(QLocale(QLocale::English).toString(n - int(dots.size())) +
                                       " species not shown");
    }
    EXPECT_TRUE(note);
    ASSERT_TRUE(byText.count("sp0"));
    ASSERT_TRUE(byText.count("sp2999"));
    EXPECT_GE(byText["sp0"]->fontSize, 8);
    EXPECT_LT(byText["sp0"]->at.y(), byText["sp2999"]->at.y());

    // A short page keeps the names readable by showing fewer of them.
    const SvgShapes small = spectrumSvg(d, QSize(600, 400), "small.svg");
    const std::vector<SvgShapes::Circle> few = markers(small);
    ASSERT_GE(few.size(), 10u);
    for (std::size_t k = 1; k < few.size(); ++k) {
        EXPECT_GE(few[k].centre.y() - few[k - 1].centre.y(), 10.9);
    }
}

TEST_F(ChartsTest, HeatMapCellsTakeTheColourOfTheirMeanCode) {
    const sscm::HeatMapData h =
        sscm::heatMapData(handResult(), "plots.csv", sscm::TextEncoding::Utf8);
    QString error;
    ASSERT_TRUE(sscm::writeChart(
        "heat.svg", sscm::heatMapNaturalSize(h),
        [&](QPainter& p, const QRectF& r) { sscm::paintHeatMap(p, r, h); }, &error))
        << error.toStdString();
    const SvgShapes s = SvgShapes::read("heat.svg");
    ASSERT_TRUE(s.ok);
    // The matrix: the largest never-compared rectangle, five cells a side.
    QRectF matrix;
    for (const auto& r : s.rects) {
        if (r.fill == sscm::neverComparedColour() &&
            r.box.width() * r.box.height() > matrix.width() * matrix.height()) {
            matrix = r.box;
        }
    }
    ASSERT_GT(matrix.width(), 50);
    EXPECT_NEAR(matrix.width(), matrix.height(), 0.01);
    const double cell = matrix.width() / 5;
    const auto seen = [&](int row, int col) {
        const QPointF at(matrix.left() + (col + 0.5) * cell, matrix.top() + (row + 0.5) * cell);
        QColor top;
        for (const auto& r : s.rects) {
            if (r.box.contains(at) && r.fill.isValid()) {
                top = r.fill;
            }
        }
        return top;
    };
    // Rank order Festuca, Carex, Briza, Poa, Luzula on both axes.
    EXPECT_EQ(seen(0, 4), QColor(0x67, 0x00, 0x1f)); // Festuca always above Luzula: 3
    EXPECT_EQ(seen(4, 0), QColor(0x05, 0x30, 0x61)); // Luzula always below Festuca: 1
    EXPECT_EQ(seen(0, 0), QColor(0xf7, 0xf7, 0xf7)); // a tie
    EXPECT_EQ(seen(1, 2), sscm::meanCodeColour(2.25));
    // Carex against Briza, 2.25: 6.25 steps into the ten between the scale's eleven colours, a
    // quarter of the way from fddbc7 to f4a582 (rounded half away from zero): fb ce b6.
    EXPECT_EQ(seen(1, 2), QColor(0xfb, 0xce, 0xb6));
    EXPECT_EQ(seen(2, 3), sscm::neverComparedColour()); // Briza and Poa never met
    EXPECT_EQ(seen(3, 1), sscm::neverComparedColour());
    // Row names on the left in rank order.
    std::vector<std::pair<double, QString>> left;
    for (const auto& t : s.texts) {
        if (!t.rotated && t.at.x() < matrix.left() && t.at.y() > matrix.top()) {
            left.push_back({t.at.y(), t.text});
        }
    }
    std::sort(left.begin(), left.end());
    ASSERT_EQ(left.size(), 5u);
    EXPECT_EQ(left[0].second, "Festuca");
    EXPECT_EQ(left[2].second, "Briza");
    EXPECT_EQ(left[4].second, "Luzula");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
