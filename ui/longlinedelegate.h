#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QSize>
#include <QStyledItemDelegate>

class QListWidget;

namespace sscm {

/// Item data: a serial number of a long list line, under which its measured pieces are kept.
constexpr int kLineIdRole = Qt::UserRole + 1;
/// Lines up to this length are drawn as usual.
constexpr qsizetype kLongLine = 256;

/// A fresh serial number for a long line.
quint64 nextLongLineId();

/// Size of a list item showing `text`, measured without laying out a whole long line.
QSize listItemSize(const QListWidget* l, const QString& text);

/// Draws list lines of any length at the cost of what is on view. Drawn as usual, a line of the
/// occurrence listing (a count for every case) is laid out whole at every repaint, which makes
/// a run spend most of its time painting. Here a long line is measured once, in pieces, when it
/// first shows, and only the pieces inside the list's visible area are drawn.
class LongLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    /// Drops the measures of lines no longer listed.
    void forget() { pieces_.clear(); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    /// Start of each piece in the text and the width of the text before it; a last entry for
    /// the end of the text and its whole width.
    using Pieces = QList<QPair<qsizetype, qreal>>;

    const Pieces& measure(quint64 id, const QString& text, const QFont& font, bool& fresh) const;

    mutable QHash<quint64, Pieces> pieces_;
};

} // namespace sscm
