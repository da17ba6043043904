#include "app/cli_chart.h"

#ifdef TEVARO_HAVE_PDF
#include "app/cli_gui.h"
#include "ui/chart_drawing.h"
#endif

namespace tevaro::app {

#ifdef TEVARO_HAVE_PDF

data::WriteResult WriteCliChart(const run::ListedRun& run, std::int32_t night, const std::string& path) {
  const CliGui gui;
  return ui::WriteChartFile(path, run::BuildNightChart(run, night));
}

#else

data::WriteResult WriteCliChart(const run::ListedRun&, std::int32_t, const std::string& path) {
  return data::FileFailure{path, 0, "this tevaro-cli was built without Qt, which --chart needs",
                           data::FileFailure::Op::Write};
}

#endif

}  // namespace tevaro::app
