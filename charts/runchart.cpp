#include "charts/runchart.h"

#include "charts/charts.h"

#include <QPainter>

namespace sscm {

QSize ChartExport::pixels() const {
    if (size.isEmpty())
        return {};
    if (printSize())
        return printPixels(size.width(), size.height(), unit == Unit::Inches, resolution());
    return size.toSize();
}

bool writeRunChart(const AnalysisResult& run, const BootstrapResult* intervals,
                   std::string_view dataFile, TextEncoding names, ChartKind kind,
                   const QString& fileName, QString* error, const ChartExport& how,
                   const BtRanking* model, PendingFiles* pending) {
    const QSize asked = how.pixels();
    if (kind == ChartKind::Spectrum) {
        SpectrumChartData d = spectrumChartData(run, intervals, dataFile, names, model);
        d.italicNames = how.italicNames;
        d.title = how.title;
        d.showTitle = !how.noTitle;
        return writeChart(
            fileName, asked.isEmpty() ? spectrumNaturalSize(d) : asked,
            [&](QPainter& p, const QRectF& a) { paintSpectrum(p, a, d); }, error,
            "Palatability spectrum", how.resolution(), pending);
    }
    const HeatMapData d = heatMapData(run, dataFile, names);
    return writeChart(
        fileName, asked.isEmpty() ? heatMapNaturalSize(d) : asked,
        [&](QPainter& p, const QRectF& a) { paintHeatMap(p, a, d); }, error, "Comparison matrix",
        how.resolution(), pending);
}

} // namespace sscm
