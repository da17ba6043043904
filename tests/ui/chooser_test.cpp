// The file choosers: patterns, folders, layout, loading each kind of file and
// saving the report.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "ui/frmFileChooser.h"
#include "ui/frmMain.h"
#include "ui/frmOutput.h"
#include "ui/twips.h"
#include "ui_test_support.h"

#ifdef __linux__
#include <sys/fsuid.h>
#include <unistd.h>
#endif

using tevaro::ui::ChooserKind;
using tevaro::ui::frmFileChooser;
using tevaro::ui::frmMain;
using tevaro::ui::frmOutput;
using tevaro::ui::RecordingMessageSink;
using tevaro::ui::test::Started;
using tevaro::ui::test::TempFolder;

namespace {

template <class T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(QString::fromLatin1(name));
  if (c == nullptr) qFatal("no control %s", name);
  return c;
}

QLineEdit* NameBox(frmFileChooser* c) { return Child<QLineEdit>(c, "Text1"); }
QLineEdit* MainText(frmMain& w, int n) { return w.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n)); }

QString Mkdir(const TempFolder& dir, const QString& name) {
  if (!QDir(dir.path()).mkpath(name)) qFatal("cannot make %s", qPrintable(name));
  return QDir::cleanPath(dir.file(name));
}

void Put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

QByteArray Get(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void CopyExampleTo(const QString& name, const QString& path) {
  if (!QFile::copy(tevaro::ui::test::ExamplePath(name), path)) qFatal("cannot copy %s", qPrintable(name));
}

// A user's click on the entry `text` of a list, or a double-click.
void ClickEntry(QListWidget* list, const QString& text, bool twice = false) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchEndsWith);
  if (found.isEmpty()) qFatal("no entry %s", qPrintable(text));
  list->scrollToItem(found.first());
  const QPoint at = list->visualItemRect(found.first()).center();
  // A double-click is a press and release, then the second press.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  if (twice) {
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
}

void ClickOk(frmFileChooser* c) { QTest::mouseClick(Child<QPushButton>(c, "Command1"), Qt::LeftButton); }

QAction* MenuItem(QWidget& w, const char* name) {
  QAction* a = w.findChild<QAction*>(QString::fromLatin1(name));
  if (a == nullptr) qFatal("no menu item %s", name);
  return a;
}

tevaro::run::ReportBuffer Report(int lines, const char* tag) {
  tevaro::run::ReportBuffer r;
  for (int i = 1; i <= lines; ++i) r.Add(QStringLiteral("%1 line %2  ==== ====").arg(QLatin1String(tag)).arg(i).toStdString());
  return r;
}

QByteArray CrLfLines(const tevaro::run::ReportBuffer& r) {
  QByteArray bytes;
  for (std::size_t i = 1; i <= r.LineCount(); ++i) {
    const std::string_view line = r.Line(i);
    bytes += QByteArray(line.data(), static_cast<qsizetype>(line.size())) + "\r\n";
  }
  return bytes;
}

// A main window started in `dir` with the example locations and limits.
}  // namespace

class ChooserTest : public QObject {
  Q_OBJECT

 private slots:
  void openChoosersShowEntryZero_data();
  void openChoosersShowEntryZero();
  void patternsFilterTheFileList();
  void nameBoxShowsTheWholeProposedName();
  void folderChangeFillsTheNameBox();
  void enterInFolderListOpensWithoutOk();
  void layoutArithmetic();
  void windowSpringsBackToItsMinimum();
  void cancelKeepsFolderButRecordsNothing();
  void starFileLoadsThroughChooser();
  void failedStarLoadChangesNothing();
  void unusableStarsNamedInOneMessage();
  void locationsAndLimitsLoadInChosenFolder();
  void failedLocationsAndLimitsLoadsChangeNothing();
  void saveWritesExactCrLfLines();
  void saveTwiceKeepsOnlySecond();
  void saveFailuresGiveMessageAndKeepOlderFile();
  void saveIntoReadOnlyFolder();
  void savedFileMatchesBatchFrontEnd();
  void saveAsksBeforeReplacing();
  void noWaitCursorOverSaveMessages();
  void tabOrderFollowsTheLayoutTable_data();
  void tabOrderFollowsTheLayoutTable();
};

void ChooserTest::openChoosersShowEntryZero_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<QString>("object");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QStringList>("patterns");
  QTest::addColumn<QString>("atLoad");
  QTest::addColumn<QString>("firstName");  // the star chooser proposes a star file of its folder
  QTest::newRow("star data") << "Open_StarFile" << "frmOpenStarFile" << "Open Star File" << QStringList{"*.csv", "*.*"}
                             << "*.csv" << "stars.csv";
  QTest::newRow("locations") << "Open_LocationsFile" << "frmOpenLocationsFile" << "Open Locations File"
                             << QStringList{"*.csv", "*.*"} << "*.csv" << "location.dat";
  QTest::newRow("site limits") << "Open_LimitsFile" << "frmOpenLimitsFile" << "Open Limits File"
                               << QStringList{"*.csv", "*.dat", "*.txt", "*.*"} << "*.dat" << "location.dat";
}

