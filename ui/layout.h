#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

namespace sscm {

/// The description under the title (Label16): what the method does and the data format, then
/// kCiteRequest. Help, About shows the description whole and sscm's own citation in place of
/// the request.
extern const char* const kDescription;
extern const char* const kCiteRequest;

enum class Face { Gothic, Times };

/// The Japanese proportional user-interface font, or the nearest one installed; the Western
/// serif. Sizes are set in pixels as the points would give at 96 dots per inch, so the text
/// keeps its proportion to the pixel layout whatever the screen's resolution.
QFont makeFont(Face face, double points, bool bold = false);

/// A rectangle in twips as whole pixels. Both edges are rounded, so controls that abut in twips
/// abut in pixels.
QRect twipRect(int left, int top, int width, int height);

/// The client area of the main window: the numbered controls at their positions, in twips of
/// the design, and the decorative lines between them. Menu bar and status line lie outside it.
class ClientArea final : public QWidget {
public:
    explicit ClientArea(QWidget* parent);

    /// The controls by their names ("Command4", "Text5", "Label16Area", ...).
    QWidget* control(const QString& name) const { return byName_.value(name); }
    /// Controls that take the focus, in the order the tab key visits them.
    const QList<QWidget*>& tabOrder() const { return tabOrder_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();

    /// The result list's place at the design size.
    QRect list3Design_;
    QHash<QString, QWidget*> byName_;
    QList<QWidget*> tabOrder_;
};

} // namespace sscm
