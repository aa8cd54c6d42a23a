#pragma once

#include "analysis/analysis.h"
#include "analysis/bootstrap.h"
#include "charts/charts.h"
#include "charts/runchart.h"

#include <functional>
#include <memory>
#include <string>

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QWidget>

class QScrollArea;

namespace sscm {

/// Paints one chart at its own size.
class ChartView final : public QWidget {
public:
    ChartView(ChartKind kind, QWidget* parent);

    void setData(const SpectrumChartData& spectrum, const HeatMapData& heat, bool hasRun);
    /// The chart as it shows now, as an image.
    QImage image() const;
    /// Paints the chart into `area` of any paint device.
    void paintChart(QPainter& p, const QRectF& area) const;
    bool hasRun() const { return hasRun_; }
    /// The size that shows every row (spectrum) or a readable matrix (heat map).
    QSize naturalSize() const;
    /// What the heat map's cell under `point` says ("A vs B: mean 2.33 over 6 comparisons");
    /// empty elsewhere and on the spectrum.
    QString toolTipAt(const QPointF& point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    ChartKind kind_;
    SpectrumChartData spectrum_;
    HeatMapData heat_;
    bool hasRun_ = false;
};

/// A resizable window of its own showing one chart of the latest run (View, Spectrum chart or
/// Comparison matrix), with Save as (PNG, SVG, PDF at the size on view) and Copy (an image).
class ChartWindow final : public QWidget {
public:
    ChartWindow(ChartKind kind, QWidget* parent);

    ChartKind kind() const { return kind_; }
    /// Shows the run (null: none yet), its intervals and its model-based ranking (null: none);
    /// `names` is the encoding of the run's table.
    void setRun(const std::shared_ptr<const AnalysisResult>& run,
                const std::shared_ptr<const BootstrapResult>& intervals,
                const std::string& dataFile, TextEncoding names,
                const std::shared_ptr<const BtRanking>& model = nullptr);
    /// Writes the chart as shown into `fileName`, the format by its extension.
    bool saveTo(const QString& fileName, QString* error) const;
    /// Puts the chart as shown on the clipboard as an image.
    void copy() const;
    const ChartView* view() const { return view_; }

    /// What the main window tells a chart window: whether a file may be written (false with
    /// the reason: it is the data file), where to report what was saved or copied, and the
    /// folder that Save as starts in.
    struct Host {
        std::function<bool(const QString& file, QString* error)> mayWrite;
        std::function<void(const QString& message)> say;
        std::function<QString()> folder;
    };
    void setHost(Host host) { host_ = std::move(host); }

private:
    void saveAs();

    Host host_;

    ChartKind kind_;
    ChartView* view_ = nullptr;
    QScrollArea* area_ = nullptr;
};

} // namespace sscm