void ChooserTest::openChoosersShowEntryZero() {
  QFETCH(QString, item);
  QFETCH(QString, object);
  QFETCH(QString, caption);
  QFETCH(QStringList, patterns);
  QFETCH(QString, atLoad);
  QFETCH(QString, firstName);
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  dir.CopyExample(QStringLiteral("Limits.dat"));
  dir.CopyExample(QStringLiteral("stars.csv"));
  Started s(dir);
  MenuItem(s.w, qPrintable(item))->trigger();
  frmFileChooser* c = nullptr;
  for (frmFileChooser* k : {s.w.starChooser(), s.w.locationsChooser(), s.w.limitsChooser()})
    if (k != nullptr && k->objectName() == object) c = k;
  QVERIFY(c != nullptr);
  QVERIFY(c->isVisible());
  QCOMPARE(c->windowTitle(), caption);
  QCOMPARE(c->patterns(), patterns);
  // Shown with entry 0 in force, whatever the load selected.
  QCOMPARE(c->pattern(), QStringLiteral("*.csv"));
  QCOMPARE(Child<QComboBox>(c, "Combo1")->currentText(), QStringLiteral("*.csv"));
  QCOMPARE(c->listedFiles(), QStringList{QStringLiteral("stars.csv")});
  QCOMPARE(NameBox(c)->text(), firstName);
  QCOMPARE(c->folder(), QDir::cleanPath(dir.path()));
  QCOMPARE(c->palette().color(QPalette::Window), QColor(192, 192, 192));
  QCOMPARE(Child<QLabel>(c, "Label2")->text(), QStringLiteral("List Files of Type:"));

  // A chooser made but not opened from the menu keeps its own pattern at load.
  frmFileChooser fresh(c->kind(), QStringLiteral("location.dat"), {});
  QCOMPARE(fresh.pattern(), atLoad);
}

void ChooserTest::nameBoxShowsTheWholeProposedName() {
  TempFolder dir;
  struct Case {
    ChooserKind kind;
    const char* name;
  };
  for (const Case& c : {Case{ChooserKind::SaveChart, "tevaro-night-2026-12-09.png"},
                        Case{ChooserKind::ExportPdf, "tevaro-2026-12-09-with-a-longer-name.pdf"},
                        Case{ChooserKind::StarFile, "location.dat"}}) {
    frmFileChooser chooser(c.kind, QString::fromLatin1(c.name), {});
    chooser.show();
    QLineEdit* box = NameBox(&chooser);
    // The text with the box's frame and margins, a few pixels each side.
    QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <= box->width() - 8, c.name);
    // The buttons stay right of the folder list.
    QVERIFY(chooser.findChild<QListWidget*>(QStringLiteral("Dir1"))->geometry().right() <
            chooser.findChild<QPushButton*>(QStringLiteral("Command1"))->x());
  }
  // A short name keeps the design's size.
  frmFileChooser small(ChooserKind::StarFile, QStringLiteral("location.dat"), {});
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&small);
  QCOMPARE(small.width(), t.ToPx(6870));
}

void ChooserTest::patternsFilterTheFileList() {
  TempFolder dir;
  for (const char* name : {"b.csv", "A.CSV", "Limits.dat", "notes.txt", "README", ".hidden.csv"})
    dir.Write(QString::fromLatin1(name), "x");
  Mkdir(dir, QStringLiteral("sub.csv"));
  frmFileChooser c(ChooserKind::LimitsFile, QStringLiteral("location.dat"), {});
  QCOMPARE(c.listedFiles(), QStringList{QStringLiteral("Limits.dat")});
  c.SelectPattern(0);
  // Patterns ignore case; folders and hidden files are not listed.
  QCOMPARE(c.listedFiles(), (QStringList{"A.CSV", "b.csv"}));
  c.SelectPattern(2);
  QCOMPARE(c.listedFiles(), QStringList{QStringLiteral("notes.txt")});
  c.SelectPattern(3);
  // "*.*" lists every file, also one without an extension.
  QCOMPARE(c.listedFiles(), (QStringList{"A.CSV", "b.csv", "Limits.dat", "notes.txt", "README"}));
  // A pattern pick leaves the name box alone.
  QCOMPARE(NameBox(&c)->text(), QStringLiteral("location.dat"));
  // The list is read again at each pick.
  dir.Write(QStringLiteral("later.txt"), "x");
  c.SelectPattern(2);
  QCOMPARE(c.listedFiles(), (QStringList{"later.txt", "notes.txt"}));
}

