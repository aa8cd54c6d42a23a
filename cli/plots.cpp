#include "cli/plots.h"

#include "charts/charts.h"
#include "data/textencoding.h"

#include <cstdio>
#include <memory>

#include <QGuiApplication>
#include <QPainter>

#include <CLI/CLI.hpp>

namespace sscm::cli {

namespace {

constexpr int kMinSide = 100;
constexpr int kMaxWidth = 20000;
constexpr int kMaxHeight = 200000;

std::string chartFileCheck(std::string& name) {
    if (!chartFormatOf(QString::fromLocal8Bit(name.c_str())))
        return "the chart file \"" + name + "\" must end in .png, .svg or .pdf";
    return {};
}

} // namespace

void addPlotOptions(CLI::App& app, PlotOptions& options) {
    app.add_option("--plot", options.plot,
                   "Write the palatability spectrum chart to FILE (.png, .svg or .pdf)")
        ->check(CLI::Validator(chartFileCheck, "FILE"));
    app.add_option("--heatmap", options.heatmap,
                   "Write the comparison-matrix heat map to FILE (.png, .svg or .pdf)")
        ->check(CLI::Validator(chartFileCheck, "FILE"));
    app.add_option_function<std::string>(
           "--plot-size",
           [&options](const std::string& text) {
               int w = 0;
               int h = 0;
               char x = 0;
               char extra = 0;
               if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || x != 'x' ||
                   w < kMinSide || h < kMinSide || w > kMaxWidth || h > kMaxHeight)
                   throw CLI::ValidationError("--plot-size",
                                              "\"" + text +
                                                  "\" is not WIDTHxHEIGHT in pixels (100 to 20000 "
                                                  "wide, 100 to 200000 high)");
               options.width = w;
               options.height = h;
           },
           "Size of the charts in pixels, WIDTHxHEIGHT (default: the chart's own size)")
        ->type_name("WxH");
}

Status chartsBuiltIn(const PlotOptions&) {
    return Status::ok();
}

Status writePlots(const PlotOptions& options, const Session& s, std::string_view dataFile) {
    if (!options.wanted())
        return Status::ok();
    if (!s.lastResult)
        return Status::failed("There is no finished run to draw.");
    // Painting text needs a GUI application; the batch front end never shows a window, so it
    // draws offscreen whatever display there is.
    std::unique_ptr<QGuiApplication> app;
    // Qt's notes on the desktop session (no runtime folder, no display) are of no concern to a
    // batch run; its errors still reach standard error.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "sscm-cli: %s\n", text.toLocal8Bit().constData());
    });
    if (QGuiApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "sscm-cli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    const AnalysisResult& r = *s.lastResult;
    // Names shown in the encoding decided for the run's whole table.
    const TextEncoding encoding = s.lastTable ? s.lastTable->encoding : TextEncoding::Utf8;
    const QSize asked(options.width, options.height);
    QString error;
    if (!options.plot.empty()) {
        const SpectrumChartData d =
            spectrumChartData(r, s.lastIntervals.get(), dataFile, encoding, s.lastModel.get());
        const QSize size = asked.isEmpty() ? spectrumNaturalSize(d) : asked;
        if (!writeChart(
                QString::fromLocal8Bit(options.plot.c_str()), size,
                [&](QPainter& p, const QRectF& area) { paintSpectrum(p, area, d); }, &error,
                "Palatability spectrum"))
            return Status::failed(error.toStdString());
    }
    if (!options.heatmap.empty()) {
        const HeatMapData d = heatMapData(r, dataFile, encoding);
        const QSize size = asked.isEmpty() ? heatMapNaturalSize(d) : asked;
        if (!writeChart(
                QString::fromLocal8Bit(options.heatmap.c_str()), size,
                [&](QPainter& p, const QRectF& area) { paintHeatMap(p, area, d); }, &error,
                "Comparison matrix"))
            return Status::failed(error.toStdString());
    }
    return Status::ok();
}

} // namespace sscm::cli
