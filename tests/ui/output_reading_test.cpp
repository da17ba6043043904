// The output window read from the keyboard and the mouse: selecting whole
// lines, copying them, finding text, and the window's shortcuts.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include "ui/frmFileChooser.h"
#include "ui/frmOutput.h"
#include "ui_test_support.h"

using tevaro::ui::frmOutput;
using tevaro::ui::test::NumberedReport;
using tevaro::ui::test::TempFolder;

namespace {

// A report of numbered lines with a few star names among them.
tevaro::run::ReportBuffer StarReport() {
  tevaro::run::ReportBuffer r = NumberedReport(400);
  tevaro::run::ReportBuffer out;
  for (std::size_t i = 1; i <= r.LineCount(); ++i) {
    std::string line(r.Line(i));
    if (i == 50 || i == 250) line += " V1143 Cyg";
    if (i == 120) line += " v1143 cyg";
    if (i == 1) line += " Zeta Phe";
    out.Add(line);
  }
  return out;
}

// An output window shown and active, so its shortcuts reach it.
struct Shown {
  TempFolder dir;
  tevaro::run::Session session;
  tevaro::ui::RecordingMessageSink messages;
  std::unique_ptr<frmOutput> w;
  explicit Shown(tevaro::run::ReportBuffer report) {
    session.report = std::move(report);
    w = std::make_unique<frmOutput>(session, messages);
    w->ShowReport();
    if (!QTest::qWaitForWindowActive(w.get())) qFatal("the output window did not become active");
  }
  QWidget* focus() const { return QApplication::focusWidget(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(focus(), key, mods); }
};

void Mouse(QWidget* w, QEvent::Type type, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = {}) {
  const QPointF at(20, y);
  QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, mods);
  QApplication::sendEvent(w, &e);
}

// The y of the middle of row `row`.
int RowY(const frmOutput& w, int row) { return qRound((row + 0.5) * w.rowPitchPx()); }

QString Lines(const tevaro::run::ReportBuffer& r, long from, long to) {
  QStringList lines;
  for (long i = from; i <= to; ++i) lines.append(tevaro::ui::ReportLineText(r, static_cast<std::size_t>(i)));
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace

class OutputReadingTest : public QObject {
  Q_OBJECT

 private slots:
  void selectAllAndCopyGiveTheReport();
  void mouseSelectsWholeLines();
  void dragPastTheEdgeScrolls();
  void millionLinesCopyWithinASecond();
  void findSearchesFromAfterTheTop();
  void findWrapsAndSaysSo();
  void findNotFoundStaysInTheBar();
  void findStartsFromTheViewWhenTheMarkIsGone();
  void findMatchesUtf8Text();
  void escapeClosesBarThenHides();
  void menusHaveMnemonicsAndShortcuts();
};

void OutputReadingTest::selectAllAndCopyGiveTheReport() {
  Shown s(StarReport());
  QGuiApplication::clipboard()->clear();
  // Nothing selected: Ctrl+C leaves the clipboard alone.
  s.Key(Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QGuiApplication::clipboard()->text(), QString());
  s.Key(Qt::Key_A, Qt::ControlModifier);
  QCOMPARE(s.w->selectionStart(), 1L);
  QCOMPARE(s.w->selectionEnd(), 400L);
  s.Key(Qt::Key_C, Qt::ControlModifier);
  // The saved report's text with "\n" line ends, the last line's too.
  QString expected = QString::fromStdString(s.session.report.Bytes());
  expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QVERIFY(expected.endsWith(QStringLiteral("\n")));
  QCOMPARE(QGuiApplication::clipboard()->text(), expected);
  QVERIFY(expected.startsWith(QStringLiteral("L0000001 ==== ==== ==== Zeta Phe\nL0000002")));
  // Selecting does not move the view.
  QCOMPARE(s.w->firstShownLine(), 1L);
}

void OutputReadingTest::mouseSelectsWholeLines() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  QWidget* c = w.canvas();
  w.ScrollTo(11);
  // Press on row 2 (line 13), drag to row 5 (line 16), release.
  Mouse(c, QEvent::MouseButtonPress, RowY(w, 2), Qt::LeftButton);
  QCOMPARE(w.selectionStart(), 13L);
  QCOMPARE(w.selectionEnd(), 13L);
  Mouse(c, QEvent::MouseMove, RowY(w, 5), Qt::LeftButton);
  Mouse(c, QEvent::MouseButtonRelease, RowY(w, 5), Qt::NoButton);
  QCOMPARE(w.selectionStart(), 13L);
  QCOMPARE(w.selectionEnd(), 16L);
  // Shift+click extends from the same anchor, upwards too.
  Mouse(c, QEvent::MouseButtonPress, RowY(w, 0), Qt::LeftButton, Qt::ShiftModifier);
  Mouse(c, QEvent::MouseButtonRelease, RowY(w, 0), Qt::NoButton, Qt::ShiftModifier);
  QCOMPARE(w.selectionStart(), 11L);
  QCOMPARE(w.selectionEnd(), 13L);
  w.CopySelection();
  QCOMPARE(QGuiApplication::clipboard()->text(), Lines(s.session.report, 11, 13));
  // The selected rows are drawn highlighted, the others not.
  const QImage shot = c->grab().toImage();
  const QRgb highlight = c->palette().color(QPalette::Highlight).rgb();
  const int x = w.scrollBar()->x() - 3;
  for (int row = 0; row < 5; ++row)
    QCOMPARE(shot.pixel(x, RowY(w, row)) == highlight, row <= 2);
  // A plain click starts again.
  Mouse(c, QEvent::MouseButtonPress, RowY(w, 4), Qt::LeftButton);
  Mouse(c, QEvent::MouseButtonRelease, RowY(w, 4), Qt::NoButton);
  QCOMPARE(w.selectionStart(), 15L);
  QCOMPARE(w.selectionEnd(), 15L);
  // A press below the report's end takes its last line.
  w.ScrollTo(400);
  Mouse(c, QEvent::MouseButtonPress, c->height() - 1, Qt::LeftButton, Qt::ShiftModifier);
  QCOMPARE(w.selectionEnd(), 400L);
}

void OutputReadingTest::dragPastTheEdgeScrolls() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  QWidget* c = w.canvas();
  Mouse(c, QEvent::MouseButtonPress, RowY(w, 1), Qt::LeftButton);
  Mouse(c, QEvent::MouseMove, c->height() + 20, Qt::LeftButton);
  QTRY_VERIFY(w.firstShownLine() > 5);
  // The selection follows the last line in view.
  QCOMPARE(w.selectionStart(), 2L);
  QVERIFY(w.selectionEnd() >= w.lastShownLine() - 1);
  Mouse(c, QEvent::MouseButtonRelease, c->height() + 20, Qt::NoButton);
  const long stopped = w.firstShownLine();
  QTest::qWait(150);
  QCOMPARE(w.firstShownLine(), stopped);
  // And back up past the top edge.
  w.ScrollTo(200);
  Mouse(c, QEvent::MouseButtonPress, RowY(w, 3), Qt::LeftButton);
  Mouse(c, QEvent::MouseMove, -10, Qt::LeftButton);
  QTRY_VERIFY(w.firstShownLine() < 195);
  QCOMPARE(w.selectionEnd(), 203L);
  QCOMPARE(w.selectionStart(), w.firstShownLine());
  Mouse(c, QEvent::MouseButtonRelease, -10, Qt::NoButton);
}

