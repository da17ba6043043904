// tevaro-window-bench: Calculate of the full-capacity year in the main window
// (offscreen unless a platform is chosen), timed until the output window has
// drawn its first page, with the resident memory of the window program then.
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "bench_files.h"
#include "data/settings_file.h"
#include "support/catalogue.h"
#include "ui/frmMain.h"
#include "ui/frmOutput.h"
#include "ui/message_sink.h"

namespace {

// Resident memory now and at its peak, MiB, from the kernel's status file.
std::pair<long, long> ResidentMiB() {
  std::ifstream status("/proc/self/status");
  long now = 0, peak = 0;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) now = std::atol(line.c_str() + 6) / 1024;
    if (line.rfind("VmHWM:", 0) == 0) peak = std::atol(line.c_str() + 6) / 1024;
  }
  return {now, peak};
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  const fs::path dir = fs::temp_directory_path() / ("tevaro-window-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  tevaro::bench::WriteStarFile(dir / "stars.csv", tevaro::testing::MakeCatalogue(10000, 2));
  tevaro::bench::WriteSiteFiles(dir);
  tevaro::data::Settings settings;
  settings.dayCount = 365;
  settings.eventWanted = {-1, -1, -1, -1};
  settings.outputMode = 1;
  std::ofstream(dir / "tevaro6.ini", std::ios::binary) << tevaro::data::SettingsText(settings);
  fs::current_path(dir);

  tevaro::ui::RecordingMessageSink messages;
  tevaro::ui::frmMain w(messages, QString::fromStdString(dir.string()));
  w.show();
  if (w.session().OpenStarFile(dir.string(), "stars.csv")) {
    std::fprintf(stderr, "the star file did not load\n");
    return 1;
  }
  const char* date[3] = {"2025", "1", "1"};
  for (int n = 4; n <= 6; ++n) w.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n))->setText(date[n - 4]);
  QApplication::processEvents();
  const auto before = ResidentMiB();

  const auto t0 = std::chrono::steady_clock::now();
  w.Calculate();
  if (!w.outputWindow()) {
    std::fprintf(stderr, "no report: %s\n", messages.messages.join(QStringLiteral("; ")).toLocal8Bit().constData());
    return 1;
  }
  // The first page drawn, as the screen would get it.
  const QPixmap page = w.outputWindow()->grab();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  QApplication::processEvents();
  const auto after = ResidentMiB();

  std::printf("window, full capacity, mode 1: %zu report lines, first page %dx%d\n", w.session().report.LineCount(),
              page.width(), page.height());
  std::printf("  Calculate to first page %7.3f s\n", seconds);
  std::printf("  resident memory %ld MiB before, %ld MiB with the report shown (peak %ld MiB)\n", before.first,
              after.first, after.second);
  std::error_code ec;
  fs::current_path(fs::temp_directory_path(), ec);
  fs::remove_all(dir, ec);
  return 0;
}
