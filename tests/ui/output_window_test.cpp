// The output window: layout arithmetic, drawing, scrolling and placement.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "data/settings_file.h"
#include "ui/frmMain.h"
#include "ui/frmOutput.h"
#include "ui/twips.h"
#include "ui_test_support.h"

using tevaro::ui::frmOutput;
using tevaro::ui::test::InkIn;
using tevaro::ui::test::NumberedReport;
using tevaro::ui::test::TempFolder;

namespace {

// Which of the window's rows carry ink, as seen on its client area left of the scroll bar.
QList<bool> InkedRows(frmOutput& w) {
  const QImage shot = w.canvas()->grab().toImage();
  const double pitch = w.rowPitchPx();
  const int right = w.scrollBar()->x() - 1;
  QList<bool> rows;
  for (int r = 0; (r + 1) * pitch <= shot.height(); ++r) {
    const int top = qRound(r * pitch);
    rows.append(InkIn(shot, QRect(0, top, right, qRound((r + 1) * pitch) - top)) > 0);
  }
  return rows;
}

}  // namespace

class OutputWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutSteps_data();
  void layoutSteps();
  void lowWindowStillHasOneRow();
  void resizeBeforeScrollingLeavesFirstRowEmpty();
  void shortReportScrollsOneLine();
  void secondRunSpansNewReport();
  void placementKeptAtCloseOnly();
  void placementBeyondSixteenBitsIsClamped();
  void exitKeepsPlacementOfLastClose();
  void millionLinesScrollQuickly();
};

void OutputWindowTest::layoutSteps_data() {
  QTest::addColumn<int>("height");
  QTest::addColumn<int>("lines");
  QTest::addColumn<int>("perWindow");
  QTest::addColumn<int>("range");
  QTest::addColumn<int>("large");
  QTest::addColumn<int>("small");
  QTest::addColumn<int>("bottomRowsInked");
  QTest::newRow("default height, 200 lines") << 6700 << 200 << 32 << 171 << 6132 << 1024 << 30;
  QTest::newRow("height 11800, 200 lines") << 11800 << 200 << 58 << 145 << 13107 << 565 << 56;
  QTest::newRow("20 lines, shorter than the window") << 6700 << 20 << 32 << 1 << 32767 << 1024 << 20;
}

void OutputWindowTest::layoutSteps() {
  QFETCH(int, height);
  QFETCH(int, lines);
  QFETCH(int, perWindow);
  QFETCH(int, range);
  QFETCH(int, large);
  QFETCH(int, small);
  QFETCH(int, bottomRowsInked);

  const tevaro::ui::OutputSteps s = tevaro::ui::ComputeOutputSteps(height, static_cast<std::size_t>(lines));
  QCOMPARE(s.linesPerWindow, perWindow);
  QCOMPARE(s.scrollRange, long{range});
  QCOMPARE(s.largeStep, large);
  QCOMPARE(s.smallStep, small);
  if (lines == 200 && height == 6700) QCOMPARE(s.fraction, 0.1871345f);

  // The window at that placement: its scroll bar, and what the bottom shows.
  TempFolder dir;
  tevaro::run::Session session;
  session.placement = {100, 100, 11800, static_cast<std::int16_t>(height)};
  session.report = NumberedReport(lines);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QCOMPARE(w.linesPerWindow(), perWindow);
  QCOMPARE(w.scrollRange(), long{range});
  QCOMPARE(w.scrollBar()->pageStep(), large);
  QCOMPARE(w.scrollBar()->singleStep(), small);
  QCOMPARE(w.scrollBar()->maximum(), 32767);
  QCOMPARE(w.firstDrawnLine(), 1L);
  QVERIFY(InkedRows(w).value(0));

  w.scrollBar()->setValue(w.scrollBar()->maximum());
  QCOMPARE(w.firstShownLine(), long{range});
  QCOMPARE(w.firstDrawnLine(), long{range});
  // From the first line in view to the report's end: the rows that carry text,
  // and none below them.
  const QList<bool> rows = InkedRows(w);
  QVERIFY(rows.size() >= bottomRowsInked);
  for (int r = 0; r < rows.size(); ++r) QCOMPARE(rows[r], r < bottomRowsInked);
}

