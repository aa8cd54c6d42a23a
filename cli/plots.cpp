#include "cli/plots.h"

#include "charts/charts.h"
#include "cli/limits.h"
#include "cli/terminal.h"
#include "data/textencoding.h"

#include <cstdint>
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

/// A whole number in decimal digits only, small enough for a long long.
bool wholeNumber(const std::string& text, long long& value) {
    if (text.empty() || text.size() > 12 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    return true;
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
               const std::size_t x = text.find('x');
               long long w = 0;
               long long h = 0;
               if (x == std::string::npos || !wholeNumber(text.substr(0, x), w) ||
                   !wholeNumber(text.substr(x + 1), h) || w < kMinSide || h < kMinSide ||
                   w > kMaxWidth || h > kMaxHeight)
                   throw CLI::ValidationError("--plot-size",
                                              "\"" + text +
                                                  "\" is not WIDTHxHEIGHT in pixels (100 to 20000 "
                                                  "wide, 100 to 200000 high)");
               // The picture is held whole in memory while it is drawn (4 bytes a pixel).
               const std::uint64_t bytes = std::uint64_t(w) * std::uint64_t(h) * 4;
               if (bytes > usableMemory())
                   throw CLI::ValidationError(
                       "--plot-size",
                       "a chart of " + text + " pixels needs " + std::to_string(bytes >> 20) +
                           " MB, more than this machine's memory allows; at this "
                           "width at most " +
                           std::to_string(usableMemory() / 4 / std::uint64_t(w)) + " pixels high");
               options.width = int(w);
               options.height = int(h);
           },
           "Size of the charts in pixels, WIDTHxHEIGHT (default: the chart's own size)")
        ->type_name("WxH");
}

Status chartsBuiltIn(const PlotOptions&) {
    return Status::ok();
}

Status writePlots(const PlotOptions& options, const Session& s, std::string_view dataFile,
                  PendingFiles& pending) {
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
            printError(text.toStdString());
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
                "Palatability spectrum", &pending))
            return Status::failed(error.toStdString());
    }
    if (!options.heatmap.empty()) {
        const HeatMapData d = heatMapData(r, dataFile, encoding);
        const QSize size = asked.isEmpty() ? heatMapNaturalSize(d) : asked;
        if (!writeChart(
                QString::fromLocal8Bit(options.heatmap.c_str()), size,
                [&](QPainter& p, const QRectF& area) { paintHeatMap(p, area, d); }, &error,
                "Comparison matrix", &pending))
            return Status::failed(error.toStdString());
    }
    return Status::ok();
}

} // namespace sscm::cli
