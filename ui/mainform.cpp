#include "ui/mainform.h"

#include "commands/go.h"

#include <algorithm>
#include <cmath>

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace sscm {

namespace {

// The layout is given in twips; 15 twips make one pixel at 96 dots per inch.
constexpr int kTwipsPerPixel = 15;

int px(int twips) {
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

/// A rectangle in twips as whole pixels. Both edges are rounded, so controls that abut in twips
/// abut in pixels.
QRect twipRect(int left, int top, int width, int height) {
    const int x = px(left);
    const int y = px(top);
    return QRect(x, y, px(left + width) - x, px(top + height) - y);
}

enum class Face { Gothic, Times };

/// The Japanese proportional user-interface font, or the nearest one installed; the Western
/// serif. Sizes are set in pixels as the points would give at 96 dots per inch, so the text
/// keeps its proportion to the pixel layout whatever the screen's resolution.
QFont makeFont(Face face, double points, bool bold = false) {
    QFont f;
    if (face == Face::Gothic) {
        f.setFamilies({"IPAPGothic", "IPAexGothic", "VL PGothic", "TakaoPGothic",
                       "Noto Sans CJK JP", "Source Han Sans JP"});
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

const QString kArrow = QString(QChar(0x2192));

const char* const kDescription =
    "The preference to plant species within each case (site) will be converted into "
    "species-to-species comparison matrix and this is used to derive the overall palatability "
    "spectrum. It is acceptable for various metrices of the preference intensity to differ "
    "between cases. Starting with the February 2006 version, we have corrected for the influence "
    "of occurrence frequency. Data: a comma-separated file with the variable names in its first "
    "line. Please cite the publication that describes the method.";

// Event processing: pump at most every kPumpNs; look at the clock about every kCheckNs, but
// at least every kMaxStride calls, so that a stage whose steps are slow after one whose steps
// were fast stalls the window for at most kMaxStride of its steps.
constexpr std::int64_t kPumpNs = 20'000'000;
constexpr std::int64_t kCheckNs = 1'000'000;
constexpr int kMaxStride = 256;

QByteArray bytesOf(std::string_view s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}
std::string stdString(const QByteArray& b) {
    return std::string(b.constData(), size_t(b.size()));
}

/// Item data: a serial number of a long list line, under which its measured pieces are kept.
constexpr int kLineIdRole = Qt::UserRole + 1;
/// Lines up to this length are drawn as usual.
constexpr qsizetype kLongLine = 256;
quint64 lastLineId = 0;

/// Draws list lines of any length at the cost of what is on view. Drawn as usual, a line of the
/// occurrence listing (a count for every case) is laid out whole at every repaint, which makes
/// a run spend most of its time painting. Here a long line is measured once, in pieces, when it
/// first shows, and only the pieces inside the list's visible area are drawn.
class LongLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void forget() { pieces_.clear(); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
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
        painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
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

private:
    /// Start of each piece in the text and the width of the text before it; a last entry for
    /// the end of the text and its whole width.
    using Pieces = QList<QPair<qsizetype, qreal>>;

    const Pieces& measure(quint64 id, const QString& text, const QFont& font, bool& fresh) const {
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

    mutable QHash<quint64, Pieces> pieces_;
};

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

void fitCaption(QWidget* w) {
    constexpr int kSmallest = 9;
    QFont f = w->font();
    while (f.pixelSize() > kSmallest && !captionFits(w, f)) {
        f.setPixelSize(f.pixelSize() - 1);
    }
    w->setFont(f);
}

} // namespace

QSize MainForm::itemSize(const QListWidget* l, const QString& text) {
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

QString MainForm::toQString(std::string_view bytes, bool* exact) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    const bool ok = !utf8.hasError();
    if (exact != nullptr) {
        *exact = ok;
    }
    if (ok) {
        return s;
    }
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

MainForm::MainForm(const QString& startDir, QWidget* parent) : QWidget(parent) {
    setObjectName("MainForm");
    setWindowTitle("Species-to-species comparison matrix method");
    setFont(makeFont(Face::Times, 9));
    setFixedSize(px(10935), px(7305));
    buildControls();
    setDefaults();

    QString start = startDir.isEmpty() ? QDir::currentPath() : startDir;
    if (!setDirPath(start, true)) {
        setDirPath(QDir::currentPath(), true);
    }
    clock_.start();
}

MainForm::~MainForm() = default;

void MainForm::buildControls() {
    const auto place = [this](QWidget* w, const char* name, QRect r, const QFont& font) {
        w->setObjectName(name);
        w->setGeometry(r);
        w->setFont(font);
        return w;
    };
    const auto label = [&](const char* name, const char* caption, QRect r, const QFont& font) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        place(l, name, r, font);
        return l;
    };
    const auto button = [&](const char* name, const QString& caption, QRect r, const QFont& font) {
        auto* b = new QPushButton(caption, this);
        b->setAutoDefault(false);
        place(b, name, r, font);
        return b;
    };
    const auto textBox = [&](Ctl c, QRect r) {
        auto* e = new QLineEdit(this);
        // A frame of one pixel and no inner margin: the boxes are 18 pixels high.
        e->setTextMargins(0, 0, 0, 0);
        e->setStyleSheet("QLineEdit { padding: 0px 1px; }");
        place(e, ctlName(c), r, makeFont(Face::Gothic, 9));
        ctl_[size_t(c)] = e;
        text_[size_t(c)].edit = e;
        return e;
    };
    const auto listBox = [&](Ctl c, QRect r) {
        auto* l = new QListWidget(this);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        place(l, ctlName(c), r, makeFont(Face::Gothic, 9));
        l->setItemDelegate(new LongLineDelegate(l));
        ctl_[size_t(c)] = l;
        return l;
    };
    const QFont window = font();

    // Created in tab order, so that the focus chain follows it.
    drive1_ = new QComboBox(this);
    place(drive1_, "Drive1", twipRect(120, 1320, 1215, 300), makeFont(Face::Gothic, 9));

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
    place(dir, "Dir1", twipRect(120, 1620, 2295, 870).adjusted(0, 0, -1, 0),
          makeFont(Face::Gothic, 8.25));
    dir1Tree_ = dir;
    ctl_[size_t(Ctl::Dir1)] = dir;

    file1_ = new QListWidget(this);
    place(file1_, "File1", twipRect(2400, 1620, 2775, 1170), makeFont(Face::Gothic, 9));

    label("Label2", "File name", twipRect(1200, 3000, 1095, 255), makeFont(Face::Gothic, 11.25));
    auto* read = button("Command1", "Read", twipRect(3120, 3420, 1335, 375).adjusted(0, 0, -1, 0),
                        makeFont(Face::Gothic, 9.75, true));
    textBox(Ctl::Text7, twipRect(2400, 3000, 2775, 270));
    {
        // The description, with its sentences on the data format and on citing, runs past the
        // lines that the band above the output files holds: it scrolls instead of being cut.
        auto* area = new QScrollArea(this);
        area->setObjectName("Label16Area");
        area->setFrameShape(QFrame::NoFrame);
        area->setFocusPolicy(Qt::NoFocus);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setWidgetResizable(true);
        const QFont small = makeFont(Face::Gothic, 7.5);
        QRect r = twipRect(3720, 0, 6195, 855);
        // Whole lines only, so no line shows cut in half.
        const int lineHeight = QFontMetrics(small).lineSpacing();
        r.setHeight(r.height() / lineHeight * lineHeight);
        area->setGeometry(r);
        auto* description = label("Label16", kDescription, QRect(), small);
        area->setWidget(description);
        area->viewport()->setAutoFillBackground(false);
        description->setAutoFillBackground(false);
    }
    ctl_[size_t(Ctl::Label18)] =
        label("Label18", "", twipRect(4440, 3420, 975, 375), makeFont(Face::Gothic, 8.25));
    list1_ = listBox(Ctl::List1, twipRect(120, 4140, 2175, 2400).adjusted(0, 0, -1, 0));
    label("Label3", "Variables", twipRect(120, 3900, 975, 255), makeFont(Face::Gothic, 9.75, true));
    // The result list starts below the row of the output file names, which reaches into it.
    list3_ = listBox(Ctl::List3, twipRect(5400, 1080, 5535, 6180).adjusted(0, 2, 0, 0));
    // The box's heading starts below the box's top line and the step heading above it.
    label("Label6", "Data file", twipRect(120, 1080, 1815, 255).adjusted(0, 1, 0, 1),
          makeFont(Face::Gothic, 9.75, true));
    label("Label9", "Step 1: Read data", twipRect(0, 840, 3615, 255),
          makeFont(Face::Gothic, 11.25, true));
    auto* toCase =
        button("Command2", kArrow, twipRect(2280, 4140, 735, 375), makeFont(Face::Gothic, 9, true));
    auto* toSpecies =
        button("Command3", kArrow, twipRect(2280, 4740, 735, 375), makeFont(Face::Gothic, 9, true));
    label("Label10", "Step 2: Select variables", twipRect(0, 3540, 2775, 255),
          makeFont(Face::Gothic, 11.25, true));
    auto* go = button("Command4", "G O", twipRect(2520, 6720, 1695, 495),
                      makeFont(Face::Times, 9.75, true));
    // Two lines of status ("Eigen vector 150", "100% finished") need a little more room: up
    // to the result list's edge and to the top of Label14.
    ctl_[size_t(Ctl::Label11)] =
        label("Label11", "", twipRect(4320, 6660, 1035, 375).adjusted(0, 0, 3, 2),
              makeFont(Face::Gothic, 9));
    auto* exit = button("Command5", "Exit", twipRect(10080, 0, 855, 375), window);
    auto* save = button("Command6", "Save results", twipRect(9780, 840, 1152, 255),
                        makeFont(Face::Times, 8.25));
    // Where two controls overlap by a twip or so in the design, the one drawn first gives way by
    // the pixel that rounding would make them share.
    textBox(Ctl::Text3, twipRect(8460, 840, 1335, 270).adjusted(0, 0, -1, 0));
    textBox(Ctl::Text1, twipRect(3120, 4260, 1935, 270));
    textBox(Ctl::Text2, twipRect(3120, 4860, 1935, 270));
    textBox(Ctl::Text4, twipRect(3120, 5460, 1935, 270));
    auto* toPref =
        button("Command7", kArrow, twipRect(2280, 5340, 735, 375), makeFont(Face::Gothic, 9));
    label("Label4", "Case (site)", twipRect(3120, 4020, 1935, 255), window);
    label("Label5", "Plant species", twipRect(3120, 4620, 1815, 255), window);
    label("Label7", "Local preference intensity", twipRect(3120, 5220, 2055, 255), window);
    check1_ = new QCheckBox("Remove low-occurence species ", this);
    place(check1_, "Check1", twipRect(2400, 5820, 2775, 375).adjusted(0, 0, 0, -1), window);
    ctl_[size_t(Ctl::Check1)] = check1_;
    textBox(Ctl::Text5, twipRect(4560, 6180, 615, 270));
    // The caption of the threshold ends where its text box begins.
    label("Label8", "Equal or fewer than", twipRect(3000, 6240, 1695, 255).adjusted(0, 0, -9, 0),
          window);
    label("Label13", "May 2003, reviced May 29, 2010", twipRect(0, 6720, 2535, 255), window);
    ctl_[size_t(Ctl::Label14)] =
        label("Label14", "", twipRect(4260, 7080, 1095, 195), makeFont(Face::Gothic, 9));
    textBox(Ctl::Text6, twipRect(7200, 840, 1212, 264));
    label("Label15", "log file", twipRect(6600, 900, 615, 195), makeFont(Face::Gothic, 7.5));
    label("Label12", "Species-to-species comparison matrix method", twipRect(0, 0, 3495, 735),
          makeFont(Face::Times, 15.75));

    // Where neither Times New Roman nor a font of its widths is installed, the serif that stands
    // in is wider: its captions take a smaller size rather than run out of their controls.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        fitCaption(w);
    }

    ctl_[size_t(Ctl::Command1)] = read;
    ctl_[size_t(Ctl::Command4)] = go;
    ctl_[size_t(Ctl::Command5)] = exit;
    ctl_[size_t(Ctl::Command6)] = save;
    for (QPushButton* b : {read, go, exit, save}) {
        const auto c = std::find(ctl_.begin(), ctl_.end(), b) - ctl_.begin();
        caption_[size_t(c)] = stdString(b->text().toUtf8());
    }

    // The tab key visits the controls in this order; labels take no focus.
    const QList<QWidget*> order = {drive1_,
                                   dir,
                                   file1_,
                                   read,
                                   ctl_[size_t(Ctl::Text7)],
                                   list1_,
                                   list3_,
                                   toCase,
                                   toSpecies,
                                   go,
                                   exit,
                                   save,
                                   ctl_[size_t(Ctl::Text3)],
                                   ctl_[size_t(Ctl::Text1)],
                                   ctl_[size_t(Ctl::Text2)],
                                   ctl_[size_t(Ctl::Text4)],
                                   toPref,
                                   check1_,
                                   ctl_[size_t(Ctl::Text5)],
                                   ctl_[size_t(Ctl::Text6)]};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    connect(read, &QPushButton::clicked, this, &MainForm::readData);
    connect(go, &QPushButton::clicked, this, &MainForm::runAnalysis);
    connect(save, &QPushButton::clicked, this, &MainForm::saveResults);
    connect(exit, &QPushButton::clicked, this, &MainForm::requestExit);
    connect(toCase, &QPushButton::clicked, this, [this] { copySelectedVariable(Ctl::Text1); });
    connect(toSpecies, &QPushButton::clicked, this, [this] { copySelectedVariable(Ctl::Text2); });
    connect(toPref, &QPushButton::clicked, this, [this] { copySelectedVariable(Ctl::Text4); });
    connect(drive1_, &QComboBox::activated, this, &MainForm::driveChanged);
    connect(dir, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item, int) { dirActivated(item); });
    connect(file1_, &QListWidget::itemClicked, this, &MainForm::fileChosen);
    connect(file1_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!fillingFiles_ && item != nullptr) {
            fileChosen(item);
        }
    });
}

void MainForm::setDefaults() {
    // Nothing is open yet: every file the commands use is opened and closed within them.
    setTextBox(Ctl::Text7, "file_name.csv");
    setTextBox(Ctl::Text1, "");
    setTextBox(Ctl::Text2, "");
    setTextBox(Ctl::Text4, "");
    setTextBox(Ctl::Text3, "palatability.csv");
    setTextBox(Ctl::Text6, "");
    check1_->setChecked(true);
    setTextBox(Ctl::Text5, "4");
    setCaption(Ctl::Label18, "");
    setCaption(Ctl::Label11, "");
    clearList(Ctl::List1);
    clearList(Ctl::List3);
    session_.missvalue = "null";
    setCaption(Ctl::Label14, "");
}

// --- The window interface ---------------------------------------------------------------------

void MainForm::setCaption(Ctl c, std::string_view text) {
    std::string& cached = caption_[size_t(c)];
    if (cached == text) {
        return;
    }
    cached.assign(text);
    // A new caption often starts a new stage, whose steps may cost more: look at the clock at
    // the next call.
    stride_ = 1;
    countdown_ = 1;
    QWidget* w = ctl_[size_t(c)];
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(toQString(text));
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        b->setText(toQString(text));
    }
}

