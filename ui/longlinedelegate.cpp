#include "ui/longlinedelegate.h"

#include <algorithm>
#include <cmath>

#include <QAbstractItemView>
#include <QListWidget>
#include <QPainter>
#include <QStyle>

namespace sscm {

quint64 nextLongLineId() {
    static quint64 last = 0;
    return ++last;
}

QSize listItemSize(const QListWidget* l, const QString& text) {
    // A line of the occurrence listing holds a count for every case: tens of thousands of
    // characters, which take milliseconds to measure. Such a line is sized from samples spread
    // over it, with a margin: the list only needs it to scroll far enough.
    constexpr qsizetype kSamples = 8;
    constexpr qsizetype kSample = 64;
    const QFontMetrics fm(l->font());
    int width = 0;
    if (text.size() <= kLongLine) {
        width = fm.horizontalAdvance(text);
    } else {
        qreal sampled = 0;
        for (qsizetype k = 0; k < kSamples; ++k) {
            sampled += fm.horizontalAdvance(
                text.mid(k * (text.size() - kSample) / (kSamples - 1), kSample));
        }
        width = int(std::ceil(sampled / double(kSamples * kSample) * double(text.size()) * 1.01));
    }
    return QSize(width + 6, fm.height() + 2);
}

void LongLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QVariant id = index.data(kLineIdRole);
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (!id.isValid() || view == nullptr) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    QStyle* style = view->style();
    // Background, selection and focus frame, without the text.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);

    bool fresh = false;
    const Pieces& pieces = measure(id.toULongLong(), text, opt.font, fresh);
    if (fresh) {
        // The line's size was estimated; now that it is measured, the list scrolls exactly
        // to its end. Changed after this paint, not within it.
        const QSize exact(int(std::ceil(pieces.back().second)) + 6, opt.rect.height());
        if (exact != index.data(Qt::SizeHintRole).toSize()) {
            const QPersistentModelIndex at(index);
            QMetaObject::invokeMethod(
                const_cast<QAbstractItemView*>(view),
                [at, exact] {
                    if (at.isValid()) {
                        const_cast<QAbstractItemModel*>(at.model())
                            ->setData(at, exact, Qt::SizeHintRole);
                    }
                },
                Qt::QueuedConnection);
        }
    }
    const QFontMetricsF fm(opt.font);
    const qreal left =
        opt.rect.left() + style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const qreal baseline = opt.rect.top() + (opt.rect.height() - fm.height()) / 2 + fm.ascent();
    const QRect visible = view->viewport()->rect();
    painter->save();
    painter->setFont(opt.font);
    const QPalette::ColorGroup group =
        opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->setPen(opt.palette.color(
        group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    qreal x = 0;
    for (qsizetype k = 0; k + 1 < pieces.size(); ++k) {
        const qreal end = pieces[k + 1].second;
        if (left + x > visible.right()) {
            break;
        }
        if (left + end >= visible.left()) {
            const qsizetype from = pieces[k].first;
            painter->drawText(QPointF(left + x, baseline),
                              text.mid(from, pieces[k + 1].first - from));
        }
        x = end;
    }
    painter->restore();
}

const LongLineDelegate::Pieces& LongLineDelegate::measure(quint64 id, const QString& text,
                                                          const QFont& font, bool& fresh) const {
    auto it = pieces_.constFind(id);
    if (it != pieces_.constEnd()) {
        return *it;
    }
    fresh = true;
    if (pieces_.size() > 4096) {
        pieces_.clear();
    }
    constexpr qsizetype kPiece = 128;
    const QFontMetricsF fm(font);
    Pieces pieces{{0, 0.0}};
    qreal x = 0;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = std::min(from + kPiece, text.size());
        if (to < text.size() && text[to - 1].isHighSurrogate()) {
            ++to;
        }
        x += fm.horizontalAdvance(text.mid(from, to - from));
        pieces.append({to, x});
        from = to;
    }
    return *pieces_.insert(id, pieces);
}

} // namespace sscm
