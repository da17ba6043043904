// tevaro: the window program. Starts in the current folder, where the
// settings file and the default data files are looked up.
#include <QApplication>
#include <QDir>

#include "ui/frmMain.h"
#include "ui/message_sink.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tevaro"));
  // Every window stays until the main window's Exit ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  tevaro::ui::BoxMessageSink messages;
  tevaro::ui::frmMain main(messages, QDir::currentPath());
  main.SetEndHandler([] { QCoreApplication::exit(0); });
  main.show();
  return QApplication::exec();
}