void MainForm::setEnabled(Ctl c, bool enabled) {
    if (QWidget* w = ctl_[size_t(c)]) {
        w->setEnabled(enabled);
    }
}

MainForm::TextBox& MainForm::textBox(Ctl c) {
    return text_[size_t(c)];
}

void MainForm::setTextBox(Ctl c, std::string_view bytes) {
    TextBox& t = textBox(c);
    if (t.edit == nullptr) {
        return;
    }
    t.bytes.assign(bytes);
    t.shown = toQString(bytes);
    t.edit->setText(t.shown);
    // Show the start of a long name, not its end.
    t.edit->setCursorPosition(0);
}

std::string MainForm::text(Ctl c) {
    if (c == Ctl::Dir1) {
        return stdString(QFile::encodeName(dirPath_));
    }
    TextBox& t = textBox(c);
    if (t.edit == nullptr) {
        return {};
    }
    const QString now = t.edit->text();
    if (now == t.shown) {
        return t.bytes;
    }
    return stdString(now.toUtf8());
}

void MainForm::setText(Ctl c, std::string_view text) {
    setTextBox(c, text);
}

int MainForm::value(Ctl c) {
    return c == Ctl::Check1 && check1_->isChecked() ? 1 : 0;
}

QListWidget* MainForm::list(Ctl c) const {
    return qobject_cast<QListWidget*>(ctl_[size_t(c)]);
}

