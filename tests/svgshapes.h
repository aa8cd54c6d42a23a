#pragma once

// What a reader sees in an SVG file written by QSvgGenerator: its circles, rectangles, lines and
// texts, with the colours and transforms of their groups applied.

#include <vector>

#include <QColor>
#include <QFile>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QXmlStreamReader>

namespace sscm::test {

struct SvgShapes {
    struct Circle {
        QPointF centre;
        double r = 0;
        QColor fill;
    };
    struct Rect {
        QRectF box; ///< in page coordinates (axis-aligned transforms only)
        QColor fill;
    };
    struct Line {
        std::vector<QPointF> points;
        QColor stroke;
    };
    struct Text {
        QPointF at;
        QString text;
        double fontSize = 0;
        bool rotated = false;
    };
    std::vector<Circle> circles;
    std::vector<Rect> rects; ///< in drawing order: a later one lies on top
    std::vector<Line> lines;
    std::vector<Text> texts;
    bool ok = false;

    static SvgShapes read(const QString& fileName) {
        SvgShapes s;
        QFile f(fileName);
        if (!f.open(QIODevice::ReadOnly)) {
            return s;
        }
        struct Style {
            QColor fill;
            QColor stroke;
            QTransform t;
            double fontSize = 0;
        };
        std::vector<Style> stack{Style{}};
        QXmlStreamReader xml(&f);
        const auto colour = [](const QString& v, const QColor& inherited) {
            if (v.isEmpty()) {
                return inherited;
            }
            return v == "none" ? QColor() : QColor(v);
        };
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == QLatin1String("g")) {
                stack.pop_back();
                continue;
            }
            if (!xml.isStartElement()) {
                continue;
            }
            const auto a = xml.attributes();
            const auto num = [&](const char* name) { return a.value(name).toDouble(); };
            Style st = stack.back();
            st.fill = colour(a.value("fill").toString(), st.fill);
            st.stroke = colour(a.value("stroke").toString(), st.stroke);
            if (a.hasAttribute("font-size")) {
                st.fontSize = num("font-size");
            }
            if (xml.name() == QLatin1String("g")) {
                const QString m = a.value("transform").toString();
                if (m.startsWith("matrix(")) {
                    const QStringList v = m.mid(7, m.size() - 8).split(',');
                    if (v.size() == 6) {
                        st.t = QTransform(v[0].toDouble(), v[1].toDouble(), v[2].toDouble(),
                                          v[3].toDouble(), v[4].toDouble(), v[5].toDouble());
                    }
                }
                stack.push_back(st);
            } else if (xml.name() == QLatin1String("circle")) {
                s.circles.push_back({st.t.map(QPointF(num("cx"), num("cy"))), num("r"), st.fill});
            } else if (xml.name() == QLatin1String("ellipse")) {
                s.circles.push_back({st.t.map(QPointF(num("cx"), num("cy"))), num("rx"), st.fill});
            } else if (xml.name() == QLatin1String("rect")) {
                s.rects.push_back(
                    {st.t.mapRect(QRectF(num("x"), num("y"), num("width"), num("height"))),
                     st.fill});
            } else if (xml.name() == QLatin1String("polyline") ||
                       xml.name() == QLatin1String("line")) {
                Line l;
                l.stroke = st.stroke;
                if (xml.name() == QLatin1String("line")) {
                    l.points = {st.t.map(QPointF(num("x1"), num("y1"))),
                                st.t.map(QPointF(num("x2"), num("y2")))};
                } else {
                    for (const QString& pt :
                         a.value("points").toString().split(' ', Qt::SkipEmptyParts)) {
                        const QStringList xy = pt.split(',');
                        if (xy.size() == 2) {
                            l.points.push_back(
                                st.t.map(QPointF(xy[0].toDouble(), xy[1].toDouble())));
                        }
                    }
                }
                s.lines.push_back(l);
            } else if (xml.name() == QLatin1String("text")) {
                Text t;
                t.at = st.t.map(QPointF(num("x"), num("y")));
                t.fontSize = st.fontSize;
                t.rotated = st.t.m12() != 0;
                t.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                s.texts.push_back(t);
            }
        }
        s.ok = !xml.hasError();
        return s;
    }
};

} // namespace sscm::test