void ChooserTest::folderChangeFillsTheNameBox() {
  TempFolder dir;
  const QString empty = Mkdir(dir, QStringLiteral("nothing here"));
  const QString data = Mkdir(dir, QStringLiteral("data"));
  Put(empty + "/readme.txt", "x");
  Put(data + "/zeta.csv", "x");
  Put(data + "/alpha.csv", "x");
  frmFileChooser c(ChooserKind::StarFile, QStringLiteral("location.dat"), {});
  c.show();
  auto* dir1 = Child<QListWidget>(&c, "Dir1");
  QCOMPARE(c.listedFolders().mid(c.listedFolders().size() - 2), (QStringList{data, empty}));

  ClickEntry(dir1, QStringLiteral("nothing here"), true);
  QCOMPARE(c.folder(), empty);
  QVERIFY(c.listedFiles().isEmpty());
  QCOMPARE(NameBox(&c)->text(), QString());
  QVERIFY(Child<QLabel>(&c, "Label4")->toolTip().endsWith(QStringLiteral("nothing here")));

  // Up through the parent's entry, then into the other folder.
  ClickEntry(dir1, QFileInfo(dir.path()).fileName(), true);
  QCOMPARE(c.folder(), QDir::cleanPath(dir.path()));
  ClickEntry(dir1, QStringLiteral("data"), true);
  QCOMPARE(c.listedFiles(), (QStringList{"alpha.csv", "zeta.csv"}));
  QCOMPARE(NameBox(&c)->text(), QStringLiteral("alpha.csv"));
  // A click in the file list takes that file's name.
  ClickEntry(Child<QListWidget>(&c, "File1"), QStringLiteral("zeta.csv"));
  QCOMPARE(NameBox(&c)->text(), QStringLiteral("zeta.csv"));
}

void ChooserTest::enterInFolderListOpensWithoutOk() {
  TempFolder dir;
  const QString sub = Mkdir(dir, QStringLiteral("sub"));
  int oks = 0;
  frmFileChooser c(ChooserKind::StarFile, QStringLiteral("location.dat"), [&oks] { ++oks; });
  c.ShowChooser();
  auto* dir1 = Child<QListWidget>(&c, "Dir1");
  dir1->setFocus();
  dir1->setCurrentItem(dir1->findItems(QStringLiteral("sub"), Qt::MatchEndsWith).first());
  QTest::keyClick(dir1, Qt::Key_Return);
  QCOMPARE(c.folder(), sub);
  QCOMPARE(oks, 0);
  QVERIFY(c.isVisible());
  // Enter in the name box is OK; Escape is Cancel.
  QTest::keyClick(NameBox(&c), Qt::Key_Return);
  QCOMPARE(oks, 1);
  QVERIFY(!c.isVisible());
  c.ShowChooser();
  QTest::keyClick(NameBox(&c), Qt::Key_Escape);
  QCOMPARE(oks, 1);
  QVERIFY(!c.isVisible());
}

void ChooserTest::layoutArithmetic() {
  using tevaro::ui::ComputeChooserLayout;
  const auto small = ComputeChooserLayout(6525, 3540);
  QCOMPARE(small.text1.width(), 2362.5);
  QCOMPARE(small.file1.width(), 2362.5);
  QCOMPARE(small.combo1.width(), 2362.5);
  QCOMPARE(small.dir1.width(), 2002.5);
  QCOMPARE(small.drive1.width(), 2002.5);
  for (const QRectF& r : {small.label3, small.label4, small.dir1, small.label5, small.drive1}) QCOMPARE(r.left(), 2707.5);
  QCOMPARE(small.command1.left(), 4935.0);
  QCOMPARE(small.command2.left(), 4935.0);
  QCOMPARE(small.file1.height(), 1440.0);
  QCOMPARE(small.label2.top(), 2430.0);
  QCOMPARE(small.combo1.top(), 2670.0);
  QCOMPARE(small.dir1.height(), 1650.0);
  QCOMPARE(small.label5.top(), 2430.0);
  QCOMPARE(small.drive1.top(), 2670.0);

  // 1000 wider: each column 500 wider, the right column and buttons follow.
  const auto wide = ComputeChooserLayout(7525, 3540);
  QCOMPARE(wide.text1.width() - small.text1.width(), 500.0);
  QCOMPARE(wide.dir1.width() - small.dir1.width(), 500.0);
  QCOMPARE(wide.label3.left(), 3207.5);
  QCOMPARE(wide.command1.left(), 5935.0);
  // What does not move.
  QCOMPARE(wide.text1.left(), 120.0);
  QCOMPARE(wide.file1.top(), 840.0);
  QCOMPARE(wide.dir1.top(), 720.0);
  QCOMPARE(wide.command2.top(), 1200.0);
  QCOMPARE(wide.label2.width(), 2415.0);
}