void MainForm::clearList(Ctl c) {
    if (QListWidget* l = list(c)) {
        l->clear();
        if (auto* d = dynamic_cast<LongLineDelegate*>(l->itemDelegate())) {
            d->forget();
        }
    }
}

void MainForm::addItem(Ctl c, std::string_view item) {
    QListWidget* l = list(c);
    if (l == nullptr) {
        return;
    }
    bool exact = true;
    auto* it = new QListWidgetItem(toQString(item, &exact));
    if (!exact) {
        it->setData(Qt::UserRole, bytesOf(item));
    }
    it->setSizeHint(itemSize(l, it->text()));
    if (it->text().size() > kLongLine) {
        it->setData(kLineIdRole, ++lastLineId);
    }
    l->addItem(it);
}

int MainForm::itemCount(Ctl c) {
    QListWidget* l = list(c);
    return l == nullptr ? 0 : l->count();
}

std::string MainForm::item(Ctl c, int index) {
    QListWidget* l = list(c);
    QListWidgetItem* it = l == nullptr ? nullptr : l->item(index);
    if (it == nullptr) {
        return {};
    }
    const QVariant raw = it->data(Qt::UserRole);
    if (raw.isValid()) {
        return stdString(raw.toByteArray());
    }
    return stdString(it->text().toUtf8());
}

