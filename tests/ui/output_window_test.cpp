// The output window: whole rows, paging, keys, wheel, drawing and placement.
#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>
#include <QWheelEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <array>

#include "data/settings_file.h"
#include "ui/frmMain.h"
#include "ui/frmOutput.h"
#include "ui/report_pages.h"
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

// The face every glyph measurement below is made in: scripts/deps installs it,
// and naming it keeps the measures off whatever "Courier New" resolves to on
// a machine with other fonts.
QFont MeasuredScreenFont() {
  QFont f(QStringLiteral("Liberation Mono"));
  f.setFixedPitch(true);
  f.setPointSizeF(9.75);
  f.setWeight(QFont::Bold);
  return f;
}

// One row drawn with ReportColumns on a white image at `dpi`.
QImage DrawnRow(const QFont& font, int dpi, const QString& text) {
  QImage image(900, 80, QImage::Format_RGB32);
  image.setDotsPerMeterX(qRound(dpi / 0.0254));
  image.setDotsPerMeterY(qRound(dpi / 0.0254));
  image.fill(Qt::white);
  QPainter p(&image);
  p.setFont(font);
  p.setPen(Qt::black);
  tevaro::ui::ReportColumns(font, &image).DrawRow(p, QPointF(4, 50), text);
  return image;
}

}  // namespace

class OutputWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutSteps_data();
  void layoutSteps();
  void wholeRowsFitTheDrawingArea();
  void lowWindowStillHasOneRow();
  void resizeRedrawsFromCurrentLine();
  void shortReportDoesNotScroll();
  void secondRunSpansNewReport();
  void pagingShowsEveryLine_data();
  void pagingShowsEveryLine();
  void troughAndArrowsStepByLines();
  void thumbScrollsWhileDragged();
  void keysMoveTheView();
  void wheelScrollsOverTheText();
  void placementKeptAtCloseOnly();
  void placementBeyondSixteenBitsIsClamped();
  void exitKeepsPlacementOfLastClose();
  void millionLinesScrollQuickly();
  void utf8LinesAreDrawnAsUtf8();
  void missingCharacterTakesOneColumn_data();
  void missingCharacterTakesOneColumn();
  void wideLinesBringAHorizontalBar();
  void firstPlaceIsBesideTheMainWindow();
  void recordedPlaceAndTitleWithoutSite();
};

void OutputWindowTest::layoutSteps_data() {
  QTest::addColumn<int>("area");
  QTest::addColumn<double>("pitch");
  QTest::addColumn<int>("lines");
  QTest::addColumn<int>("perWindow");
  QTest::addColumn<int>("lastTop");
  QTest::addColumn<int>("page");
  QTest::newRow("30 rows, 200 lines") << 390 << 13.0 << 200 << 30 << 171 << 29;
  QTest::newRow("a pixel short of 30 rows") << 389 << 13.0 << 200 << 29 << 172 << 28;
  // 194.5 twips at 96 dpi: 30 rows fill 389 pixels exactly.
  QTest::newRow("exact fit at a fractional pitch") << 389 << 194.5 / 15 << 200 << 30 << 171 << 29;
  QTest::newRow("20 lines, shorter than the window") << 390 << 13.0 << 20 << 30 << 1 << 29;
  QTest::newRow("as many lines as rows") << 390 << 13.0 << 30 << 30 << 1 << 29;
  QTest::newRow("one line more than rows") << 390 << 13.0 << 31 << 30 << 2 << 29;
  QTest::newRow("two rows: a page moves one line") << 30 << 13.0 << 10 << 2 << 9 << 1;
  QTest::newRow("empty report") << 390 << 13.0 << 0 << 30 << 1 << 29;
  QTest::newRow("700,000 lines") << 663 << 13.0 << 700000 << 51 << 699950 << 50;
}

void OutputWindowTest::layoutSteps() {
  QFETCH(int, area);
  QFETCH(double, pitch);
  QFETCH(int, lines);
  QFETCH(int, perWindow);
  QFETCH(int, lastTop);
  QFETCH(int, page);
  const tevaro::ui::OutputSteps s = tevaro::ui::ComputeOutputSteps(area, pitch, static_cast<std::size_t>(lines));
  QCOMPARE(s.linesPerWindow, perWindow);
  QCOMPARE(s.lastTopLine, long{lastTop});
  QCOMPARE(s.pageStep, page);
}