void ChooserTest::windowSpringsBackToItsMinimum() {
  TempFolder dir;
  frmFileChooser c(ChooserKind::SaveOutput, QStringLiteral("r.txt"), {});
  c.show();
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&c);
  c.resize(20, 20);
  QCoreApplication::processEvents();
  const tevaro::ui::OuterTwips o = tevaro::ui::ReadOuter(c);
  QCOMPARE(o.width, 6525);
  QCOMPARE(o.height, 3540);
  // The controls sit where the arithmetic puts them.
  const auto l = tevaro::ui::ComputeChooserLayout(6525, 3540);
  QCOMPARE(NameBox(&c)->geometry(), t.Rect(l.text1.x(), l.text1.y(), l.text1.width(), l.text1.height()));
  QCOMPARE(Child<QPushButton>(&c, "Command1")->x(), t.ToPx(4935));
  QCOMPARE(Child<QListWidget>(&c, "Dir1")->x(), t.ToPx(2707.5));
  ApplyOuter(c, {0, 0, 7525, 4540});
  QCOMPARE(Child<QPushButton>(&c, "Command2")->x(), t.ToPx(5935));
  QCOMPARE(Child<QListWidget>(&c, "File1")->height(), t.ToPx(4540 - 2100));
}

void ChooserTest::cancelKeepsFolderButRecordsNothing() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  const QString sub = Mkdir(dir, QStringLiteral("sub"));
  Started s(dir);
  MenuItem(s.w, "Open_StarFile")->trigger();
  frmFileChooser* c = s.w.starChooser();
  c->OpenFolder(sub);
  QTest::mouseClick(Child<QPushButton>(c, "Command2"), Qt::LeftButton);
  QVERIFY(!c->isVisible());
  QCOMPARE(s.w.session().chosenFolder, std::string());
  QVERIFY(!s.w.session().loaded.starsLoaded);
  QCOMPARE(QDir::currentPath(), QDir::cleanPath(dir.path()));
  MenuItem(s.w, "Open_StarFile")->trigger();
  QCOMPARE(c, s.w.starChooser());
  QCOMPARE(c->folder(), sub);
  // Closing the window is Cancel too, and keeps the chooser for next time.
  c->close();
  QVERIFY(!c->isVisible());
  QCOMPARE(s.w.session().chosenFolder, std::string());
  QVERIFY(s.messages.messages.isEmpty());
}

void ChooserTest::starFileLoadsThroughChooser() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  const QString data = Mkdir(dir, QStringLiteral("data"));
  CopyExampleTo(QStringLiteral("stars.csv"), data + "/stars.csv");
  Started s(dir);
  QCOMPARE(MainText(s.w, 10)->text(), QStringLiteral("Load file using menu bar"));
  MenuItem(s.w, "Open_StarFile")->trigger();
  frmFileChooser* c = s.w.starChooser();
  ClickEntry(Child<QListWidget>(c, "Dir1"), QStringLiteral("data"), true);
  // A double-click on the file is OK.
  ClickEntry(Child<QListWidget>(c, "File1"), QStringLiteral("stars.csv"), true);
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));
  QVERIFY(!c->isVisible());
  const tevaro::run::Session& ses = s.w.session();
  QVERIFY(ses.loaded.starsLoaded);
  QVERIFY(ses.stars.entries.size() > 5);
  QCOMPARE(ses.starFileName, std::string("stars.csv"));
  QCOMPARE(QString::fromStdString(ses.chosenFolder), data);
  QCOMPARE(MainText(s.w, 10)->text(), QStringLiteral("stars.csv"));
  QCOMPARE(MainText(s.w, 10)->palette().color(QPalette::Text), QColor(Qt::black));
  // The star file's folder is the current one, where the next chooser starts.
  QCOMPARE(QDir::currentPath(), data);
  MenuItem(s.w, "Open_LimitsFile")->trigger();
  QCOMPARE(s.w.limitsChooser()->folder(), data);
  QCOMPARE(s.w.limitsChooser()->listedFiles(), QStringList{QStringLiteral("stars.csv")});
}

void ChooserTest::failedStarLoadChangesNothing() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  dir.CopyExample(QStringLiteral("Limits.dat"));
  dir.CopyExample(QStringLiteral("stars.csv"));
  dir.Write(QStringLiteral("bad.csv"), "Heading\r\nname,RA,Dec,HJDo,Period\r\nCut Short,1.0\r\n");
  Started s(dir);
  MenuItem(s.w, "Open_StarFile")->trigger();
  frmFileChooser* c = s.w.starChooser();
  NameBox(c)->setText(QStringLiteral("stars.csv"));
  ClickOk(c);
  QVERIFY(s.messages.messages.isEmpty());
  const std::size_t count = s.w.session().stars.entries.size();

  for (const char* name : {"bad.csv", "missing.csv", ""}) {
    MenuItem(s.w, "Open_StarFile")->trigger();
    NameBox(c)->setText(QString::fromLatin1(name));
    ClickOk(c);
    QCOMPARE(s.messages.messages.size(), 1);
    const QString m = s.messages.messages.takeFirst();
    QVERIFY2(m.startsWith(QStringLiteral("The star data file was not loaded.  ")), qPrintable(m));
    QVERIFY2(m.contains(QDir(dir.path()).filePath(QString::fromLatin1(name))), qPrintable(m));
    if (QByteArray(name) == "bad.csv") QVERIFY2(m.contains(QStringLiteral("line 3")), qPrintable(m));
    QVERIFY(!c->isVisible());
    QVERIFY(s.w.session().loaded.starsLoaded);
    QCOMPARE(s.w.session().stars.entries.size(), count);
    QCOMPARE(s.w.session().starFileName, std::string("stars.csv"));
    QCOMPARE(MainText(s.w, 10)->text(), QStringLiteral("stars.csv"));
    QCOMPARE(MainText(s.w, 10)->palette().color(QPalette::Text), QColor(Qt::black));
  }
  // The report header still names the file whose stars the run used.
  MainText(s.w, 4)->setText(QStringLiteral("2011"));
  MainText(s.w, 5)->setText(QStringLiteral("05"));
  MainText(s.w, 6)->setText(QStringLiteral("04"));
  s.w.Calculate();
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));
  QByteArray header;
  for (std::size_t i = 1; i <= 6 && i <= s.w.session().report.LineCount(); ++i) header += s.w.session().report.Line(i).data();
  QVERIFY2(header.contains("stars.csv") && !header.contains("bad.csv"), header.constData());
}