void OutputReadingTest::millionLinesCopyWithinASecond() {
  Shown s(NumberedReport(1000000));
  QElapsedTimer timer;
  timer.start();
  s.Key(Qt::Key_A, Qt::ControlModifier);
  s.Key(Qt::Key_C, Qt::ControlModifier);
  const QString copied = QGuiApplication::clipboard()->text();
  QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
  QCOMPARE(copied.count(QLatin1Char('\n')), 1000000);
  QVERIFY(copied.startsWith(QStringLiteral("L0000001 ==== ==== ====\nL0000002 ")));
  QVERIFY(copied.endsWith(QStringLiteral("\nL1000000 ==== ==== ====\n")));
}

void OutputReadingTest::findSearchesFromAfterTheTop() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  s.Key(Qt::Key_F, Qt::ControlModifier);
  QVERIFY(w.findBar()->isVisible());
  QCOMPARE(s.focus(), static_cast<QWidget*>(w.findText()));
  // The bar takes its room from the rows, and the rows from the bar.
  QVERIFY(w.canvas()->geometry().bottom() < w.findBar()->geometry().top());
  QVERIFY(w.linesPerWindow() * w.rowPitchPx() <= w.canvas()->height());
  QTest::keyClicks(w.findText(), QStringLiteral("v1143 CYG"));
  s.Key(Qt::Key_Return);
  // Any case; the found line is marked and in view.
  QCOMPARE(w.selectionStart(), 50L);
  QCOMPARE(w.selectionEnd(), 50L);
  QVERIFY(w.firstShownLine() <= 50 && 50 <= w.lastShownLine());
  QCOMPARE(w.findStatus()->text(), QString());
  s.Key(Qt::Key_F3);
  QCOMPARE(w.selectionStart(), 120L);
  QVERIFY(w.firstShownLine() <= 120 && 120 <= w.lastShownLine());
  s.Key(Qt::Key_Return);
  QCOMPARE(w.selectionStart(), 250L);
  s.Key(Qt::Key_F3, Qt::ShiftModifier);
  QCOMPARE(w.selectionStart(), 120L);
  QCOMPARE(w.findStatus()->text(), QString());
  // The top line itself is searched last: line 1 is found only by going round.
  w.ScrollTo(1);
  w.Select(0, 0);
  w.findText()->setText(QStringLiteral("zeta"));
  s.Key(Qt::Key_Return);
  QCOMPARE(w.selectionStart(), 1L);
  QVERIFY(!w.findStatus()->text().isEmpty());
}

