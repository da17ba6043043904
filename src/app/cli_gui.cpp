#include "app/cli_gui.h"

#include <cstdio>

namespace tevaro::app {
namespace {

// Qt's start-up notes (a missing runtime folder and the like) are not the
// batch front end's to report.
void CriticalOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

CliGui::CliGui() : previous_(qInstallMessageHandler(CriticalOnly)) {
  if (QGuiApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "tevaro-cli";
  static char* argv[] = {name, nullptr};
  app_ = std::make_unique<QGuiApplication>(argc, argv);
}

CliGui::~CliGui() {
  app_.reset();
  qInstallMessageHandler(previous_);
}

}  // namespace tevaro::app