void ChooserTest::unusableStarsNamedInOneMessage() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  QByteArray text = "Stars\r\nname,RA,Dec,HJDo,Period\r\nGood,6.0,60.0,55000.25,0.8\r\n";
  for (int k = 1; k <= 7; ++k) text += "Bad " + QByteArray::number(k) + ",6.0,60.0,55000.25,-" + QByteArray::number(k) + "\r\n";
  dir.Write(QStringLiteral("many.csv"), text);
  Started s(dir);
  MenuItem(s.w, "Open_StarFile")->trigger();
  NameBox(s.w.starChooser())->setText(QStringLiteral("many.csv"));
  ClickOk(s.w.starChooser());
  QCOMPARE(s.messages.messages.size(), 1);
  const QStringList lines = s.messages.messages.first().split(QLatin1Char('\n'));
  QCOMPARE(lines.size(), 7);
  QCOMPARE(lines[0], QStringLiteral("7 of the stars in many.csv can give no event and are left out of every run:"));
  QCOMPARE(lines[1], QStringLiteral("line 4: Bad 1: the period -1 is not a positive number of days; it is left out"));
  QVERIFY(lines[5].startsWith(QStringLiteral("line 8: Bad 5:")));
  QCOMPARE(lines[6], QStringLiteral("... and 2 more."));
  // The load itself succeeded.
  QCOMPARE(s.w.session().stars.entries.size(), std::size_t{8});
  QCOMPARE(MainText(s.w, 10)->text(), QStringLiteral("many.csv"));
}

void ChooserTest::locationsAndLimitsLoadInChosenFolder() {
  TempFolder dir;
  const QString sites = Mkdir(dir, QStringLiteral("sites"));
  CopyExampleTo(QStringLiteral("Location.dat"), sites + "/observatories.csv");
  CopyExampleTo(QStringLiteral("Limits.dat"), sites + "/dome.dat");
  Started s(dir);
  QVERIFY(!s.w.session().loaded.sitesLoaded);
  QVERIFY(!s.w.session().loaded.limitsLoaded);
  auto* combo = s.w.findChild<QComboBox*>(QStringLiteral("Combo1"));
  QCOMPARE(combo->count(), 0);

  MenuItem(s.w, "Open_LocationsFile")->trigger();
  frmFileChooser* lc = s.w.locationsChooser();
  ClickEntry(Child<QListWidget>(lc, "Dir1"), QStringLiteral("sites"), true);
  QCOMPARE(NameBox(lc)->text(), QStringLiteral("observatories.csv"));
  ClickOk(lc);
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));
  QVERIFY(s.w.session().loaded.sitesLoaded);
  QCOMPARE(combo->count(), static_cast<int>(s.w.session().sites.entries.size()));
  QCOMPARE(combo->itemText(0), QStringLiteral("Veltrin Observatory"));
  QCOMPARE(MainText(s.w, 12)->text(), QStringLiteral("observatories.csv"));
  QCOMPARE(MainText(s.w, 12)->palette().color(QPalette::Text), QColor(Qt::black));
  // Only a star load moves the current folder.
  QCOMPARE(QDir::currentPath(), QDir::cleanPath(dir.path()));

  MenuItem(s.w, "Open_LimitsFile")->trigger();
  frmFileChooser* mc = s.w.limitsChooser();
  ClickEntry(Child<QListWidget>(mc, "Dir1"), QStringLiteral("sites"), true);
  mc->SelectPattern(1);
  ClickEntry(Child<QListWidget>(mc, "File1"), QStringLiteral("dome.dat"));
  ClickOk(mc);
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));
  QVERIFY(s.w.session().loaded.limitsLoaded);
  QCOMPARE(s.w.session().limitsFileName, std::string("dome.dat"));
  QCOMPARE(MainText(s.w, 11)->text(), QStringLiteral("dome.dat"));
  QCOMPARE(QString::fromStdString(s.w.session().chosenFolder), sites);
}

