// The batch front end's --chart: one night of the run as a picture.
#pragma once

#include <cstdint>
#include <string>

#include "data/load_result.h"
#include "run/night_chart.h"

namespace tevaro::app {

// Writes the chart of local day `night` of `run` as the night chart window
// draws it, 1600 x 1000 pixels, PNG or (for a name ending in .svg) SVG, to
// `path` or to standard output (PNG) for "-".
// Starts Qt only here, on its offscreen platform unless QT_QPA_PLATFORM
// names another.
data::WriteResult WriteCliChart(const run::ListedRun& run, std::int32_t night, const std::string& path);

}  // namespace tevaro::app