void OutputWindowTest::wholeRowsFitTheDrawingArea() {
  // At several heights: the rows counted are whole rows of the area below the
  // menu bar, and at the bottom the last line sits in the last of them.
  for (int height : {2000, 6700, 11800}) {
    TempFolder dir;
    tevaro::run::Session session;
    session.placement = {100, 100, 11800, static_cast<std::int16_t>(height)};
    session.report = NumberedReport(200);
    tevaro::ui::RecordingMessageSink messages;
    frmOutput w(session, messages);
    w.ShowReport();
    const int area = w.canvas()->height();
    QVERIFY(w.canvas()->y() >= 0);
    QVERIFY(w.canvas()->geometry().bottom() < w.height());
    const double pitch = w.rowPitchPx();
    QVERIFY(pitch >= w.canvas()->fontMetrics().lineSpacing());
    QVERIFY2(w.linesPerWindow() * pitch <= area + 1e-6, qPrintable(QString::number(height)));
    QVERIFY((w.linesPerWindow() + 1) * pitch > area);
    QCOMPARE(w.scrollBar()->height(), area);
    QCOMPARE(w.firstShownLine(), 1L);
    QVERIFY(InkedRows(w).value(0));

    w.scrollBar()->setValue(w.scrollBar()->maximum());
    QCOMPARE(w.firstShownLine(), 200L - w.linesPerWindow() + 1);
    QCOMPARE(w.lastShownLine(), 200L);
    const QList<bool> rows = InkedRows(w);
    QCOMPARE(rows.size(), w.linesPerWindow());
    QVERIFY(!rows.contains(false));
  }
}

void OutputWindowTest::lowWindowStillHasOneRow() {
  // An area lower than a row still pages as one row, a line at a time.
  const tevaro::ui::OutputSteps s = tevaro::ui::ComputeOutputSteps(5, 13.0, 50);
  QCOMPARE(s.linesPerWindow, 1);
  QCOMPARE(s.pageStep, 1);
  QCOMPARE(s.lastTopLine, 50L);
  QCOMPARE(tevaro::ui::ComputeOutputSteps(-4, 13.0, 50).linesPerWindow, 1);

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

void OutputWindowTest::resizeRedrawsFromCurrentLine() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(200);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  // A resize at the top keeps line 1 in the first row (no empty row above it).
  w.resize(w.width() + 40, w.height() + 60);
  QCOMPARE(w.firstShownLine(), 1L);
  QVERIFY(InkedRows(w).value(0));
  const tevaro::ui::OuterTwips o = tevaro::ui::ReadOuter(w);
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&w);
  QCOMPARE(w.scrollBar()->x(), t.ToPx(o.width - 360));
  QCOMPARE(w.scrollBar()->height(), w.canvas()->height());
  QCOMPARE(w.linesPerWindow(),
           tevaro::ui::ComputeOutputSteps(w.canvas()->height(), w.rowPitchPx(), 200).linesPerWindow);

  w.ScrollTo(40);
  w.resize(w.width(), w.height() - 80);
  QCOMPARE(w.firstShownLine(), 40L);
  // Near the bottom a taller window shows more and moves up to keep the
  // last line in the last row.
  w.ScrollTo(1000);
  const long bottom = w.firstShownLine();
  QCOMPARE(w.lastShownLine(), 200L);
  w.resize(w.width(), w.height() + 100);
  QVERIFY(w.firstShownLine() < bottom);
  QCOMPARE(w.firstShownLine(), 200L - w.linesPerWindow() + 1);
}

void OutputWindowTest::shortReportDoesNotScroll() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(20);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QVERIFY(w.linesPerWindow() > 20);
  QCOMPARE(w.scrollBar()->maximum(), 0);
  QTest::keyClick(w.canvas(), Qt::Key_End);
  QCOMPARE(w.firstShownLine(), 1L);
  const QList<bool> rows = InkedRows(w);
  for (int r = 0; r < rows.size(); ++r) QCOMPARE(rows[r], r < 20);
}

