#include "app/cli_chart.h"

#ifdef TEVARO_HAVE_PDF
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "ui/chart_drawing.h"
#endif

namespace tevaro::app {

#ifdef TEVARO_HAVE_PDF

namespace {
// Qt's start-up notes are not the batch front end's to report.
void CriticalOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}
}  // namespace

data::WriteResult WriteCliChart(const run::ListedRun& run, std::int32_t night, const std::string& path) {
  const QtMessageHandler previous = qInstallMessageHandler(CriticalOnly);
  std::unique_ptr<QGuiApplication> app;
  if (QGuiApplication::instance() == nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tevaro-cli";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  data::WriteResult result = ui::WriteChartFile(path, run::BuildNightChart(run, night));
  qInstallMessageHandler(previous);
  return result;
}

#else

data::WriteResult WriteCliChart(const run::ListedRun&, std::int32_t, const std::string& path) {
  return data::FileFailure{path, 0, "this tevaro-cli was built without Qt, which --chart needs",
                           data::FileFailure::Op::Write};
}

#endif

}  // namespace tevaro::app
