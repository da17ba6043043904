// tevaro: the window program. Starts in the current folder, where the
// settings file and the default data files are looked up, or in the folder
// --folder names, made ready first.
#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/window_options.h"
#include "data/start_folder.h"
#include "data/text.h"
#include "tevaro_version.h"
#include "ui/frmMain.h"
#include "ui/message_sink.h"

namespace {

// The installed sample files, found from the program's own place, so that an
// install under any prefix finds its own.
std::string InstalledExamples() {
  return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../" TEVARO_INSTALL_DATADIR "/tevaro/examples"))
      .absolutePath()
      .toStdString();
}

}  // namespace

int main(int argc, char* argv[]) {
  // Our own options first: --help and --version need no display.
  const char* home = std::getenv("HOME");
  std::string error;
  const auto options =
      tevaro::app::ParseWindowOptions(std::vector<std::string>(argv + 1, argv + argc), home ? home : "", error);
  if (!options) {
    std::cerr << "tevaro: " << tevaro::data::EscapeControls(error) << "\n" << tevaro::app::WindowUsage();
    return 2;
  }
  if (options->help) {
    std::cout << tevaro::app::WindowUsage();
    return 0;
  }
  if (options->version) {
    std::cout << "tevaro " << tevaro::kVersion << "\n";
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tevaro"));
  QApplication::setApplicationVersion(QString::fromLatin1(tevaro::kVersion));
  // Every window stays until the main window's Exit ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  tevaro::ui::BoxMessageSink messages;
  if (options->folder) {
    // Nothing else is read or written when the folder cannot be made ready.
    const std::optional<std::string> failure = tevaro::data::PrepareStartFolder(*options->folder, InstalledExamples());
    if (failure || !QDir::setCurrent(QString::fromStdString(*options->folder))) {
      // The folder's name may hold control characters: written as \xHH.
      const std::string text =
          tevaro::data::EscapeControls(failure.value_or("cannot enter the folder '" + *options->folder + "'"));
      std::cerr << "tevaro: " << text << "\n";
      messages.Show(nullptr, QString::fromStdString("Tevaro cannot start in its folder: " + text));
      return 2;
    }
  }
  tevaro::ui::frmMain main(messages, QDir::currentPath());
  main.SetEndHandler([] { QCoreApplication::exit(0); });
  main.show();
  return QApplication::exec();
}
