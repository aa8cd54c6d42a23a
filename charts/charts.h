#pragma once

// The charts of a finished run for the window and sscm-cli: the spectrum chart, the
// comparison-matrix heat map, and the files they are written to.

#include "charts/chartfile.h"
#include "charts/chartstyle.h"
#include "charts/heatmap.h"
#include "charts/spectrumchart.h"