void MainForm::warning(std::string_view text, std::string_view title) {
    // Once the user has asked to leave, a stopping command has nothing left to tell.
    if (exitRequested_) {
        return;
    }
    QMessageBox box(QMessageBox::Warning, toQString(title), toQString(text), QMessageBox::Ok, this);
    box.exec();
}

bool MainForm::processEvents() {
    if (exitRequested_) {
        return false;
    }
    if (--countdown_ > 0) {
        return true;
    }
    const std::int64_t now = clock_.nsecsElapsed();
    const std::int64_t sinceCheck = now - lastCheckNs_;
    if (sinceCheck < kCheckNs) {
        stride_ = std::min(stride_ * 2, kMaxStride);
    } else {
        // Calls got slower: scale the stride down at once to what one check interval holds.
        stride_ = int(std::clamp<std::int64_t>(stride_ * kCheckNs / sinceCheck, 1, kMaxStride));
    }
    countdown_ = stride_;
    lastCheckNs_ = now;
    if (now - lastPumpNs_ >= kPumpNs) {
        QCoreApplication::processEvents();
        lastPumpNs_ = lastCheckNs_ = clock_.nsecsElapsed();
    }
    return !exitRequested_;
}

// --- Commands ---------------------------------------------------------------------------------

void MainForm::readData() {
    // The Read button is disabled while its command runs; the guard covers a click that was
    // already queued when it was.
    if (readBusy_ || exitRequested_) {
        return;
    }
    readBusy_ = true;
    startCommand();
    readCommand(*this, session_);
    --busyDepth_;
    readBusy_ = false;
    commandDone();
}

