// Shared pieces of the widget tests: a fresh current folder per case, the
// example files, and reading what a window has drawn.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include "run/report.h"
#include "ui/frmMain.h"
#include "ui/message_sink.h"

namespace tevaro::ui::test {

// A new empty folder made the current folder for the life of the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  // Copies examples/<name> into this folder.
  void CopyExample(const QString& name) const;
  // Copies the example Location.dat and Limits.dat, the files start-up reads.
  void CopyStartUpFiles() const;
  void Write(const QString& name, const QByteArray& bytes) const;
  QByteArray Read(const QString& name) const;

 private:
  QTemporaryDir dir_;
  QString previous_;
};

QString ExamplePath(const QString& name);

// The main window started in a folder, its messages recorded.
struct Started {
  explicit Started(const TempFolder& dir) : w(messages, dir.path()) {}
  RecordingMessageSink messages;
  frmMain w;
};

// A report of `lines` numbered lines: "L0000001 ==== ==== ====" and so on.
run::ReportBuffer NumberedReport(int lines);

// Number of pixels in `area` of `image` darker than mid grey: ink of drawn text.
int InkIn(const QImage& image, const QRect& area);

}  // namespace tevaro::ui::test
