#include "ui/chartwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>

namespace sscm {

ChartView::ChartView(ChartKind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::setData(const SpectrumChartData& spectrum, const HeatMapData& heat, bool hasRun) {
    spectrum_ = spectrum;
    heat_ = heat;
    hasRun_ = hasRun;
    // The spectrum keeps its rows readable and scrolls; the heat map fits the window.
    if (kind_ == ChartKind::Spectrum) {
        setMinimumSize(360, hasRun ? spectrumNaturalSize(spectrum_).height() : 200);
    } else {
        setMinimumSize(360, 300);
    }
    update();
}

QSize ChartView::naturalSize() const {
    return kind_ == ChartKind::Spectrum ? spectrumNaturalSize(spectrum_)
                                        : heatMapNaturalSize(heat_);
}

void ChartView::paintChart(QPainter& p, const QRectF& area) const {
    if (!hasRun_) {
        p.fillRect(area, Qt::white);
        p.setPen(Qt::black);
        p.drawText(area, Qt::AlignCenter, "No finished run yet: read a data file and run GO.");
        return;
    }
    if (kind_ == ChartKind::Spectrum) {
        paintSpectrum(p, area, spectrum_);
    } else {
        paintHeatMap(p, area, heat_);
    }
}

QImage ChartView::image() const {
    QImage img(size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintChart(p, QRectF(img.rect()));
    return img;
}

QString ChartView::toolTipAt(const QPointF& point) const {
    if (kind_ != ChartKind::HeatMap || !hasRun_) {
        return {};
    }
    const HeatMapData::Cell* cell = heatMapCellAt(QRectF(rect()), heat_, point);
    return cell == nullptr ? QString() : heatMapCellText(heat_, *cell);
}

bool ChartView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintChart(p, QRectF(rect()));
}

ChartWindow::ChartWindow(ChartKind kind, QWidget* parent)
    : QWidget(parent, Qt::Window), kind_(kind) {
    const bool spectrum = kind == ChartKind::Spectrum;
    setObjectName(spectrum ? "SpectrumChart" : "ComparisonMatrix");
    setWindowTitle(spectrum ? "Spectrum chart" : "Comparison matrix");
    auto* save = new QPushButton("Save as\u2026", this);
    save->setObjectName("SaveChart");
    auto* copy = new QPushButton("Copy", this);
    copy->setObjectName("CopyChart");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(copy);
    buttons->addStretch(1);
    area_ = new QScrollArea(this);
    area_->setWidgetResizable(true);
    area_->setFrameShape(QFrame::NoFrame);
    view_ = new ChartView(kind, area_);
    view_->setObjectName("ChartView");
    area_->setWidget(view_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(area_, 1);
    connect(save, &QPushButton::clicked, this, &ChartWindow::saveAs);
    connect(copy, &QPushButton::clicked, this, &ChartWindow::copy);
    resize(spectrum ? QSize(780, 640) : QSize(860, 720));
    setRun(nullptr, nullptr, {}, TextEncoding::Utf8);
}

void ChartWindow::setRun(const std::shared_ptr<const AnalysisResult>& run,
                         const std::shared_ptr<const BootstrapResult>& intervals,
                         const std::string& dataFile, TextEncoding names,
                         const std::shared_ptr<const BtRanking>& model) {
    // A run stopped by a split network leaves its species but no spectrum.
    if (!run || run->curvec.empty()) {
        view_->setData({}, {}, false);
        return;
    }
    if (kind_ == ChartKind::Spectrum) {
        view_->setData(spectrumChartData(*run, intervals.get(), dataFile, names, model.get()), {},
                       true);
    } else {
        view_->setData({}, heatMapData(*run, dataFile, names), true);
    }
}

bool ChartWindow::saveTo(const QString& fileName, QString* error) const {
    if (host_.mayWrite && !host_.mayWrite(fileName, error)) {
        return false;
    }
    if (!writeChart(
            fileName, view_->size(),
            [this](QPainter& p, const QRectF& a) { view_->paintChart(p, a); }, error,
            windowTitle())) {
        return false;
    }
    if (host_.say) {
        host_.say("Saved the " + windowTitle().toLower() + " to " +
                  QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()));
    }
    return true;
}

void ChartWindow::copy() const {
    QApplication::clipboard()->setImage(view_->image());
    if (host_.say) {
        host_.say("Copied the " + windowTitle().toLower() + " as an image");
    }
}

void ChartWindow::saveAs() {
    QString filter;
    const QString name = QFileDialog::getSaveFileName(
        this, "Save the chart",
        QDir(host_.folder ? host_.folder() : QString())
            .filePath(kind_ == ChartKind::Spectrum ? "spectrum.png" : "matrix.png"),
        "PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)", &filter);
    if (name.isEmpty()) {
        return;
    }
    QString file = name;
    if (!chartFormatOf(file)) {
        // No known extension typed: the one of the chosen filter.
        file += filter.contains("svg") ? ".svg" : filter.contains("pdf") ? ".pdf" : ".png";
    }
    QString error;
    if (!saveTo(file, &error)) {
        QMessageBox::warning(this, "sscm", error);
    }
}

} // namespace sscm