void OutputWindowTest::lowWindowStillHasOneRow() {
  // Heights below the rows' start give no row at all; they page as one.
  const tevaro::ui::OutputSteps s = tevaro::ui::ComputeOutputSteps(300, 50);
  QCOMPARE(s.linesPerWindow, 1);
  QCOMPARE(s.smallStep, 32767);
  QCOMPARE(s.scrollRange, 52L);

  TempFolder dir;
  tevaro::run::Session session;
  session.placement = {100, 100, 11800, 300};
  session.report = NumberedReport(50);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QVERIFY(tevaro::ui::ReadOuter(w).height >= tevaro::ui::kOutputMinHeightTwips - 15);
  QVERIFY(w.linesPerWindow() >= 1);
  QVERIFY(w.scrollBar()->height() >= 0);
}

void OutputWindowTest::resizeBeforeScrollingLeavesFirstRowEmpty() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(200);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QCOMPARE(InkedRows(w).mid(0, 2), (QList<bool>{true, true}));
  w.resize(w.width() + 40, w.height() + 60);
  QCOMPARE(w.firstDrawnLine(), 0L);
  QCOMPARE(InkedRows(w).mid(0, 2), (QList<bool>{false, true}));
  // The resize laid out the scroll bar from the new outer size.
  const tevaro::ui::OuterTwips o = tevaro::ui::ReadOuter(w);
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&w);
  QCOMPARE(w.scrollBar()->x(), t.ToPx(o.width - 360));
  QCOMPARE(w.scrollBar()->height(), t.ToPx(o.height - 800));
  QCOMPARE(w.linesPerWindow(), tevaro::ui::ComputeOutputSteps(o.height, 200).linesPerWindow);
}

void OutputWindowTest::shortReportScrollsOneLine() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(20);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QScrollBar* bar = w.scrollBar();
  bar->setValue(32767);
  QCOMPARE(w.firstShownLine(), 1L);
  bar->setValue(16383);
  QCOMPARE(w.firstShownLine(), 0L);
  bar->setValue(16384);
  QCOMPARE(w.firstShownLine(), 1L);
  bar->setValue(0);
  QCOMPARE(w.firstShownLine(), 0L);
  QCOMPARE(InkedRows(w).mid(0, 2), (QList<bool>{false, true}));
}

void OutputWindowTest::secondRunSpansNewReport() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(20);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  w.scrollBar()->setValue(32767);
  QCOMPARE(w.firstShownLine(), 1L);

  session.report = NumberedReport(200);
  w.ShowReport();
  QCOMPARE(w.firstDrawnLine(), 1L);
  QCOMPARE(w.scrollRange(), 171L);
  QCOMPARE(w.scrollBar()->pageStep(), 6132);
  w.scrollBar()->setValue(32767);
  QCOMPARE(w.firstShownLine(), 171L);
}

