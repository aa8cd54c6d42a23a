#pragma once

#include "data/textencoding.h"

#include <cstdint>
#include <string>
#include <string_view>

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace sscm {

/// A name from a data file as it is shown: its bytes decoded in `encoding` (CP932 bytes that are
/// well formed but name no character fall back to Latin-1). The bytes themselves are kept
/// wherever a name is written to a file.
QString displayText(std::string_view bytes, TextEncoding encoding);
/// The same in the encoding guessed from these bytes alone (guessEncoding): for a text that is
/// not one of a data file's names, such as the file's own name.
QString displayText(std::string_view bytes);

/// A name as a chart shows it: as displayText gives it, with control characters written out
/// ("\x1b", "\0"), which no font draws and which no SVG file may hold.
QString chartName(std::string_view bytes, TextEncoding encoding);
QString chartName(std::string_view bytes);

// What both charts share: fonts, ink, the two title lines.

/// Colours a reader tells apart in print and on screen.
inline const QColor kChartInk(0x20, 0x20, 0x20);
inline const QColor kChartGrid(0xe4, 0xe4, 0xe4);
inline const QColor kChartGuide(0xf2, 0xf2, 0xf2);
inline const QColor kChartWhisker(0x3b, 0x6e, 0xa8);
/// The line joining two neighbours of the spectrum that the bootstrap does not tell apart.
inline const QColor kChartCloseLink(0xd0, 0x7a, 0x2a);
/// The ring of a species' Bradley–Terry ability beside its value marker.
inline const QColor kChartModel(0x2a, 0x9d, 0x5c);

/// Room around the chart, and the band of its two title lines above the plot.
inline constexpr double kChartMargin = 10;
inline constexpr double kChartTitleHeight = 44;
/// Gap between the title band and the plot.
inline constexpr double kChartTitleGap = 12;
/// Size of the note drawn instead of a plot ("No species to show").
inline constexpr double kChartNoteHeight = 30;
inline constexpr double kChartNoteFont = 11;

/// The sans-serif chart font at `pixels` (rounded, at least 1).
QFont chartFont(double pixels, bool bold = false);
/// The number with thousands separated by commas.
QString thousands(qint64 n);
/// The second title line: "12 cases, 40 species" and `extra` after a semicolon.
QString chartSubtitle(std::int32_t cases, std::size_t species, const std::string& extra);
/// The title, bold, and the subtitle below it, each shortened to fit the area.
void drawChartTitle(QPainter& p, const QRectF& area, const QString& title, const QString& sub);

} // namespace sscm
