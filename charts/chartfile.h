#pragma once

#include <functional>
#include <optional>

#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace sscm {

/// Files the charts are written to, chosen by the name's extension (.png, .svg, .pdf; any case).
enum class ChartFormat { Png, Svg, Pdf };
std::optional<ChartFormat> chartFormatOf(const QString& fileName);

using ChartPainter = std::function<void(QPainter&, const QRectF&)>;

/// Paints a chart of `size` pixels (points in a PDF) into `fileName`, in the format its
/// extension names. Needs a QGuiApplication, but no display. False with `error` set when the
/// extension is not known or the file cannot be written.
bool writeChart(const QString& fileName, QSize size, const ChartPainter& paint, QString* error,
                const QString& title = QString());

} // namespace sscm
