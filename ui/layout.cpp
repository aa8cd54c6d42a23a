#include "ui/layout.h"

#include "ui/longlinedelegate.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

namespace sscm {

const char* const kDescription =
    "The preference to plant species within each case (site) will be converted into "
    "species-to-species comparison matrix and this is used to derive the overall palatability "
    "spectrum. It is acceptable for various metrices of the preference intensity to differ "
    "between cases. Starting with the February 2006 version, we have corrected for the influence "
    "of occurrence frequency. Data: a comma-separated file with the variable names in its first "
    "line.";
const char* const kCiteRequest = "Please cite the publication that describes the method.";

namespace {

// The layout is given in twips; 15 twips make one pixel at 96 dots per inch.
constexpr int kTwipsPerPixel = 15;

int px(int twips) {
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

enum class Kind { Label, Button, TextBox, ListBox, CheckBox, Drive, Dir, File, Description };

/// One control of the client area: its name, kind, position in twips, the pixel by which it
/// gives way to a neighbour where rounding would make two controls share it, its font and
/// caption.
struct ControlSpec {
    const char* name;
    Kind kind;
    int left, top, width, height;
    QMargins giveWay; ///< pixels taken off (left, top, right, bottom); negative adds
    Face face;
    double points; ///< 0: the window's own font
    bool bold;
    const char* caption;
};

const QString kArrow = QString(QChar(0x2192));

// In the order of creation, which is the design's order; the focus order is set apart below.
// The arrow buttons' caption is the right-arrow glyph ("->" stands for it here).
const ControlSpec kControls[] = {
    {"Drive1", Kind::Drive, 120, 1320, 1215, 300, {}, Face::Gothic, 9, false, ""},
    {"Dir1", Kind::Dir, 120, 1620, 2295, 870, {0, 0, 1, 0}, Face::Gothic, 8.25, false, ""},
    {"File1", Kind::File, 2400, 1620, 2775, 1170, {}, Face::Gothic, 9, false, ""},
    {"Label2", Kind::Label, 1200, 3000, 1095, 255, {}, Face::Gothic, 11.25, false, "File name"},
    {"Command1",
     Kind::Button,
     3120,
     3420,
     1335,
     375,
     {0, 0, 1, 0},
     Face::Gothic,
     9.75,
     true,
     "Read"},
    {"Text7", Kind::TextBox, 2400, 3000, 2775, 270, {}, Face::Gothic, 9, false, ""},
    {"Label16", Kind::Description, 3720, 0, 6195, 855, {}, Face::Gothic, 7.5, false, ""},
    {"Label18", Kind::Label, 4440, 3420, 975, 375, {}, Face::Gothic, 8.25, false, ""},
    {"List1", Kind::ListBox, 120, 4140, 2175, 2400, {0, 0, 1, 0}, Face::Gothic, 9, false, ""},
    {"Label3", Kind::Label, 120, 3900, 975, 255, {}, Face::Gothic, 9.75, true, "Variables"},
    // The result list starts below the row of the output file names, which reaches into it.
    {"List3", Kind::ListBox, 5400, 1080, 5535, 6180, {0, 2, 0, 0}, Face::Gothic, 9, false, ""},
    // The box's heading starts below the box's top line and the step heading above it.
    {"Label6",
     Kind::Label,
     120,
     1080,
     1815,
     255,
     {0, 1, 0, -1},
     Face::Gothic,
     9.75,
     true,
     "Data file"},
    {"Label9", Kind::Label, 0, 840, 3615, 255, {}, Face::Gothic, 11.25, true, "Step 1: Read data"},
    {"Command2", Kind::Button, 2280, 4140, 735, 375, {}, Face::Gothic, 9, true, "->"},
    {"Command3", Kind::Button, 2280, 4740, 735, 375, {}, Face::Gothic, 9, true, "->"},
    {"Label10",
     Kind::Label,
     0,
     3540,
     2775,
     255,
     {},
     Face::Gothic,
     11.25,
     true,
     "Step 2: Select variables"},
    {"Command4", Kind::Button, 2520, 6720, 1695, 495, {}, Face::Times, 9.75, true, "G O"},
    // Two lines of status ("Eigen vector 150", "100% finished") need a little more room: up
    // to the result list's edge and to the top of Label14.
    {"Label11", Kind::Label, 4320, 6660, 1035, 375, {0, 0, -3, -2}, Face::Gothic, 9, false, ""},
    {"Command5", Kind::Button, 10080, 0, 855, 375, {}, Face::Times, 0, false, "Exit"},
    {"Command6", Kind::Button, 9780, 840, 1152, 255, {}, Face::Times, 8.25, false, "Save results"},
    {"Text3", Kind::TextBox, 8460, 840, 1335, 270, {0, 0, 1, 0}, Face::Gothic, 9, false, ""},
    {"Text1", Kind::TextBox, 3120, 4260, 1935, 270, {}, Face::Gothic, 9, false, ""},
    {"Text2", Kind::TextBox, 3120, 4860, 1935, 270, {}, Face::Gothic, 9, false, ""},
    {"Text4", Kind::TextBox, 3120, 5460, 1935, 270, {}, Face::Gothic, 9, false, ""},
    {"Command7", Kind::Button, 2280, 5340, 735, 375, {}, Face::Gothic, 9, false, "->"},
    {"Label4", Kind::Label, 3120, 4020, 1935, 255, {}, Face::Times, 0, false, "Case (site)"},
    {"Label5", Kind::Label, 3120, 4620, 1815, 255, {}, Face::Times, 0, false, "Plant species"},
    {"Label7",
     Kind::Label,
     3120,
     5220,
     2055,
     255,
     {},
     Face::Times,
     0,
     false,
     "Local preference intensity"},
    {"Check1",
     Kind::CheckBox,
     2400,
     5820,
     2775,
     375,
     {0, 0, 0, 1},
     Face::Times,
     0,
     false,
     "Remove low-occurence species "},
    {"Text5", Kind::TextBox, 4560, 6180, 615, 270, {}, Face::Gothic, 9, false, ""},
    // The caption of the threshold ends where its text box begins.
    {"Label8",
     Kind::Label,
     3000,
     6240,
     1695,
     255,
     {0, 0, 9, 0},
     Face::Times,
     0,
     false,
     "Equal or fewer than"},
    {"Label13",
     Kind::Label,
     0,
     6720,
     2535,
     255,
     {},
     Face::Times,
     0,
     false,
     "May 2003, reviced May 29, 2010"},
    {"Label14", Kind::Label, 4260, 7080, 1095, 195, {}, Face::Gothic, 9, false, ""},
    {"Text6", Kind::TextBox, 7200, 840, 1212, 264, {}, Face::Gothic, 9, false, ""},
    {"Label15", Kind::Label, 6600, 900, 615, 195, {}, Face::Gothic, 7.5, false, "log file"},
    {"Label12",
     Kind::Label,
     0,
     0,
     3495,
     735,
     {},
     Face::Times,
     15.75,
     false,
     "Species-to-species comparison matrix method"},
};

/// The order in which the tab key visits the controls; labels take no focus.
const char* const kTabOrder[] = {"Drive1",   "Dir1",     "File1",    "Command1", "Text7",
                                 "List1",    "List3",    "Command2", "Command3", "Command4",
                                 "Command5", "Command6", "Text3",    "Text1",    "Text2",
                                 "Text4",    "Command7", "Check1",   "Text5",    "Text6"};

/// True when the caption of a label, button or check box shows whole in its control.
bool captionFits(const QWidget* w, const QFont& font) {
    const QFontMetrics fm(font);
    if (const auto* l = qobject_cast<const QLabel*>(w)) {
        const QRect room = l->contentsRect();
        return room.contains(
            fm.boundingRect(room, int(l->alignment()) | Qt::TextWordWrap, l->text()));
    }
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        int indicator = 4;
        if (qobject_cast<const QCheckBox*>(w) != nullptr) {
            indicator = b->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                        b->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b) + 4;
        }
        return fm.horizontalAdvance(b->text()) + indicator <= b->width() &&
               fm.height() <= b->height();
    }
    return true;
}

/// Where neither Times New Roman nor a font of its widths is installed, the serif that stands in
/// is wider: its captions take a smaller size rather than run out of their controls.
void fitCaption(QWidget* w) {
    constexpr int kSmallest = 9;
    QFont f = w->font();
    while (f.pixelSize() > kSmallest && !captionFits(w, f)) {
        f.setPixelSize(f.pixelSize() - 1);
    }
    w->setFont(f);
}

QLabel* makeLabel(const QString& caption, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

} // namespace

QFont makeFont(Face face, double points, bool bold) {
    QFont f;
    if (face == Face::Gothic) {
        // The IPA fonts of Linux first, then the platforms' own Japanese families (Windows,
        // macOS), then the other free ones.
        f.setFamilies({"IPAPGothic", "IPAexGothic", "Yu Gothic", "MS PGothic", "Hiragino Sans",
                       "VL PGothic", "TakaoPGothic", "Noto Sans CJK JP", "Source Han Sans JP"});
        f.setStyleHint(QFont::SansSerif);
    } else {
        f.setFamilies(
            {"Times New Roman", "Liberation Serif", "Tinos", "Nimbus Roman", "DejaVu Serif"});
        f.setStyleHint(QFont::Serif);
    }
    f.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    f.setBold(bold);
    return f;
}

QRect twipRect(int left, int top, int width, int height) {
    const int x = px(left);
    const int y = px(top);
    return QRect(x, y, px(left + width) - x, px(top + height) - y);
}

ClientArea::ClientArea(QWidget* parent) : QWidget(parent) {
    setObjectName("ClientArea");
    setFont(makeFont(Face::Times, 9));
    // The design's size is the smallest; the result list takes what the window gains.
    setMinimumSize(px(10935), px(7305));
    resize(minimumSize());
    build();
}

void ClientArea::resizeEvent(QResizeEvent*) {
    if (QWidget* list = control("List3")) {
        if (list3Design_.isNull()) {
            list3Design_ = list->geometry();
        }
        const QSize gained = size() - minimumSize();
        list->setGeometry(
            list3Design_.adjusted(0, 0, std::max(0, gained.width()), std::max(0, gained.height())));
    }
}

void ClientArea::build() {
    for (const ControlSpec& c : kControls) {
        const QRect r = twipRect(c.left, c.top, c.width, c.height) - c.giveWay;
        const QFont font = c.points > 0 ? makeFont(c.face, c.points, c.bold) : this->font();
        const QString caption = QString::fromUtf8(c.caption) == "->" ? kArrow : c.caption;
        QWidget* w = nullptr;
        switch (c.kind) {
        case Kind::Label:
            w = makeLabel(caption, this);
            break;
        case Kind::Button: {
            auto* b = new QPushButton(caption, this);
            b->setAutoDefault(false);
            w = b;
            break;
        }
        case Kind::TextBox: {
            auto* e = new QLineEdit(this);
            // A frame of one pixel and no inner margin: the boxes are 18 pixels high.
            e->setTextMargins(0, 0, 0, 0);
            e->setStyleSheet("QLineEdit { padding: 0px 1px; }");
            w = e;
            break;
        }
        case Kind::ListBox: {
            auto* l = new QListWidget(this);
            l->setSelectionMode(QAbstractItemView::SingleSelection);
            l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            l->setItemDelegate(new LongLineDelegate(l));
            w = l;
            break;
        }
        case Kind::CheckBox:
            w = new QCheckBox(caption, this);
            break;
        case Kind::Drive:
            w = new QComboBox(this);
            break;
        case Kind::Dir: {
            auto* dir = new QTreeWidget(this);
            dir->setHeaderHidden(true);
            dir->setRootIsDecorated(false);
            dir->setItemsExpandable(false);
            dir->setExpandsOnDoubleClick(false);
            dir->setIndentation(8);
            // Every folder of the chain stands open: no branch marks, as in a plain list.
            dir->setStyleSheet("QTreeView::branch { image: none; border-image: none; }");
            dir->setIconSize(QSize(12, 12));
            dir->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            w = dir;
            break;
        }
        case Kind::File:
            w = new QListWidget(this);
            break;
        case Kind::Description: {
            // The description runs past the lines its band holds: the band shows whole lines
            // from the top, scrolls with the wheel but shows no scroll bar; Help, About holds
            // the whole text.
            auto* area = new QScrollArea(this);
            area->setObjectName("Label16Area");
            area->setFrameShape(QFrame::NoFrame);
            area->setFocusPolicy(Qt::NoFocus);
            area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            area->setWidgetResizable(true);
            QRect band = r;
            const int lineHeight = QFontMetrics(font).lineSpacing();
            band.setHeight(band.height() / lineHeight * lineHeight);
            area->setGeometry(band);
            const QString text = QString("%1 %2").arg(kDescription, kCiteRequest);
            auto* description = makeLabel(text, nullptr);
            description->setObjectName(c.name);
            description->setFont(font);
            description->setToolTip(text);
            area->setWidget(description);
            area->viewport()->setAutoFillBackground(false);
            description->setAutoFillBackground(false);
            byName_.insert("Label16Area", area);
            byName_.insert(c.name, description);
            continue;
        }
        }
        w->setObjectName(c.name);
        w->setGeometry(r);
        w->setFont(font);
        byName_.insert(c.name, w);
    }

    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        fitCaption(w);
    }
    for (const char* name : kTabOrder) {
        tabOrder_ << byName_.value(name);
    }
    for (qsizetype i = 1; i < tabOrder_.size(); ++i) {
        setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
    }
}

void ClientArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto line = [&](int x1, int y1, int x2, int y2) {
        p.drawLine(QPointF(x1 / double(kTwipsPerPixel), y1 / double(kTwipsPerPixel)),
                   QPointF(x2 / double(kTwipsPerPixel), y2 / double(kTwipsPerPixel)));
    };
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    // Box around the file selection of step 1, then around the variable assignment of step 2.
    line(0, 1080, 5280, 1080);
    line(5280, 1080, 5280, 3360);
    line(0, 3360, 5280, 3360);
    line(0, 3360, 0, 1080);
    line(0, 3840, 5280, 3840);
    line(5280, 3840, 5280, 6600);
    line(0, 6600, 5280, 6600);
    line(0, 6600, 0, 3840);
    // The heavier arrow from the Read button down to step 2.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::WindowText), 3, Qt::SolidLine, Qt::RoundCap));
    line(2880, 3420, 2880, 3780);
    line(3120, 3540, 2880, 3780);
    line(2640, 3540, 2880, 3780);
}

} // namespace sscm