void OutputWindowTest::secondRunSpansNewReport() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(20);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  session.report = NumberedReport(200);
  w.ShowReport();
  w.ScrollTo(50);
  w.Select(60, 62);

  session.report = NumberedReport(300);
  w.ShowReport();
  QCOMPARE(w.firstShownLine(), 1L);
  QCOMPARE(w.selectionStart(), 0L);
  QCOMPARE(w.scrollBar()->maximum(), 300 - w.linesPerWindow());
  w.scrollBar()->setValue(w.scrollBar()->maximum());
  QCOMPARE(w.lastShownLine(), 300L);
}

void OutputWindowTest::pagingShowsEveryLine_data() {
  QTest::addColumn<int>("height");
  QTest::addColumn<int>("lines");
  for (int height : {2000, 6700, 11800})
    for (int lines : {20, 200, 700000})
      QTest::addRow("height %d, %d lines", height, lines) << height << lines;
}

void OutputWindowTest::pagingShowsEveryLine() {
  QFETCH(int, height);
  QFETCH(int, lines);
  TempFolder dir;
  tevaro::run::Session session;
  session.placement = {100, 100, 11800, static_cast<std::int16_t>(height)};
  session.report = NumberedReport(lines);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  const long count = lines;
  const long perWindow = w.linesPerWindow();
  QVERIFY(perWindow * w.rowPitchPx() <= w.canvas()->height() + 1e-6);

  // Page Down from the top to the bottom: every page a full window, each
  // starting on the line the last one ended with, the last ending on the
  // report's last line; so every line is seen, the overlaps once more.
  long seenTo = 0;
  long pages = 0;
  for (;;) {
    const long first = w.firstShownLine();
    const long last = w.lastShownLine();
    QCOMPARE(last, std::min(first + perWindow - 1, count));
    if (pages == 0) {
      QCOMPARE(first, 1L);
    } else if (last < count) {
      QCOMPARE(first, seenTo);  // one line of overlap
    } else {
      QVERIFY(first <= seenTo);  // the bottom page may overlap more
    }
    seenTo = last;
    ++pages;
    if (last == count) break;
    QTest::keyClick(w.canvas(), Qt::Key_PageDown);
    QVERIFY2(w.firstShownLine() > first, "Page Down did not move");
  }
  QCOMPARE(seenTo, count);
  QTest::keyClick(w.canvas(), Qt::Key_PageDown);
  QCOMPARE(w.lastShownLine(), count);
  // One page, then as many more as it takes to bring in the rest a page at a time.
  const long step = std::max(perWindow - 1, 1L);
  QCOMPARE(pages, 1 + (std::max(count - perWindow, 0L) + step - 1) / step);

  // The same back up with Page Up.
  long seenFrom = w.firstShownLine();
  while (w.firstShownLine() > 1) {
    QTest::keyClick(w.canvas(), Qt::Key_PageUp);
    const long last = w.lastShownLine();
    QVERIFY(last >= seenFrom);
    if (w.firstShownLine() > 1) QCOMPARE(last, seenFrom);
    seenFrom = w.firstShownLine();
  }
  QCOMPARE(seenFrom, 1L);
}

void OutputWindowTest::troughAndArrowsStepByLines() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(700000);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QScrollBar* bar = w.scrollBar();
  QCOMPARE(bar->maximum(), 700000 - w.linesPerWindow());
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QCOMPARE(w.firstShownLine(), 2L);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  QCOMPARE(w.firstShownLine(), 2L + w.linesPerWindow() - 1);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  QCOMPARE(w.firstShownLine(), 1L);

  // A real click in the trough below the thumb pages by a window less a line.
  w.ScrollTo(1);
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - bar->width() - 4));
  QCOMPARE(w.firstShownLine(), 1L + w.linesPerWindow() - 1);
}