void ChooserTest::failedLocationsAndLimitsLoadsChangeNothing() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("Location.dat"));
  dir.CopyExample(QStringLiteral("Limits.dat"));
  dir.Write(QStringLiteral("bad.csv"), "only one line");
  Started s(dir);
  auto* combo = s.w.findChild<QComboBox*>(QStringLiteral("Combo1"));
  const int sites = combo->count();
  const std::size_t rows = s.w.session().limits.rows.size();
  QVERIFY(sites > 0 && rows > 0);
  const std::string limitsName = s.w.session().limitsFileName;
  const std::string locationsName = s.w.session().locationsFileName;

  MenuItem(s.w, "Open_LocationsFile")->trigger();
  NameBox(s.w.locationsChooser())->setText(QStringLiteral("bad.csv"));
  ClickOk(s.w.locationsChooser());
  MenuItem(s.w, "Open_LimitsFile")->trigger();
  NameBox(s.w.limitsChooser())->setText(QStringLiteral("bad.csv"));
  ClickOk(s.w.limitsChooser());

  QCOMPARE(s.messages.messages.size(), 2);
  QVERIFY(s.messages.messages[0].startsWith(QStringLiteral("The locations file was not loaded.  ")));
  QVERIFY(s.messages.messages[1].startsWith(QStringLiteral("The site limits file was not loaded.  ")));
  for (const QString& m : s.messages.messages) QVERIFY2(m.contains(QStringLiteral("bad.csv")), qPrintable(m));
  QCOMPARE(combo->count(), sites);
  QCOMPARE(s.w.session().sites.entries.size(), static_cast<std::size_t>(sites));
  QCOMPARE(s.w.session().limits.rows.size(), rows);
  QCOMPARE(MainText(s.w, 12)->text(), QStringLiteral("Location.dat"));
  QCOMPARE(MainText(s.w, 11)->text(), QStringLiteral("Limits.dat"));
  QCOMPARE(s.w.session().limitsFileName, limitsName);
  QCOMPARE(s.w.session().locationsFileName, locationsName);
}

void ChooserTest::saveWritesExactCrLfLines() {
  TempFolder dir;
  const QString out = Mkdir(dir, QStringLiteral("reports"));
  tevaro::run::Session session;
  session.params.year = 2024;
  session.params.month = 3;
  session.params.day = 9;
  session.report = Report(20, "first");
  RecordingMessageSink messages;
  frmOutput w(session, messages);
  MenuItem(w, "mSaveOutput")->trigger();
  frmFileChooser* c = w.saveChooser();
  QVERIFY(c != nullptr && c->isVisible());
  QCOMPARE(c->windowTitle(), QStringLiteral("Save Output"));
  // The first name is a report's own, never a data file's.
  QCOMPARE(NameBox(c)->text(), QStringLiteral("tevaro-2024-03-09.txt"));
  c->OpenFolder(out);
  NameBox(c)->setText(QStringLiteral("night.txt"));
  ClickOk(c);
  QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.messages.join('|')));
  QVERIFY(!c->isVisible());
  const QByteArray bytes = Get(out + "/night.txt");
  QCOMPARE(bytes.count("\r\n"), 20);
  QCOMPARE(bytes.count('\n'), 20);
  QCOMPARE(bytes.count('\r'), 20);
  QVERIFY(bytes.endsWith("first line 20  ==== ====\r\n"));
  QCOMPARE(bytes, CrLfLines(session.report));
  QCOMPARE(session.report.LineCount(), std::size_t{20});
  QCOMPARE(QDir::currentPath(), out);
  QCOMPARE(QString::fromStdString(session.reportFileName), QStringLiteral("night.txt"));
  // Hidden, not closed: the next save starts where this one ended.
  MenuItem(w, "mSaveOutput")->trigger();
  QCOMPARE(w.saveChooser(), c);
  QCOMPARE(c->folder(), out);
  QCOMPARE(NameBox(c)->text(), QStringLiteral("night.txt"));
}

void ChooserTest::saveTwiceKeepsOnlySecond() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = Report(30, "long");
  RecordingMessageSink messages;
  frmOutput w(session, messages);
  // The second save replaces the first on the user's Yes.
  messages.answers = {true};
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) session.report = Report(3, "short");
    w.ShowSaveChooser();
    NameBox(w.saveChooser())->setText(QStringLiteral("same.txt"));
    ClickOk(w.saveChooser());
  }
  QVERIFY(messages.messages.isEmpty());
  QCOMPARE(messages.questions, QStringList{QStringLiteral("same.txt already exists.  Replace it?")});
  QCOMPARE(dir.Read(QStringLiteral("same.txt")), CrLfLines(Report(3, "short")));
  // Nothing but the report is left in the folder.
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("same.txt")});
}

