#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace sscm {

class PendingFiles;

/// Files the charts are written to, chosen by the name's extension (.png, .svg, .pdf; any case).
enum class ChartFormat { Png, Svg, Pdf };
std::optional<ChartFormat> chartFormatOf(const QString& fileName);

using ChartPainter = std::function<void(QPainter&, const QRectF&)>;

/// Paints a chart of `size` pixels (points in a PDF) in `format` into `bytes`. Needs a
/// QGuiApplication, but no display. False with `error` set to the reason when the size cannot
/// be drawn or the image not encoded. With a resolution `dpi` the chart is a print of `size`
/// pixels at `dpi`: a PNG records the resolution, an SVG and a PDF take the physical size.
bool renderChart(ChartFormat format, QSize size, const ChartPainter& paint, QByteArray& bytes,
                 QString* error, const QString& title = QString(), int dpi = 0);

/// Paints a chart of `size` pixels (points in a PDF) into `fileName`, in the format its
/// extension names, and writes it whole through the one file-writing rule. False with `error`
/// set (naming the file and the reason) when the extension is not known, the size cannot be
/// drawn or the file cannot be written; an earlier file of that name is then kept. With
/// `pending` the file is only written, and put in place with the rest of a run's files.
bool writeChart(const QString& fileName, QSize size, const ChartPainter& paint, QString* error,
                const QString& title = QString(), int dpi = 0, PendingFiles* pending = nullptr);

/// A print size: `width` x `height` in millimetres or inches at `dpi` dots per inch, as pixels
/// (rounded to the nearest whole pixel: 170 x 100 mm at 300 dpi is 2008 x 1181).
QSize printPixels(double width, double height, bool inches, int dpi);

} // namespace sscm