void OutputWindowTest::thumbScrollsWhileDragged() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(5000);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QScrollBar* bar = w.scrollBar();
  bar->setSliderDown(true);
  bar->setSliderPosition(2500);
  QCOMPARE(w.firstShownLine(), 2501L);
  bar->setSliderPosition(bar->maximum());
  QCOMPARE(w.lastShownLine(), 5000L);
  bar->setSliderDown(false);
  QCOMPARE(w.lastShownLine(), 5000L);
}

void OutputWindowTest::keysMoveTheView() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(500);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  // The report takes the keys as soon as it is shown.
  QVERIFY(QTest::qWaitForWindowActive(&w));
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.canvas()));
  const long page = w.linesPerWindow() - 1;
  const long bottom = 500 - w.linesPerWindow() + 1;
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    long first;
  };
  const Step steps[] = {
      {Qt::Key_Up, {}, 1},
      {Qt::Key_Down, {}, 2},
      {Qt::Key_Down, {}, 3},
      {Qt::Key_Up, {}, 2},
      {Qt::Key_PageDown, {}, 2 + page},
      {Qt::Key_Space, {}, 2 + 2 * page},
      {Qt::Key_PageUp, {}, 2 + page},
      {Qt::Key_Space, Qt::ShiftModifier, 2},
      {Qt::Key_End, {}, bottom},
      {Qt::Key_Down, {}, bottom},
      {Qt::Key_PageDown, {}, bottom},
      {Qt::Key_Home, {}, 1},
      {Qt::Key_End, Qt::ControlModifier, bottom},
      {Qt::Key_PageUp, {}, bottom - page},
      {Qt::Key_Home, Qt::ControlModifier, 1},
      {Qt::Key_PageUp, {}, 1},
  };
  for (const Step& s : steps) {
    QTest::keyClick(w.canvas(), s.key, s.mods);
    QCOMPARE(w.firstShownLine(), s.first);
  }
}

void OutputWindowTest::wheelScrollsOverTheText() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = NumberedReport(500);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  auto turn = [&](int angle) {
    const QPointF at(w.canvas()->width() / 3.0, w.canvas()->height() / 2.0);
    QWheelEvent e(at, w.canvas()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.canvas(), &e);
  };
  const int perNotch = QApplication::wheelScrollLines();
  turn(-120);  // towards the user: down the report
  QCOMPARE(w.firstShownLine(), 1L + perNotch);
  turn(120);
  QCOMPARE(w.firstShownLine(), 1L);
  turn(120);  // nothing above line 1
  QCOMPARE(w.firstShownLine(), 1L);

  // The platform's setting counts; a fine wheel's small turns add up.
  QApplication::setWheelScrollLines(5);
  turn(-240);
  QCOMPARE(w.firstShownLine(), 11L);
  turn(-12);  // half a line
  QCOMPARE(w.firstShownLine(), 11L);
  turn(-12);
  QCOMPARE(w.firstShownLine(), 12L);
  QApplication::setWheelScrollLines(perNotch);
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
  QCOMPARE(w.linesPerWindow(),
           tevaro::ui::ComputeOutputSteps(w.canvas()->height(), w.rowPitchPx(), 100).linesPerWindow);
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
  // Its first place is beside the main window, not the settings' default.
  QCOMPARE(tevaro::ui::ReadOuter(*out).top, tevaro::ui::ReadOuter(main).top);

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
  QCOMPARE(w.scrollBar()->maximum(), 1000000 - w.linesPerWindow());
  QElapsedTimer timer;
  timer.start();
  for (int v = 0; v <= w.scrollBar()->maximum(); v += 9973) {
    w.scrollBar()->setValue(v);
    QCOMPARE(w.firstShownLine(), v + 1L);
    w.canvas()->repaint();
  }
  w.scrollBar()->setValue(w.scrollBar()->maximum());
  w.canvas()->repaint();
  QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
  QCOMPARE(w.lastShownLine(), 1000000L);
  const QList<bool> rows = InkedRows(w);
  QCOMPARE(rows.size(), w.linesPerWindow());
  QVERIFY(!rows.contains(false));
}