void ChooserTest::saveFailuresGiveMessageAndKeepOlderFile() {
  TempFolder dir;
  Mkdir(dir, QStringLiteral("taken"));
  dir.Write(QStringLiteral("old.txt"), "older report\r\n");
  tevaro::run::Session session;
  session.report = Report(5, "new");
  RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowSaveChooser();
  frmFileChooser* c = w.saveChooser();
  // An empty name, a name that is a folder, a name inside a folder that does not exist.
  for (const char* name : {"", "taken", "no such folder/r.txt"}) {
    w.ShowSaveChooser();
    NameBox(c)->setText(QString::fromLatin1(name));
    ClickOk(c);
    QCOMPARE(messages.messages.size(), 1);
    const QString m = messages.messages.takeFirst();
    QVERIFY2(m.startsWith(QStringLiteral("The report was not saved.  ")), qPrintable(m));
    QVERIFY2(m.contains(QDir::cleanPath(dir.path())), qPrintable(m));
  }
  QVERIFY(QFileInfo(dir.file(QStringLiteral("taken"))).isDir());
  QCOMPARE(dir.Read(QStringLiteral("old.txt")), QByteArray("older report\r\n"));
  QCOMPARE(session.report.LineCount(), std::size_t{5});
  // A folder that has gone since it was shown.
  const QString gone = Mkdir(dir, QStringLiteral("gone"));
  c->OpenFolder(gone);
  QVERIFY(QDir(gone).removeRecursively());
  NameBox(c)->setText(QStringLiteral("r.txt"));
  ClickOk(c);
  QCOMPARE(messages.messages.size(), 1);
  QVERIFY2(messages.messages[0].contains(QStringLiteral("gone/r.txt")), qPrintable(messages.messages[0]));
}

void ChooserTest::saveIntoReadOnlyFolder() {
#ifndef __linux__
  QSKIP("needs Linux file permissions");
#else
  TempFolder dir;
  const QString locked = Mkdir(dir, QStringLiteral("locked"));
  Put(locked + "/old.txt", "older report\r\n");
  QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
  QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                            QFile::ReadOther | QFile::ExeOther));
  tevaro::run::Session session;
  session.report = Report(5, "new");
  RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowSaveChooser();
  frmFileChooser* c = w.saveChooser();
  c->OpenFolder(locked);
  NameBox(c)->setText(QStringLiteral("old.txt"));
  messages.answers = {true};
  // Permissions do not bind root; the save runs with the file rights of an
  // unprivileged user.
  const bool root = ::geteuid() == 0;
  if (root) ::setfsuid(65534);
  ClickOk(c);
  if (root) ::setfsuid(0);
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QCOMPARE(messages.questions, QStringList{QStringLiteral("old.txt already exists.  Replace it?")});
  QCOMPARE(messages.messages.size(), 1);
  const QString m = messages.messages[0];
  QVERIFY2(m.startsWith(QStringLiteral("The report was not saved.  Could not write ")), qPrintable(m));
  QVERIFY2(m.contains(locked + "/old.txt"), qPrintable(m));
  QCOMPARE(Get(locked + "/old.txt"), QByteArray("older report\r\n"));
  QCOMPARE(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.txt")});
  QCOMPARE(session.report.LineCount(), std::size_t{5});
#endif
}

void ChooserTest::savedFileMatchesBatchFrontEnd() {
  const QString cli = QStringLiteral(TEVARO_CLI_PATH);
  if (!QFileInfo(cli).isExecutable()) QSKIP("tevaro-cli is not built");
  TempFolder dir;
  for (const char* name : {"Location.dat", "Limits.dat", "stars.csv"}) dir.CopyExample(QString::fromLatin1(name));
  Started s(dir);
  MenuItem(s.w, "Open_StarFile")->trigger();
  ClickEntry(Child<QListWidget>(s.w.starChooser(), "File1"), QStringLiteral("stars.csv"));
  ClickOk(s.w.starChooser());
  auto* combo = s.w.findChild<QComboBox*>(QStringLiteral("Combo1"));
  combo->setCurrentIndex(1);
  emit combo->activated(1);
  MainText(s.w, 4)->setText(QStringLiteral("2011"));
  MainText(s.w, 5)->setText(QStringLiteral("05"));
  MainText(s.w, 6)->setText(QStringLiteral("04"));
  MainText(s.w, 7)->setText(QStringLiteral("7"));
  s.w.Calculate();
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));
  frmOutput* out = s.w.outputWindow();
  MenuItem(*out, "mSaveOutput")->trigger();
  NameBox(out->saveChooser())->setText(QStringLiteral("window.txt"));
  ClickOk(out->saveChooser());
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));

  QProcess p;
  p.setWorkingDirectory(dir.path());
  p.start(cli, {"--stars", "stars.csv", "--site", "1", "--date", "2011-05-04", "--nights", "7", "-o", "batch.txt"});
  QVERIFY(p.waitForFinished(30000));
  QCOMPARE(p.exitCode(), 0);
  const QByteArray saved = dir.Read(QStringLiteral("window.txt"));
  QVERIFY(saved.count("\r\n") > 14);
  QCOMPARE(saved, dir.Read(QStringLiteral("batch.txt")));
}

