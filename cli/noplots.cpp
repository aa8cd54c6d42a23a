// The chart options of an sscm-cli built without charts: --plot and --heatmap are still known,
// so that asking for them says why there is no chart instead of calling the option unknown.

#include "cli/plots.h"

#include <CLI/CLI.hpp>

namespace sscm::cli {

void addPlotOptions(CLI::App& app, PlotOptions& options) {
    app.add_option("--plot", options.plot, "Not built in: this sscm-cli has no charts");
    app.add_option("--heatmap", options.heatmap, "Not built in: this sscm-cli has no charts");
    app.add_option_function<std::string>(
           "--plot-size", [](const std::string&) {}, "Not built in: this sscm-cli has no charts")
        ->type_name("WxH");
    app.add_option("--dpi", options.dpi, "Not built in: this sscm-cli has no charts");
    app.add_flag("--italic-names", options.italicNames,
                 "Not built in: this sscm-cli has no charts");
    app.add_option("--title", options.title, "Not built in: this sscm-cli has no charts");
    app.add_flag("--no-title", options.noTitle, "Not built in: this sscm-cli has no charts");
}

Status chartsBuiltIn(const PlotOptions& options) {
    if (!options.wanted())
        return Status::ok();
    return Status::failed("--plot and --heatmap are not built in: this sscm-cli was built "
                          "without charts.");
}

Status writePlots(const PlotOptions& options, const Session&, std::string_view, PendingFiles&) {
    return chartsBuiltIn(options);
}

} // namespace sscm::cli