void OutputWindowTest::utf8LinesAreDrawnAsUtf8() {
  // A star name holding U+FFFD (bytes EF BF BD) is one character wide, not
  // the three Latin-1 characters of its bytes, and not the two columns of the
  // wider substitute glyph Liberation Mono's lack of U+FFFD brings in.
  TempFolder dir;
  tevaro::run::Session session;
  const std::string name = "V\xEF\xBF\xBD Cyg";
  session.report.Add(name);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  w.canvas()->setFont(MeasuredScreenFont());
  QCOMPARE(tevaro::ui::ReportLineText(session.report, 1), QStringLiteral(u"V\uFFFD Cyg"));
  const QImage shot = w.canvas()->grab().toImage();
  const double cell = QFontMetricsF(MeasuredScreenFont(), w.canvas()).horizontalAdvance(QLatin1Char('0'));
  const int right = w.scrollBar()->x() - 1;
  int inkRight = -1;
  for (int x = 0; x < right; ++x)
    if (InkIn(shot, QRect(x, 0, 1, qRound(w.rowPitchPx()))) > 0) inkRight = x;
  // "g" ends in the sixth column; the bytes read as Latin-1 would reach the eighth.
  QVERIFY2(inkRight > 5 * cell && inkRight <= 6 * cell + 1, qPrintable(QStringLiteral("%1 %2").arg(inkRight).arg(cell)));
  QVERIFY(InkIn(shot, QRect(qRound(cell), 0, qRound(cell), qRound(w.rowPitchPx()))) > 0);
}

void OutputWindowTest::missingCharacterTakesOneColumn_data() {
  QTest::addColumn<bool>("paper");
  QTest::addColumn<uint>("character");
  QTest::addColumn<bool>("missing");  // from Liberation Mono
  const struct {
    const char* name;
    uint character;
    bool missing;
  } characters[] = {
      {"U+FFFD, substitute twice as wide", 0xFFFD, true},
      {"star sign, substitute a little wider", 0x2605, true},
      {"CJK, in no font here", 0x661F, true},
      {"outside the BMP (two UTF-16 units)", 0x1F31F, true},
      {"Greek beta, in the font", 0x3B2, false},
  };
  for (bool paper : {false, true})
    for (const auto& c : characters)
      QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(paper ? "paper" : "screen", c.name)))
          << paper << c.character << c.missing;
}

void OutputWindowTest::missingCharacterTakesOneColumn() {
  // The character's own cell holds its ink and everything after it is drawn
  // exactly where it is when a blank stands in its place.
  QFETCH(bool, paper);
  QFETCH(uint, character);
  QFETCH(bool, missing);
  const QFont font = paper ? tevaro::ui::PrintFont(8.0) : MeasuredScreenFont();
  const int dpi = paper ? 300 : 96;
  const char32_t c = character;
  const QString text = QStringLiteral("AB") + QString::fromUcs4(&c, 1) + QStringLiteral("WWW 12.5");
  QImage probe(1, 1, QImage::Format_RGB32);
  probe.setDotsPerMeterX(qRound(dpi / 0.0254));
  probe.setDotsPerMeterY(qRound(dpi / 0.0254));
  const tevaro::ui::ReportColumns columns(font, &probe);
  QCOMPARE(!columns.Has(c), missing);
  const QImage drawn = DrawnRow(font, dpi, text);
  const QImage blank = DrawnRow(font, dpi, QString(text).replace(2, text.size() - 10, QLatin1Char(' ')));
  const double cell = columns.cellWidth();
  const int cellLeft = 4 + qFloor(2 * cell) - 1;
  const int cellRight = 4 + qCeil(3 * cell) + 1;
  QCOMPARE(drawn.copy(cellRight, 0, drawn.width() - cellRight, drawn.height()),
           blank.copy(cellRight, 0, blank.width() - cellRight, blank.height()));
  QCOMPARE(drawn.copy(0, 0, cellLeft, drawn.height()), blank.copy(0, 0, cellLeft, blank.height()));
  QVERIFY(InkIn(drawn, QRect(cellLeft, 0, cellRight - cellLeft, drawn.height())) > 0);
}

