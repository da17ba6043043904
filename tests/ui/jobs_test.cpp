// The windows' background jobs nested inside one another: Export PDF, the
// night chart's search and Export events started while a Calculate of the
// full-capacity year runs, each inside the one before. Built with
// ThreadSanitizer too, where a job reading what the window changes is a
// reported race.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "export/formats.h"
#include "run/pagination.h"
#include "support/catalogue.h"
#include "ui/frmFileChooser.h"
#include "ui/frmNightChart.h"
#include "ui/frmOutput.h"
#include "ui/report_pages.h"
#include "ui_test_support.h"

using namespace tevaro;
using ui::test::TempFolder;

namespace {

QLineEdit* Text(ui::frmMain& w, int n) { return w.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n)); }
QAction* Item(ui::frmOutput& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

// `work` on the next turn of whichever event loop runs then: inside the job
// that is started right after this call.
template <class Work>
void Inside(QObject* context, Work work) {
  QMetaObject::invokeMethod(context, work, Qt::QueuedConnection);
}

// Confirms `chooser` with `name` in the current folder.
void Choose(ui::frmFileChooser* chooser, const QString& name) {
  chooser->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(name);
  chooser->Ok();
}

QByteArray PdfText(const QString& path) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  return p.waitForFinished(60000) ? p.readAllStandardOutput() : QByteArray();
}

}  // namespace

class JobsTest : public QObject {
  Q_OBJECT

 private slots:
  void nestedJobsKeepTheirReportAndHoldCalculate();
};

void JobsTest::nestedJobsKeepTheirReportAndHoldCalculate() {
  TempFolder dir;
  dir.CopyStartUpFiles();
  ui::test::Started s(dir);
  ui::frmMain& w = s.w;
  w.show();
  QVERIFY(!w.session().LoadStars(ui::test::ExamplePath(QStringLiteral("stars.csv")).toStdString()));
  Text(w, 4)->setText(QStringLiteral("2011"));
  Text(w, 5)->setText(QStringLiteral("5"));
  Text(w, 6)->setText(QStringLiteral("4"));
  Text(w, 7)->setText(QStringLiteral("20"));
  w.Calculate();
  ui::frmOutput* out = w.outputWindow();
  QVERIFY2(out, qPrintable(s.messages.messages.join(QLatin1Char('|'))));
  // The report shown and its run: what every job below must read.
  const run::ReportBuffer shown = w.session().report;
  const std::shared_ptr<const run::ListedRun> shownRun = w.session().lastRun;
  auto* calculate = w.findChild<QPushButton*>(QStringLiteral("Command1"));
  auto* status = w.findChild<QLabel*>(QStringLiteral("jobStatus"));
  QVERIFY(calculate);

  // The next Calculate: the full-capacity year.
  w.session().stars = testing::MakeCatalogue(10000, 23);
  Text(w, 7)->setText(QStringLiteral("365"));
  for (int k = 0; k < 4; ++k) w.findChild<QCheckBox*>(QStringLiteral("Check1_%1").arg(k))->setChecked(true);

  // What the windows show at each step: the actions that wait, the status
  // area, and whether the report shown is still the first one. Enter in a
  // field is Calculate, which must start nothing while it waits.
  QStringList seen;
  auto note = [&](const char* where, bool pressEnter) {
    if (pressEnter) QTest::keyClick(Text(w, 7), Qt::Key_Return);
    QStringList waiting;
    if (!calculate->isEnabled()) waiting << QStringLiteral("Calculate");
    for (const char* item : {"mPrintReport", "mExportPdf", "mExportEvents", "mNightChart"})
      if (!Item(*out, item)->isEnabled()) waiting << Item(*out, item)->text().remove(QLatin1Char('&'));
    seen << QStringLiteral("%1 | waiting: %2 | %3 | report %4")
                .arg(QLatin1String(where), waiting.isEmpty() ? QStringLiteral("none") : waiting.join(QStringLiteral(", ")), status ? status->text() : QString(),
                     QLatin1String(w.session().lastRun == shownRun ? "kept" : "replaced"));
  };
  Inside(&w, [&] {
    note("Calculate", false);
    Inside(&w, [&] {
      note("Export PDF", false);
      Inside(&w, [&] {
        note("chart's search", false);
        Inside(&w, [&] { note("Export events", true); });
        out->ShowEventsChooser();
        Choose(out->eventsChooser(), QStringLiteral("shown.csv"));
        note("chart's search after Export events", true);
      });
      Item(*out, "mNightChart")->trigger();
      // Closed, so that the new report does not bring the chart a year to find.
      if (out->nightChart()) out->nightChart()->hide();
      note("Export PDF after the chart's search", true);
    });
    out->ShowPdfChooser();
    Choose(out->pdfChooser(), QStringLiteral("shown.pdf"));
    note("Calculate after Export PDF", false);
  });
  w.Calculate();
  note("the end", false);
  const QStringList expected = {
      "Calculate | waiting: none | Running: Calculate | report kept",
      "Export PDF | waiting: Calculate, Export PDF ... | Running: Calculate, Export PDF | report kept",
      "chart's search | waiting: Calculate, Export PDF ..., Night chart | Running: Calculate, Export PDF, Night chart "
      "| report kept",
      "Export events | waiting: Calculate, Export PDF ..., Export events ..., Night chart | Running: Calculate, "
      "Export PDF, Export events, Night chart | report kept",
      "chart's search after Export events | waiting: Calculate, Export PDF ..., Night chart | Running: Calculate, "
      "Export PDF, Night chart | report kept",
      "Export PDF after the chart's search | waiting: Calculate, Export PDF ... | Running: Calculate, Export PDF "
      "| report kept",
      "Calculate after Export PDF | waiting: none | Running: Calculate | report kept",
      "the end | waiting: none |  | report replaced"};
  QVERIFY2(seen == expected, qPrintable(QStringLiteral("\n") + seen.join(QLatin1Char('\n'))));
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join(QLatin1Char('|'))));
  // The Calculate that ran around the jobs has its report shown.
  QCOMPARE(int{w.session().lastRun->params.dayCount}, 365);

  // The files hold the report and the events shown when the jobs started.
  ui::ReportDocument doc;
  doc.report = &shown;
  const run::RunParameters& p = shownRun->params;
  doc.title = QString::fromStdString(run::PageFooterLeft(w.session().siteName, p.year, p.month, p.day));
  QVERIFY(!ui::WriteReportPdf(dir.file(QStringLiteral("expected.pdf")).toStdString(), doc, out->ExportPaper()));
  const QByteArray pdf = PdfText(dir.file(QStringLiteral("shown.pdf")));
  QVERIFY(!pdf.isEmpty());
  QCOMPARE(pdf, PdfText(dir.file(QStringLiteral("expected.pdf"))));
  QVERIFY(!exports::WriteEventsFile(*shownRun, dir.file(QStringLiteral("expected.csv")).toStdString(),
                                    *exports::FormatNamed("csv")));
  QCOMPARE(dir.Read(QStringLiteral("shown.csv")), dir.Read(QStringLiteral("expected.csv")));
}

QTEST_MAIN(JobsTest)
#include "jobs_test.moc"
