#include "charts/chartfile.h"

#include "charts/chartstyle.h"
#include "data/freshfile.h"

#include <cmath>
#include <string_view>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
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

QSize printPixels(double width, double height, bool inches, int dpi) {
    const double perUnit = inches ? dpi : dpi / 25.4;
    return QSize(int(std::lround(width * perUnit)), int(std::lround(height * perUnit)));
}

bool renderChart(ChartFormat format, QSize size, const ChartPainter& paint, QByteArray& bytes,
                 QString* error, const QString& title, int dpi) {
    const auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (size.width() < 1 || size.height() < 1 || size.width() > kMaxWidth ||
        size.height() > kMaxHeight) {
        return fail(
            QString("a size of %1x%2 cannot be drawn").arg(size.width()).arg(size.height()));
    }
    // With no font installed Qt still draws, every letter as an empty box: a chart of boxes that
    // looks like a success. Refused instead, naming what to install.
    if (QFontDatabase::families().isEmpty() || !QFontMetricsF(chartFont(12)).inFontUcs4('A')) {
        return fail("no font was found to draw its text with (install one, such as DejaVu Sans: "
                    "fonts-dejavu-core on Debian)");
    }
    bytes.clear();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    if (format == ChartFormat::Png) {
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull()) {
            return fail("not enough memory for the image");
        }
        image.fill(Qt::white);
        if (dpi > 0) {
            const int perMetre = int(std::lround(dpi / 0.0254));
            image.setDotsPerMeterX(perMetre);
            image.setDotsPerMeterY(perMetre);
        }
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            paint(p, area);
        }
        return image.save(&buffer, "PNG") || fail("the image could not be encoded");
    }
    if (format == ChartFormat::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        if (dpi > 0) {
            svg.setResolution(dpi); // the width and height in millimetres follow
        }
        svg.setTitle(title);
        svg.setDescription("Drawn by sscm " SSCM_VERSION);
        QPainter p;
        if (!p.begin(&svg)) {
            return fail("the drawing could not start");
        }
        paint(p, area);
        p.end();
        return true;
    }
    QPdfWriter pdf(&buffer);
    // Without a resolution a pixel is a point; with one, the page has the print's size.
    const int resolution = dpi > 0 ? dpi : 72;
    pdf.setResolution(resolution);
    pdf.setPageSize(QPageSize(QSizeF(size) * (72.0 / resolution), QPageSize::Point, QString(),
                              QPageSize::ExactMatch));
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
    return true;
}

bool writeChart(const QString& fileName, QSize size, const ChartPainter& paint, QString* error,
                const QString& title, int dpi, PendingFiles* pending) {
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
    QByteArray bytes;
    QString why;
    if (!renderChart(*format, size, paint, bytes, &why, title, dpi)) {
        return fail(why);
    }
    // Written whole as every other output: a ".part" file renamed once complete, never through
    // a link planted under the name, the earlier chart kept when the write fails.
    const std::string path = QFile::encodeName(fileName).toStdString();
    const std::string_view data(bytes.constData(), std::size_t(bytes.size()));
    const Status st = pending != nullptr ? pending->write(path, data, "chart file")
                                         : writeWhole(path, data, "chart file");
    if (!st && error != nullptr) {
        *error = QFile::decodeName(QByteArray::fromStdString(st.message));
    }
    return st.isOk();
}

} // namespace sscm
