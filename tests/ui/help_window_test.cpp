// The help window's paragraphs and layout, and the About panel.
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <cstdlib>

#include "ui/frmAbout.h"
#include "ui/frmHelp.h"
#include "ui/twips.h"
#include "ui_test_support.h"

using tevaro::ui::ComputeHelpLayout;
using tevaro::ui::frmHelp;
using tevaro::ui::test::TempFolder;

class HelpWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void paragraphsAreBuiltInOrder();
  void estimateFollowsWidth();
  void narrowWidthIsBounded();
  void layoutAtTwoWidths();
  void draggedHeightSnapsBack();
  void closingUnloads();
  void aboutPanel();
  void escapeCloses();
};

void HelpWindowTest::paragraphsAreBuiltInOrder() {
  const auto p = tevaro::ui::HelpParagraphs();
  // The fifth paragraph holds its five pieces, in order, with nothing between them.
  const QStringList pieces{
      QStringLiteral("The data in the output window should be self-explanatory - write to the author is anything is unclear."),
      QStringLiteral("  It may be saved to a file by [menu]File > Save ..., or printed out."),
      QStringLiteral("  To print, select [menu]File > Print."),
      QStringLiteral("  The sequence [menu]File > Print Setup ... should allow you to select printer, etc. then print."),
      QStringLiteral("  However, it does not work on the author's computer; it may on yours.")};
  QCOMPARE(p[4], pieces.join(QString()));
  // The sixth joins its pieces at single blanks, without doubling them.
  QVERIFY(p[5].contains(QStringLiteral("due to daylight savings time.  For the most part")));
  QVERIFY(p[5].contains(QStringLiteral("check the box 'Enamble ...'.")));
  for (const QString& text : p) QVERIFY(!text.contains(QStringLiteral("   ")));

  TempFolder dir;
  frmHelp w;
  w.ShowWindow();
  QVERIFY(w.helpLoaded());
  QCOMPARE(w.title()->text(), QStringLiteral("Help - Tevaro"));
  QCOMPARE(w.title()->palette().color(w.title()->foregroundRole()), QColor(192, 0, 0));
  for (int i = 1; i <= 6; ++i) {
    QCOMPARE(w.paragraph(i)->text(), p[static_cast<std::size_t>(i - 1)]);
    QCOMPARE(w.helpLength()[static_cast<std::size_t>(i - 1)], static_cast<int>(p[static_cast<std::size_t>(i - 1)].size()));
    QVERIFY(w.paragraph(i)->isVisible());
  }
}

void HelpWindowTest::estimateFollowsWidth() {
  // 500 characters in a window 10500 wide: 500 x 20000 / 10000 + 300 = 1300.
  const auto l = ComputeHelpLayout(10500, {500, 500, 500, 500, 500, 500});
  QCOMPARE(l.width, 10000);
  QCOMPARE(l.tops[0], 400);
  QCOMPARE(l.tops[1] - l.tops[0], 1300);
  QCOMPARE(l.tops[5], 400 + 5 * 1300);
  // The window height uses the outer width: 500 x 20000 / 10500 = 952.38, and
  // each step rounds, so the fractions never add up.
  QCOMPARE(l.windowHeight, 1000 + 6 * 1252 + 400);
}

void HelpWindowTest::narrowWidthIsBounded() {
  const auto narrow = ComputeHelpLayout(400, {100, 100, 100, 100, 100, 100});
  const auto minimum = ComputeHelpLayout(tevaro::ui::kHelpMinWidthTwips, {100, 100, 100, 100, 100, 100});
  QCOMPARE(narrow.width, tevaro::ui::kHelpMinWidthTwips - 500);
  QCOMPARE(narrow.tops, minimum.tops);
  QCOMPARE(narrow.windowHeight, minimum.windowHeight);
}