void MainForm::runAnalysis() {
    if (goBusy_ || exitRequested_) {
        return;
    }
    goBusy_ = true;
    startCommand();
    goCommand(*this, session_);
    // The run's own lines, the spectrum last, come into view.
    if (list3_->count() > 0) {
        list3_->scrollToItem(list3_->item(list3_->count() - 1));
    }
    --busyDepth_;
    goBusy_ = false;
    commandDone();
}

void MainForm::startCommand() {
    ++busyDepth_;
    // The first event-processing point of a command repaints at once, showing its button's
    // working caption.
    countdown_ = 1;
    lastPumpNs_ = clock_.nsecsElapsed() - kPumpNs;
}

void MainForm::commandDone() {
    if (exitRequested_ && busyDepth_ == 0) {
        close();
    }
}

void MainForm::saveResults() {
    const std::string name = text(Ctl::Text3);
    std::string out;
    const int n = itemCount(Ctl::List3);
    for (int k = 0; k < n; ++k) {
        out += item(Ctl::List3, k);
        out += "\r\n";
    }
    QFile file(QFile::decodeName(bytesOf(name)));
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (ok) {
        ok = file.write(out.data(), qint64(out.size())) == qint64(out.size()) && file.flush();
        file.close();
        ok = ok && file.error() == QFileDevice::NoError;
    }
    if (!ok) {
        warning("Cannot write the result file \"" + name +
                    "\": " + stdString(file.errorString().toUtf8()),
                kErrorTitle);
    }
}

