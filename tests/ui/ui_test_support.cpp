#include "ui_test_support.h"

#include <QColor>
#include <QFile>
#include <QTest>

namespace tevaro::ui::test {

TempFolder::TempFolder() : previous_(QDir::currentPath()) {
  if (!dir_.isValid() || !QDir::setCurrent(dir_.path())) qFatal("cannot make a temporary current folder");
}

TempFolder::~TempFolder() { QDir::setCurrent(previous_); }

QString ExamplePath(const QString& name) { return QDir(QStringLiteral(TEVARO_EXAMPLES_DIR)).filePath(name); }

void TempFolder::CopyExample(const QString& name) const {
  if (!QFile::copy(ExamplePath(name), file(name))) qFatal("cannot copy the example %s", qPrintable(name));
}

void TempFolder::CopyStartUpFiles() const {
  CopyExample(QStringLiteral("Location.dat"));
  CopyExample(QStringLiteral("Limits.dat"));
}

void TempFolder::Write(const QString& name, const QByteArray& bytes) const {
  QFile f(file(name));
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(name));
}

QByteArray TempFolder::Read(const QString& name) const {
  QFile f(file(name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

run::ReportBuffer NumberedReport(int lines) {
  run::ReportBuffer r;
  for (int i = 1; i <= lines; ++i) r.Add(QStringLiteral("L%1 ==== ==== ====").arg(i, 7, 10, QLatin1Char('0')).toStdString());
  return r;
}

int InkIn(const QImage& image, const QRect& area) {
  int ink = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(image.pixel(x, y)) < 128) ++ink;
  return ink;
}

}  // namespace tevaro::ui::test