void OutputWindowTest::placementKeptAtCloseOnly() {
  TempFolder dir;
  tevaro::run::Session session;
  session.placement = {300, 250, 9000, 5000};
  session.report = NumberedReport(100);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  const tevaro::ui::OuterTwips first = tevaro::ui::ReadOuter(w);
  QCOMPARE(first.left, 300);
  QCOMPARE(first.top, 250);
  QCOMPARE(first.width, 9000);
  QCOMPARE(first.height, 5000);

  // Hiding with Exit records nothing.
  w.move(40, 60);
  w.resize(700, 450);
  w.findChild<QAction*>(QStringLiteral("ExitOP"))->trigger();
  QVERIFY(!w.isVisible());
  QCOMPARE(session.placement, (tevaro::data::OutputPlacement{300, 250, 9000, 5000}));
  // The next run shows it again with its size kept.
  w.ShowReport();
  QCOMPARE(w.size(), QSize(700, 450));

  // Closing records the place and size; the next run restores them.
  QVERIFY(w.close());
  QVERIFY(!w.loaded());
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&w);
  const tevaro::data::OutputPlacement closed = session.placement;
  QCOMPARE(int{closed.left}, qRound(t.ToTwips(40)));
  QCOMPARE(int{closed.top}, qRound(t.ToTwips(60)));
  QCOMPARE(int{closed.width}, qRound(t.ToTwips(700)) + tevaro::ui::kFrameWidthTwips);
  QCOMPARE(int{closed.height}, qRound(t.ToTwips(450)) + tevaro::ui::kFrameHeightTwips);
  w.resize(300, 300);
  w.ShowReport();
  QCOMPARE(w.pos(), QPoint(40, 60));
  QCOMPARE(w.size(), QSize(700, 450));
  QCOMPARE(w.linesPerWindow(), tevaro::ui::ComputeOutputSteps(closed.height, 100).linesPerWindow);
}

void OutputWindowTest::placementBeyondSixteenBitsIsClamped() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(10);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&w);
  w.move(t.ToPx(40000), 10);
  w.resize(t.ToPx(36000), 400);
  if (w.width() < t.ToPx(34000)) QSKIP("the platform does not make windows this wide");
  w.close();
  QCOMPARE(session.placement.left, std::int16_t{32767});
  QCOMPARE(session.placement.width, std::int16_t{32767});
}

void OutputWindowTest::exitKeepsPlacementOfLastClose() {
  // The program's Exit writes the placement of the last close, not the
  // place of an output window still open.
  TempFolder dir;
  for (const char* name : {"Location.dat", "Limits.dat"}) dir.CopyExample(QString::fromLatin1(name));
  tevaro::ui::RecordingMessageSink messages;
  tevaro::ui::frmMain main(messages, dir.path());
  main.SetEndHandler([] {});
  QVERIFY(!main.session().LoadStars(tevaro::ui::test::ExamplePath(QStringLiteral("stars.csv")).toStdString()));
  main.findChild<QLineEdit*>(QStringLiteral("Text4"))->setText(QStringLiteral("2011"));
  main.findChild<QLineEdit*>(QStringLiteral("Text7"))->setText(QStringLiteral("30"));
  main.Calculate();
  QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.messages.join(QLatin1Char('|'))));
  frmOutput* out = main.outputWindow();
  QVERIFY(out != nullptr && out->isVisible());
  QCOMPARE(tevaro::ui::ReadOuter(*out).width, 11800);

  out->move(20, 30);
  out->resize(600, 400);
  out->close();
  const tevaro::data::OutputPlacement closed = main.session().placement;
  main.Calculate();
  QVERIFY(out->isVisible());
  QCOMPARE(out->size(), QSize(600, 400));
  out->resize(650, 420);
  main.ExitProgram();
  QVERIFY(!out->isVisible());
  const auto saved = tevaro::data::LoadSettings(dir.path().toStdString());
  QVERIFY(saved.fromFile);
  QCOMPARE(saved.settings.placement, closed);
}

void OutputWindowTest::millionLinesScrollQuickly() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(1000000);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QCOMPARE(w.scrollRange(), 1000000L - w.linesPerWindow() + 3);
  QElapsedTimer timer;
  timer.start();
  for (int v = 0; v <= 32767; v += 331) {
    w.scrollBar()->setValue(v);
    w.canvas()->repaint();
  }
  w.scrollBar()->setValue(32767);
  w.canvas()->repaint();
  QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
  QCOMPARE(w.firstShownLine(), w.scrollRange());
  const QList<bool> rows = InkedRows(w);
  const int shown = w.linesPerWindow() - 2;  // the bottom leaves this many lines in view
  for (int r = 0; r < rows.size(); ++r) QCOMPARE(rows[r], r < shown);
}

QTEST_MAIN(OutputWindowTest)
#include "output_window_test.moc"