void OutputReadingTest::findWrapsAndSaysSo() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  w.OpenFind();
  w.findText()->setText(QStringLiteral("V1143"));
  w.ScrollTo(240);
  s.Key(Qt::Key_Return);
  QCOMPARE(w.selectionStart(), 250L);
  QCOMPARE(w.findStatus()->text(), QString());
  s.Key(Qt::Key_F3);
  QCOMPARE(w.selectionStart(), 50L);
  QVERIFY(w.firstShownLine() <= 50 && 50 <= w.lastShownLine());
  QCOMPARE(w.findStatus()->text(), QStringLiteral("Passed the end of the report; continued from the top"));
  s.Key(Qt::Key_F3);
  QCOMPARE(w.selectionStart(), 120L);
  QCOMPARE(w.findStatus()->text(), QString());
  // Backwards past the top.
  s.Key(Qt::Key_F3, Qt::ShiftModifier);
  s.Key(Qt::Key_F3, Qt::ShiftModifier);
  QCOMPARE(w.selectionStart(), 250L);
  QCOMPARE(w.findStatus()->text(), QStringLiteral("Passed the top of the report; continued from the end"));
  // Shift+Enter in the bar goes backwards too.
  s.Key(Qt::Key_Return, Qt::ShiftModifier);
  QCOMPARE(w.selectionStart(), 120L);
}

void OutputReadingTest::findNotFoundStaysInTheBar() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  w.ScrollTo(30);
  w.Select(31, 33);
  s.Key(Qt::Key_F, Qt::ControlModifier);
  QTest::keyClicks(w.findText(), QStringLiteral("RZ Cas"));
  s.Key(Qt::Key_Return);
  QCOMPARE(w.findStatus()->text(), QStringLiteral("not found"));
  QVERIFY(s.messages.messages.isEmpty());
  QCOMPARE(w.firstShownLine(), 30L);
  QCOMPARE(w.selectionStart(), 31L);
  QCOMPARE(w.selectionEnd(), 33L);
  // Typing again clears the old verdict.
  QTest::keyClick(w.findText(), Qt::Key_Backspace);
  QCOMPARE(w.findStatus()->text(), QString());
  // An empty search finds nothing and says nothing.
  w.findText()->clear();
  s.Key(Qt::Key_Return);
  QCOMPARE(w.findStatus()->text(), QString());
  QCOMPARE(w.selectionStart(), 31L);
}

void OutputReadingTest::findStartsFromTheViewWhenTheMarkIsGone() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  w.OpenFind();
  w.findText()->setText(QStringLiteral("v1143 cyg"));
  w.FindNext();
  QCOMPARE(w.selectionStart(), 50L);
  // Scrolled away from the mark: the next search starts after the top of the view.
  w.ScrollTo(130);
  w.FindNext();
  QCOMPARE(w.selectionStart(), 250L);
  w.ScrollTo(130);
  w.FindPrevious();
  QCOMPARE(w.selectionStart(), 120L);
  // F3 with the bar closed opens it and searches.
  w.CloseFind();
  QVERIFY(!w.findBar()->isVisible());
  s.Key(Qt::Key_F3);
  QVERIFY(w.findBar()->isVisible());
  QCOMPARE(w.selectionStart(), 250L);
}