void ChooserTest::saveAsksBeforeReplacing() {
  TempFolder dir;
  dir.CopyExample(QStringLiteral("stars.csv"));
  const QByteArray catalogue = dir.Read(QStringLiteral("stars.csv"));
  tevaro::run::Session session;
  session.report = Report(4, "rep");
  session.reportFileName = "earlier.txt";
  RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowSaveChooser();
  frmFileChooser* c = w.saveChooser();
  QCOMPARE(c->pattern(), QStringLiteral("*.csv"));

  // One click on the catalogue and OK: the question, and No (the default)
  // writes nothing and keeps the chooser open.
  ClickEntry(Child<QListWidget>(c, "File1"), QStringLiteral("stars.csv"));
  QCOMPARE(NameBox(c)->text(), QStringLiteral("stars.csv"));
  ClickOk(c);
  QCOMPARE(messages.questions, QStringList{QStringLiteral("stars.csv already exists.  Replace it?")});
  QVERIFY(messages.messages.isEmpty());
  QVERIFY(c->isVisible());
  QCOMPARE(dir.Read(QStringLiteral("stars.csv")), catalogue);
  QCOMPARE(session.reportFileName, std::string("earlier.txt"));
  // A double-click on it asks the same.
  ClickEntry(Child<QListWidget>(c, "File1"), QStringLiteral("stars.csv"), true);
  QCOMPARE(messages.questions.size(), 2);
  QVERIFY(c->isVisible());
  QCOMPARE(dir.Read(QStringLiteral("stars.csv")), catalogue);
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("stars.csv")});

  // A new name is written without a question.
  NameBox(c)->setText(QStringLiteral("tonight.txt"));
  ClickOk(c);
  QCOMPARE(messages.questions.size(), 2);
  QVERIFY(!c->isVisible());
  QCOMPARE(dir.Read(QStringLiteral("tonight.txt")), CrLfLines(session.report));

  // Yes replaces.
  w.ShowSaveChooser();
  session.report = Report(2, "newer");
  messages.answers = {true};
  NameBox(c)->setText(QStringLiteral("tonight.txt"));
  ClickOk(c);
  QCOMPARE(messages.questions.size(), 3);
  QCOMPARE(messages.questions.last(), QStringLiteral("tonight.txt already exists.  Replace it?"));
  QVERIFY(!c->isVisible());
  QCOMPARE(dir.Read(QStringLiteral("tonight.txt")), CrLfLines(Report(2, "newer")));
  QCOMPARE(session.reportFileName, std::string("tonight.txt"));
  QVERIFY(messages.messages.isEmpty());
}

namespace {
// Notes whether a wait cursor is up while a message is shown.
class CursorSink final : public tevaro::ui::MessageSink {
 public:
  void Show(QWidget*, const QString&) override { waitCursorSeen |= QApplication::overrideCursor() != nullptr; ++shown; }
  bool Ask(QWidget*, const QString&) override {
    waitCursorSeen |= QApplication::overrideCursor() != nullptr;
    return true;
  }
  bool waitCursorSeen = false;
  int shown = 0;
};
}  // namespace

void ChooserTest::noWaitCursorOverSaveMessages() {
  TempFolder dir;
  Mkdir(dir, QStringLiteral("taken"));
  dir.Write(QStringLiteral("old.txt"), "older\r\n");
  tevaro::run::Session session;
  session.report = Report(3, "r");
  CursorSink sink;
  frmOutput w(session, sink);
  w.ShowSaveChooser();
  for (const char* name : {"taken", "old.txt"}) {
    NameBox(w.saveChooser())->setText(QString::fromLatin1(name));
    ClickOk(w.saveChooser());
    w.ShowSaveChooser();
  }
  QCOMPARE(sink.shown, 1);
  QVERIFY(!sink.waitCursorSeen);
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QCOMPARE(dir.Read(QStringLiteral("old.txt")), CrLfLines(session.report));
}

void ChooserTest::tabOrderFollowsTheLayoutTable_data() {
  QTest::addColumn<int>("kind");
  QTest::newRow("star file") << static_cast<int>(ChooserKind::StarFile);
  QTest::newRow("locations file") << static_cast<int>(ChooserKind::LocationsFile);
  QTest::newRow("limits file") << static_cast<int>(ChooserKind::LimitsFile);
  QTest::newRow("save output") << static_cast<int>(ChooserKind::SaveOutput);
}

void ChooserTest::tabOrderFollowsTheLayoutTable() {
  QFETCH(int, kind);
  TempFolder dir;
  frmFileChooser c(static_cast<ChooserKind>(kind), QStringLiteral("a.txt"), {});
  c.ShowChooser();
  QVERIFY(QTest::qWaitForWindowActive(&c));
  NameBox(&c)->setFocus();
  const QStringList order{"Combo1", "Command1", "Command2", "Drive1", "Dir1", "File1", "Text1"};
  QStringList seen;
  for (int i = 0; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    seen.append(QApplication::focusWidget()->objectName());
  }
  QCOMPARE(seen, order);
  // Shift+Tab goes back the same way.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("File1"));
}

QTEST_MAIN(ChooserTest)
#include "chooser_test.moc"
