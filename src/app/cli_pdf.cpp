#include "app/cli_pdf.h"

#ifdef TEVARO_HAVE_PDF
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "run/pagination.h"
#include "ui/report_pages.h"
#endif

namespace tevaro::app {

#ifdef TEVARO_HAVE_PDF

namespace {
// Qt's start-up notes (a missing runtime folder and the like) are not the
// batch front end's to report; only its critical messages reach stderr.
void CriticalOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}
}  // namespace

data::WriteResult WriteCliPdf(const run::Session& session, const std::string& path, const std::string& paper) {
  // A PDF needs fonts, not a screen: the offscreen platform gives the same
  // pages with or without a display.
  const QtMessageHandler previous = qInstallMessageHandler(CriticalOnly);
  std::unique_ptr<QGuiApplication> app;
  if (QGuiApplication::instance() == nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tevaro-cli";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  ui::ReportDocument doc;
  doc.report = &session.report;
  doc.title = QString::fromStdString(
      run::PageFooterLeft(session.siteName, session.params.year, session.params.month, session.params.day));
  data::WriteResult result = ui::WriteReportPdf(path, doc, paper == "letter" ? QPageSize::Letter : QPageSize::A4);
  qInstallMessageHandler(previous);
  return result;
}

#else

data::WriteResult WriteCliPdf(const run::Session&, const std::string& path, const std::string&) {
  return data::FileFailure{path, 0, "this tevaro-cli was built without Qt, which --pdf needs",
                           data::FileFailure::Op::Write};
}

#endif

}  // namespace tevaro::app
