#include "charts/chartfile.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace sscm {

namespace {

/// The largest chart drawn, in pixels (points in a PDF): wide enough for any screen, high
/// enough for a spectrum of every species.
constexpr int kMaxWidth = 20000;
constexpr int kMaxHeight = 200000;

} // namespace

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
    if (size.width() < 1 || size.height() < 1 || size.width() > kMaxWidth ||
        size.height() > kMaxHeight) {
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