void OutputReadingTest::findMatchesUtf8Text() {
  // Lines hold UTF-8: letters beyond ASCII match in any case, and a
  // replacement character is one character, not three Latin-1 ones.
  tevaro::run::ReportBuffer r = NumberedReport(30);
  r.Add("L0000031 \xCE\x93\xCE\xB5\xCF\x89 Sco");  // Greek capital gamma, epsilon, omega
  r.Add("L0000032 V\xEF\xBF\xBD Cyg");
  using tevaro::ui::FindLine;
  QCOMPARE(FindLine(r, QStringLiteral(u"\u03B3\u0395\u03A9 sco"), 1, true).line, 31L);
  QCOMPARE(FindLine(r, QStringLiteral(u"V\uFFFD C"), 1, true).line, 32L);
  QCOMPARE(FindLine(r, QStringLiteral(u"\u00EF\u00BF"), 1, true).line, 0L);
  // Going round from the last line, in both directions.
  const tevaro::ui::FindResult round = FindLine(r, QStringLiteral("l0000002 "), 32, true);
  QCOMPARE(round.line, 2L);
  QVERIFY(round.wrapped);
  const tevaro::ui::FindResult back = FindLine(r, QStringLiteral("Cyg"), 1, false);
  QCOMPARE(back.line, 32L);
  QVERIFY(back.wrapped);
  // The only match is the starting line: found last, after going round.
  const tevaro::ui::FindResult self = FindLine(r, QStringLiteral("Sco"), 31, true);
  QCOMPARE(self.line, 31L);
  QVERIFY(self.wrapped);
  QCOMPARE(FindLine(tevaro::run::ReportBuffer(), QStringLiteral("x"), 0, true).line, 0L);
}

void OutputReadingTest::escapeClosesBarThenHides() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  const tevaro::data::OutputPlacement placement = s.session.placement;
  s.Key(Qt::Key_F, Qt::ControlModifier);
  QTest::keyClicks(w.findText(), QStringLiteral("cyg"));
  s.Key(Qt::Key_Return);
  s.Key(Qt::Key_Escape);
  QVERIFY(!w.findBar()->isVisible());
  QVERIFY(w.isVisible());
  // The keys go back to the report.
  QCOMPARE(s.focus(), static_cast<QWidget*>(w.canvas()));
  const long first = w.firstShownLine();
  s.Key(Qt::Key_Down);
  QCOMPARE(w.firstShownLine(), first + 1);
  // Ctrl+F again: the bar comes back with its text selected, to be typed over.
  s.Key(Qt::Key_F, Qt::ControlModifier);
  QCOMPARE(w.findText()->selectedText(), QStringLiteral("cyg"));
  s.Key(Qt::Key_Escape);
  s.Key(Qt::Key_Escape);
  QVERIFY(!w.isVisible());
  // Hiding records no placement, as Exit.
  QCOMPARE(s.session.placement, placement);
}

void OutputReadingTest::menusHaveMnemonicsAndShortcuts() {
  Shown s(StarReport());
  frmOutput& w = *s.w;
  // File keeps its items and order; Edit follows it, then View.
  QStringList menus;
  for (QAction* a : w.menuBar()->actions()) menus.append(a->text());
  QCOMPARE(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&View")}));
  QStringList file;
  for (QAction* a : w.menuBar()->actions().at(0)->menu()->actions())
    file.append(a->isSeparator() ? QStringLiteral("-") : a->objectName());
  QCOMPARE(file,
           (QStringList{"mSaveOutput", "-", "mPrintSetup", "mPrint", "mPrintReport", "mExportPdf", "mExportEvents", "-", "ExitOP"}));
  QStringList edit;
  for (QAction* a : w.menuBar()->actions().at(1)->menu()->actions())
    if (!a->isSeparator()) edit.append(a->text());
  QCOMPARE(edit, (QStringList{"&Copy", "Select &All", "&Find ..."}));

  // Ctrl+S opens the save chooser.
  QVERIFY(w.saveChooser() == nullptr);
  s.Key(Qt::Key_S, Qt::ControlModifier);
  QVERIFY(w.saveChooser() != nullptr && w.saveChooser()->isVisible());
  w.saveChooser()->Cancel();
  // Ctrl+P is Print's shortcut (printing itself is tested over a scripted printer).
  auto* print = w.findChild<QAction*>(QStringLiteral("mPrint"));
  QCOMPARE(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  auto* printReport = w.findChild<QAction*>(QStringLiteral("mPrintReport"));
  QCOMPARE(printReport->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
}

QTEST_MAIN(OutputReadingTest)
#include "output_reading_test.moc"