void HelpWindowTest::layoutAtTwoWidths() {
  TempFolder dir;
  frmHelp w;
  w.ShowWindow();
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&w);
  int heights[2] = {0, 0};
  const int widths[2] = {8000, 16000};
  for (int k = 0; k < 2; ++k) {
    w.resize(t.ToPx(widths[k] - tevaro::ui::kFrameWidthTwips), w.height());
    const int outer = tevaro::ui::ReadOuter(w).width;
    const auto l = ComputeHelpLayout(outer, w.helpLength());
    for (int i = 1; i <= 6; ++i) {
      QCOMPARE(w.paragraph(i)->geometry(),
               t.Rect(240, l.tops[static_cast<std::size_t>(i - 1)], l.width, l.heights[static_cast<std::size_t>(i - 1)]));
    }
    QCOMPARE(w.title()->width(), t.ToPx(l.width));
    // The section on the reading tools follows the sixth paragraph and
    // lengthens the window by its own height.
    const QRect more = w.moreSection()->geometry();
    QCOMPARE(more.top(), t.ToPx(l.tops[5] + l.heights[5]));
    // The topics' area follows it, and lengthens the window by its height.
    const QRect topics = w.topicsArea()->geometry();
    QVERIFY(std::abs(topics.top() - (more.top() + more.height())) <= 1);
    QVERIFY(std::abs(w.height() - (t.ToPx(l.windowHeight - tevaro::ui::kFrameHeightTwips) + more.height() +
                                   topics.height())) <= 2);
    heights[k] = w.height();
  }
  // Widening the window shortens it.
  QVERIFY(heights[1] < heights[0]);
}

void HelpWindowTest::draggedHeightSnapsBack() {
  TempFolder dir;
  frmHelp w;
  w.ShowWindow();
  const int height = w.height();
  w.resize(w.width(), height + 200);
  QCOMPARE(w.height(), height);
  w.resize(w.width(), 100);
  QCOMPARE(w.height(), height);
}

void HelpWindowTest::escapeCloses() {
  frmHelp help;
  tevaro::ui::frmAbout about;
  help.ShowWindow();
  about.show();
  for (QWidget* w : {static_cast<QWidget*>(&help), static_cast<QWidget*>(&about)}) {
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_Escape);
    QVERIFY(!w->isVisible());
  }
  QVERIFY(!help.helpLoaded());  // closed as by its close button
}

void HelpWindowTest::closingUnloads() {
  TempFolder dir;
  frmHelp w;
  w.ShowWindow();
  QVERIFY(w.moreSection()->text().contains(QStringLiteral("Night chart")));
  w.paragraph(1)->setText(QStringLiteral("changed"));
  w.resize(w.width() + 300, w.height());
  // Showing an open window again does not reload it.
  w.ShowWindow();
  QCOMPARE(w.paragraph(1)->text(), QStringLiteral("changed"));
  QVERIFY(w.close());
  QVERIFY(!w.helpLoaded());
  const QSize closedSize = w.size();
  w.resize(closedSize.width() + 10, closedSize.height());  // no layout while unloaded
  QCOMPARE(w.height(), closedSize.height());
  w.ShowWindow();
  QVERIFY(w.helpLoaded());
  QCOMPARE(w.paragraph(1)->text(), tevaro::ui::HelpParagraphs()[0]);
  const tevaro::ui::Twips t = tevaro::ui::Twips::For(&w);
  QCOMPARE(w.width(), t.ToPx(14265));
}

void HelpWindowTest::aboutPanel() {
  TempFolder dir;
  tevaro::ui::frmAbout w;
  QCOMPARE(w.windowTitle(), QStringLiteral("About"));
  QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("Tevaro"));
  QVERIFY(w.findChild<QLabel*>(QStringLiteral("Label6"))->text().startsWith(QStringLiteral("Version 2.3 of ")));
  QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label7"))->text(), QString(61, QLatin1Char('-')));
  QCOMPARE(w.palette().color(QPalette::Window), QColor(224, 224, 224));
}

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
