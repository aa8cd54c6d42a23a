#pragma once

#include "commands/session.h"
#include "data/freshfile.h"
#include "data/status.h"

#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace sscm::cli {

/// The chart files sscm-cli writes after a run: --plot (the spectrum), --heatmap (the comparison
/// matrix), each in the format of its extension, at --plot-size or at the chart's own size.
struct PlotOptions {
    std::string plot;
    std::string heatmap;
    /// Width and height in pixels (points in a PDF); 0 for the chart's own size.
    int width = 0;
    int height = 0;
    /// A print size instead: width and height in millimetres or inches (0: none), printed at
    /// `dpi` dots per inch (0: 300 for a print size; with pixels, no resolution recorded).
    double printWidth = 0;
    double printHeight = 0;
    bool inches = false;
    int dpi = 0;
    /// Species names in italics; a title of the user's choice, or none.
    bool italicNames = false;
    std::string title;
    bool noTitle = false;

    bool wanted() const { return !plot.empty() || !heatmap.empty(); }
};

/// Adds --plot, --heatmap, --plot-size (WxH in pixels, or WxHmm, WxHin), --dpi,
/// --italic-names, --title and --no-title to the command line; a name without .png, .svg or .pdf
/// and a size that is not WxH are usage errors, found before the run starts.
void addPlotOptions(CLI::App& app, PlotOptions& options);

/// Refuses charts asked for (--plot, --heatmap) when sscm-cli was built without them, and a print
/// size whose pixels at --dpi do not fit: usage errors found before the run starts.
Status chartsBuiltIn(const PlotOptions& options);

/// Draws the last run of `s` (with its intervals, when it has any) into the files asked for,
/// which `pending` puts in place with the rest of the run's files. `dataFile` names the data in
/// the titles. Runs without a display.
Status writePlots(const PlotOptions& options, const Session& s, std::string_view dataFile,
                  PendingFiles& pending);

} // namespace sscm::cli
