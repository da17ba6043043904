#include "app/cli_chart.h"

#ifdef TEVARO_HAVE_PDF
#include "app/cli_gui.h"
#include "app/cli_output.h"
#include "ui/chart_drawing.h"
#endif

namespace tevaro::app {

#ifdef TEVARO_HAVE_PDF

data::WriteResult WriteCliChart(const run::ListedRun& run, std::int32_t night, const std::string& path) {
  const CliGui gui;
  const bool svg = QString::fromStdString(path).endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
  const QByteArray bytes = ui::ChartFileBytes(run::BuildNightChart(run, night), svg);
  if (bytes.isEmpty()) return data::FileFailure{path, 0, "the chart could not be drawn", data::FileFailure::Op::Write};
  return WriteCliOutput(path, [&bytes](const data::ByteSink& sink) {
    return sink(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  });
}

#else

data::WriteResult WriteCliChart(const run::ListedRun&, std::int32_t, const std::string& path) {
  return data::FileFailure{path, 0, "this tevaro-cli was built without Qt, which --chart needs",
                           data::FileFailure::Op::Write};
}

#endif

}  // namespace tevaro::app
