#include "charts/chartstyle.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QStringDecoder>

namespace sscm {

namespace {

// The title lines: the first one's inset from the top and height, the second one's offset.
constexpr double kTitleTop = 6;
constexpr double kTitleLine = 20;
constexpr double kSubtitleOffset = 19;
constexpr double kTitleFont = 14;
constexpr double kSubtitleFont = 11;

} // namespace

QString displayText(std::string_view bytes, TextEncoding encoding) {
    const auto size = qsizetype(bytes.size());
    switch (encoding) {
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

QString displayText(std::string_view bytes) {
    return displayText(bytes, guessEncoding(bytes));
}

namespace {

QString withoutControls(QString text) {
    for (qsizetype k = text.size() - 1; k >= 0; --k) {
        const char16_t c = text[k].unicode();
        if (c < 0x20 || c == 0x7f)
            text.replace(k, 1,
                         c == 0 ? QString("\\0") : QString("\\x%1").arg(int(c), 2, 16, QChar('0')));
    }
    return text;
}

} // namespace

QString chartName(std::string_view bytes, TextEncoding encoding) {
    return withoutControls(displayText(bytes, encoding));
}

QString chartName(std::string_view bytes) {
    return withoutControls(displayText(bytes));
}

QFont chartFont(double pixels, bool bold) {
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

QString chartSubtitle(std::int32_t cases, std::size_t species, const std::string& extra) {
    QString s = thousands(cases) + (cases == 1 ? " case, " : " cases, ") +
                thousands(qint64(species)) + (species == 1 ? " species" : " species");
    if (!extra.empty()) {
        s += "; " + QString::fromStdString(extra);
    }
    return s;
}

void drawChartTitle(QPainter& p, const QRectF& area, const QString& title, const QString& sub) {
    const QRectF box(area.left() + kChartMargin, area.top() + kTitleTop,
                     area.width() - 2 * kChartMargin, kTitleLine);
    p.setPen(kChartInk);
    p.setFont(chartFont(kTitleFont, true));
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(p.font()).elidedText(title, Qt::ElideMiddle, box.width()));
    p.setFont(chartFont(kSubtitleFont));
    const QRectF line2 = box.translated(0, kSubtitleOffset);
    p.drawText(line2, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(p.font()).elidedText(sub, Qt::ElideRight, line2.width()));
}

} // namespace sscm