void MainForm::requestExit() {
    if (busyDepth_ > 0) {
        // The running command stops at its next event-processing point, cleans up and
        // returns; commandDone() then closes the window.
        exitRequested_ = true;
        return;
    }
    close();
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (busyDepth_ > 0) {
        exitRequested_ = true;
        event->ignore();
        return;
    }
    // The request is served: a window shown again starts afresh.
    exitRequested_ = false;
    event->accept();
}

void MainForm::copySelectedVariable(Ctl target) {
    const QList<QListWidgetItem*> selected = list1_->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    setTextBox(target, item(Ctl::List1, list1_->row(selected.front())));
}

// --- Drive, directory and file lists ----------------------------------------------------------

void MainForm::fillDrives(const QString& selectRoot) {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir()) {
            roots << volume.rootPath();
        }
    }
    roots << selectRoot;
    roots.removeDuplicates();
    roots.sort();
    const QSignalBlocker block(drive1_);
    drive1_->clear();
    for (const QString& root : roots) {
        drive1_->addItem(QDir::toNativeSeparators(root), root);
    }
    drive1_->setCurrentIndex(drive1_->findData(selectRoot));
}

void MainForm::driveChanged(int index) {
    const QString root = drive1_->itemData(index).toString();
    QStorageInfo volume(root);
    const bool ready = volume.isValid() && volume.isReady() && QDir(root).isReadable();
    if (!ready || !setDirPath(root, true)) {
        warning(stdString(("The drive " + QDir::toNativeSeparators(root) +
                           " is not ready; the lists stay where they were.")
                              .toUtf8()),
                kErrorTitle);
        const QSignalBlocker block(drive1_);
        drive1_->setCurrentIndex(drive1_->findData(QStorageInfo(dirPath_).rootPath()));
    }
}

bool MainForm::setDirPath(const QString& path, bool quiet) {
    const QFileInfo info(path);
    const QString abs = QDir::cleanPath(info.absoluteFilePath());
    if (!info.isDir() || !QDir(abs).isReadable()) {
        if (!quiet) {
            warning(stdString(("Cannot open the folder " + QDir::toNativeSeparators(abs) +
                               ": it does not exist or cannot be read.")
                                  .toUtf8()),
                    kErrorTitle);
        }
        return false;
    }
    dirPath_ = abs;

    // The folders from the root down to this one, opened, then this one's subfolders.
    QStringList chain;
    for (QDir d(abs);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp()) {
            break;
        }
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    dir1Tree_->clear();
    QTreeWidgetItem* parent = nullptr;
    for (const QString& p : chain) {
        const QString name =
            parent == nullptr ? QDir::toNativeSeparators(p) : QFileInfo(p).fileName();
        auto* item = parent == nullptr ? new QTreeWidgetItem(dir1Tree_, {name})
                                       : new QTreeWidgetItem(parent, {name});
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, p);
        parent = item;
    }
    const QStringList subs =
        QDir(abs).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subs) {
        auto* item = new QTreeWidgetItem(parent, {s});
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, QDir(abs).filePath(s));
    }
    dir1Tree_->expandAll();
    dir1Tree_->setCurrentItem(parent);
    dir1Tree_->scrollToItem(parent);

    // A change of directory is a change of the file list's path.
    fillFiles();

    const QString root = QStorageInfo(abs).rootPath();
    if (drive1_->findData(root) < 0) {
        fillDrives(root);
    } else {
        const QSignalBlocker block(drive1_);
        drive1_->setCurrentIndex(drive1_->findData(root));
    }
    return true;
}

void MainForm::dirActivated(QTreeWidgetItem* item) {
    if (item != nullptr) {
        setDirPath(item->data(0, Qt::UserRole).toString());
    }
}

void MainForm::fillFiles() {
    fillingFiles_ = true;
    file1_->clear();
    file1_->addItems(
        QDir(dirPath_).entryList({"*.csv"}, QDir::Files, QDir::Name | QDir::IgnoreCase));
    fillingFiles_ = false;
}

void MainForm::fileChosen(QListWidgetItem* item) {
    setTextBox(Ctl::Text7, stdString(QFile::encodeName(item->text())));
}

// --- Decorative lines -------------------------------------------------------------------------

void MainForm::paintEvent(QPaintEvent*) {
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
