#include "cli/plots.h"

#include "charts/charts.h"
#include "charts/runchart.h"
#include "cli/limits.h"
#include "cli/terminal.h"
#include "data/textencoding.h"

#include <cmath>
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

constexpr int kMaxDpi = 4800;

/// The charts' size, resolution and style as the options give them.
ChartExport chartExport(const PlotOptions& o) {
    ChartExport how;
    if (o.printWidth > 0) {
        how.size = QSizeF(o.printWidth, o.printHeight);
        how.unit = o.inches ? ChartExport::Unit::Inches : ChartExport::Unit::Millimetres;
    } else {
        how.size = QSizeF(o.width, o.height);
    }
    how.dpi = o.dpi;
    how.italicNames = o.italicNames;
    how.title = o.title;
    how.noTitle = o.noTitle;
    return how;
}

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
               const auto bad = [&text] {
                   return CLI::ValidationError(
                       "--plot-size", "\"" + text +
                                          "\" is not WIDTHxHEIGHT in pixels (100 to 20000 wide, "
                                          "100 to 200000 high), or in mm or in (170x100mm)");
               };
               double w = 0;
               double h = 0;
               char x = 0;
               int used = 0;
               if (std::sscanf(text.c_str(), "%lf%c%lf%n", &w, &x, &h, &used) != 3 || x != 'x' ||
                   text.find_first_not_of("0123456789.xmin") != std::string::npos)
                   throw bad();
               const std::string unit = text.substr(std::size_t(used));
               if (unit.empty() || unit == "px") {
                   if (w != std::floor(w) || h != std::floor(h) || w < kMinSide || h < kMinSide ||
                       w > kMaxWidth || h > kMaxHeight)
                       throw bad();
                   options.width = int(w);
                   options.height = int(h);
               } else if ((unit == "mm" || unit == "in") && w > 0 && h > 0 && w <= 10000 &&
                          h <= 10000) {
                   options.printWidth = w;
                   options.printHeight = h;
                   options.inches = unit == "in";
               } else {
                   throw bad();
               }
           },
           "Size of the charts: WIDTHxHEIGHT in pixels (default: the chart's own size), or a "
           "print size in mm or in, such as 170x100mm")
        ->type_name("WxH");
    app.add_option("--dpi", options.dpi,
                   "Resolution of the charts in dots per inch (a print size's default: 300)")
        ->check(CLI::Range(1, kMaxDpi));
    app.add_flag("--italic-names", options.italicNames,
                 "Species names in italics in the spectrum chart");
    app.add_option("--title", options.title, "Title of the spectrum chart");
    app.add_flag("--no-title", options.noTitle, "No title above the spectrum chart");
}

Status chartsBuiltIn(const PlotOptions& options) {
    const ChartExport how = chartExport(options);
    const QSize px = how.pixels();
    if (options.printWidth > 0 && (px.width() < kMinSide || px.height() < kMinSide ||
                                   px.width() > kMaxWidth || px.height() > kMaxHeight))
        return Status::failed("--plot-size at " + std::to_string(how.resolution()) + " dpi gives " +
                              std::to_string(px.width()) + "x" + std::to_string(px.height()) +
                              " pixels; charts are 100 to 20000 pixels wide and 100 to 200000 "
                              "high.");
    // The picture is held whole in memory while it is drawn (4 bytes a pixel).
    const std::uint64_t bytes = std::uint64_t(px.width()) * std::uint64_t(px.height()) * 4;
    if (bytes > usableMemory())
        return Status::failed(
            "--plot-size: a chart of " + std::to_string(px.width()) + "x" +
            std::to_string(px.height()) + " pixels needs " + std::to_string(bytes >> 20) +
            " MB, more than this machine's memory allows; at this width at most " +
            std::to_string(usableMemory() / 4 / std::uint64_t(px.width())) + " pixels high.");
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
    const ChartExport how = chartExport(options);
    QString error;
    for (const auto& [file, kind] : {std::pair{&options.plot, ChartKind::Spectrum},
                                     std::pair{&options.heatmap, ChartKind::HeatMap}}) {
        if (!file->empty() && !writeRunChart(r, s.lastIntervals.get(), dataFile, encoding, kind,
                                             QString::fromLocal8Bit(file->c_str()), &error, how,
                                             s.lastModel.get(), &pending))
            return Status::failed(error.toStdString());
    }
    return Status::ok();
}

} // namespace sscm::cli