void OutputWindowTest::firstPlaceIsBesideTheMainWindow() {
  using tevaro::ui::OuterTwips;
  const OuterTwips wide{0, 0, 28800, 16200}, small{0, 0, 19200, 14400}, main{400, 1000, 7740, 7420};
  const struct {
    const char* what;
    OuterTwips main, screen;
    int width, height;
    OuterTwips placed;
  } cases[] = {
      {"room on the right", main, wide, 12000, 7420, {8200, 1000, 12000, 7420}},
      {"room on the left only", {18000, 1000, 7740, 7420}, wide, 12000, 7420, {5940, 1000, 12000, 7420}},
      {"room on neither: over the main window's right part", main, small, 14000, 7420, {5200, 1000, 14000, 7420}},
      {"wider and higher than the screen", main, small, 30000, 20000, {0, 0, 19200, 14400}},
      {"low screen: moved up to fit", {400, 9000, 7740, 7420}, small, 9000, 7420, {8200, 6980, 9000, 7420}},
  };
  for (const auto& c : cases) {
    const OuterTwips o = tevaro::ui::PlaceBeside(c.main, c.width, c.height, c.screen);
    QVERIFY2(o.left == c.placed.left && o.top == c.placed.top && o.width == c.placed.width &&
                 o.height == c.placed.height,
             c.what);
  }
}

// A recorded placement wins over the first place beside the main window
// (which exitKeepsPlacementOfLastClose sees); a run without a site name
// has only the date in the title.
void OutputWindowTest::recordedPlaceAndTitleWithoutSite() {
  QCOMPARE(tevaro::ui::OutputTitle("", 2025, 1, 10), QStringLiteral("Output \u2014 2025-01-10"));
  TempFolder dir;
  QWidget mainWindow;
  tevaro::ui::ApplyOuter(mainWindow, {400, 1000, 3000, 3000});
  tevaro::run::Session session;
  session.report = NumberedReport(20);
  session.placement = {200, 300, 5000, 4000};
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.SetFirstPlaceBeside(&mainWindow);
  w.ShowReport();
  const tevaro::ui::OuterTwips o = tevaro::ui::ReadOuter(w);
  QCOMPARE((std::array<int, 2>{o.left, o.width}), (std::array<int, 2>{200, 5000}));
}

QTEST_MAIN(OutputWindowTest)
void OutputWindowTest::wideLinesBringAHorizontalBar() {
  TempFolder dir;
  tevaro::run::Session session;
  session.report = tevaro::ui::test::NumberedReport(50);
  tevaro::ui::RecordingMessageSink messages;
  frmOutput w(session, messages);
  w.ShowReport();
  QVERIFY(w.horizontalBar()->isHidden());
  const int rows = w.linesPerWindow();

  // A comment longer than the view: the bar comes under the rows and ends
  // at the vertical bar, and the rows give it room.
  session.report.Add(std::string(400, 'x') + "END");
  w.ShowReport();
  QScrollBar* bar = w.horizontalBar();
  QVERIFY(!bar->isHidden());
  QCOMPARE(bar->geometry().bottom(), w.canvas()->height() - 1);
  QVERIFY(bar->geometry().right() < w.scrollBar()->x());
  QVERIFY(w.scrollBar()->geometry().bottom() < bar->y());
  QVERIFY(w.linesPerWindow() <= rows);
  const int charWidth = QFontMetrics(w.canvas()->font()).horizontalAdvance(QLatin1Char('M'));
  QVERIFY(bar->maximum() >= 403 * charWidth - w.scrollBar()->x());

  // Scrolled to the right end, the short first line has gone out of view.
  const int row = qRound(w.rowPitchPx());
  const QRect firstRow(0, 0, w.scrollBar()->x(), row);
  QVERIFY(tevaro::ui::test::InkIn(w.canvas()->grab().toImage(), firstRow) > 0);
  bar->setValue(bar->maximum());
  QCOMPARE(tevaro::ui::test::InkIn(w.canvas()->grab().toImage(), firstRow), 0);
  // A new report starts at the left again.
  w.ShowReport();
  QCOMPARE(bar->value(), 0);
}

#include "output_window_test.moc"
