// Printing through a real CUPS server: scripts/test starts one for the test
// run with a PDF printer (the system default), a printer that refuses jobs,
// and tells this program where the PDF printer's files arrive. Without that
// server the whole program is skipped, saying why.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "ui/frmOutput.h"
#include "ui/printing.h"
#include "ui/report_pages.h"
#include "ui_test_support.h"

using tevaro::ui::CurrentPrinter;
using tevaro::ui::frmOutput;
using tevaro::ui::PrinterDialog;
using tevaro::ui::PrinterSettings;
using tevaro::ui::PrintPlatform;
using tevaro::ui::QtPrintPlatform;
using tevaro::ui::RecordingMessageSink;
using tevaro::ui::test::InkIn;
using tevaro::ui::test::NumberedReport;

namespace {

QString Env(const char* name) { return qEnvironmentVariable(name); }

// A dialog that picks a printer by name, as a user would, and keeps the settings it was given.
class PickingDialog final : public PrinterDialog {
 public:
  explicit PickingDialog(QString pick) : pick_(std::move(pick)) {}
  void SetPrinterName(const QString&) override {}
  void SetDriverName(const QString&) override {}
  void SetPort(const QString&) override {}
  void SetPaperBin(int bin) override { settings_.paperBin = bin; }
  void SetFlags(int) override {}
  void SetSettings(const PrinterSettings& s) override { settings_ = s; }
  bool Show(QWidget*) override { return true; }
  QString PrinterName() const override { return pick_; }
  QString OutputFile() const override { return {}; }
  PrinterSettings Settings() const override { return settings_; }

 private:
  QString pick_;
  PrinterSettings settings_;
};

// Qt's printing, with a dialog that picks `pick`.
class PickingPlatform final : public PrintPlatform {
 public:
  QString pick;
  CurrentPrinter SystemDefault() override { return qt_.SystemDefault(); }
  QStringList InstalledPrinters() override { return qt_.InstalledPrinters(); }
  void Select(CurrentPrinter& p, const QString& name) override { qt_.Select(p, name); }
  void Set(CurrentPrinter& p, tevaro::ui::PrinterSetting w, int v) override { qt_.Set(p, w, v); }
  std::unique_ptr<PrinterDialog> CreateDialog() override { return std::make_unique<PickingDialog>(pick); }
  void PrintImage(const QImage& page, const CurrentPrinter& p) override { qt_.PrintImage(page, p); }
  bool PrintReport(QWidget* owner, const CurrentPrinter& p, const tevaro::ui::ReportPrintJob& job) override {
    return qt_.PrintReport(owner, p, job);
  }

 private:
  QtPrintPlatform qt_;
};

// An output window showing a report of `lines` lines, printing through
// `platform`, or through Qt's print system when it is null.
struct Shown {
  tevaro::ui::test::TempFolder tmp;
  tevaro::run::Session session;
  RecordingMessageSink messages;
  std::unique_ptr<frmOutput> window;
  explicit Shown(int lines, PrintPlatform* platform = nullptr) {
    session.report = NumberedReport(lines);
    window = std::make_unique<frmOutput>(session, messages, nullptr, platform);
    window->ShowReport();
  }
};

QStringList PdfsIn(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

// Waits for a PDF that was not in `before` to arrive and stop growing.
QString AwaitNewPdf(const QString& folder, const QStringList& before) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 120000) {
    for (const QString& f : PdfsIn(folder)) {
      if (before.contains(f)) continue;
      const QString path = QDir(folder).filePath(f);
      const qint64 size = QFileInfo(path).size();
      QTest::qWait(1000);
      if (size > 0 && QFileInfo(path).size() == size) return path;
    }
    QTest::qWait(250);
  }
  return {};
}

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
}

}  // namespace

class PrintCupsTest : public QObject {
  Q_OBJECT

 private slots:
  void pageShowsTheRowsInView();
  void reportPrintsAsTextPages();
  void refusedJobIsADeviceFault();
  void removedPrinterIsUnavailable();
};

void PrintCupsTest::pageShowsTheRowsInView() {
  Shown shown(80);
  frmOutput& w = *shown.window;
  const QStringList& messages = shown.messages.messages;
  const tevaro::ui::test::TempFolder& tmp = shown.tmp;
  // A resize redraws from the current line, line 1 at the top.
  w.resize(w.width() + 40, w.height());
  QTest::qWait(50);
  QCOMPARE(w.firstDrawnLine(), 1L);

  // The current printer follows the system default, the PDF printer.
  QCOMPARE(w.printCommands().current().deviceName, Env("TEVARO_TEST_PRINTER"));
  const QString out = Env("TEVARO_CUPS_OUT");
  const QStringList before = PdfsIn(out);
  w.PrintPage();
  QCOMPARE(messages, QStringList());
  const QString pdf = AwaitNewPdf(out, before);
  QVERIFY2(!pdf.isEmpty(), "no PDF arrived from the print server");

  const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
  QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));

  // The page as the printer would put it on paper, at 100 dpi.
  constexpr int kDpi = 100;
  const QString base = QDir(tmp.path()).filePath(QStringLiteral("page"));
  Run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-gray"),
                                    QStringLiteral("-singlefile"), pdf, base});
  const QImage page(base + QStringLiteral(".pgm"));
  QVERIFY2(!page.isNull(), "pdftoppm gave no image");

  // Where the window's image lies on the page: fitted into the printable area.
  QPrinter printer(QPrinterInfo::printerInfo(Env("TEVARO_TEST_PRINTER")), QPrinter::HighResolution);
  const CurrentPrinter& cur = w.printCommands().current();
  printer.setPageOrientation(static_cast<QPageLayout::Orientation>(cur.settings.orientation));
  printer.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(cur.settings.paperSize)));
  const QRectF paperPt = printer.pageLayout().fullRect(QPageLayout::Point);
  QVERIFY(qAbs(page.width() - paperPt.width() * kDpi / 72) <= 1);
  QVERIFY(qAbs(page.height() - paperPt.height() * kDpi / 72) <= 1);
  const QRectF areaPt = printer.pageLayout().paintRect(QPageLayout::Point);
  const QSize client = w.canvas()->size();
  const QRect area(qRound(areaPt.left() * kDpi / 72), qRound(areaPt.top() * kDpi / 72),
                   qRound(areaPt.width() * kDpi / 72), qRound(areaPt.height() * kDpi / 72));
  const QRect placed = tevaro::ui::FitOnPage(client, area);
  const double scale = static_cast<double>(placed.width()) / client.width();
  const double pitch = w.rowPitchPx() * scale;
  const int textRight = placed.left() + qRound(w.scrollBar()->x() * scale) - 2;

  // Nothing above the image, ink in every row of text from the first.
  QCOMPARE(InkIn(page, QRect(0, 0, page.width(), placed.top() - 1)), 0);
  auto band = [&](int row) {
    const int top = placed.top() + qRound(row * pitch);
    return QRect(placed.left(), top + 1, textRight - placed.left(), qRound(pitch) - 2);
  };
  for (int row = 0; row < w.linesPerWindow(); ++row)
    QVERIFY2(InkIn(page, band(row)) > 20, qPrintable(QStringLiteral("no ink in row %1").arg(row)));
}

// "Print Report ..." of a report of several pages, the dialog accepted as it
// comes: the PDF printer receives every page, the lines as text.
void PrintCupsTest::reportPrintsAsTextPages() {
  Shown shown(0);
  frmOutput& w = *shown.window;
  tevaro::run::ReportBuffer report;
  for (int i = 1; i <= 12; ++i) report.Add(" header " + std::to_string(i));
  report.Add(std::string(87, '='));
  for (int i = 1; i <= 200; ++i) report.Add(" 60686." + std::to_string(1000 + i) + "  event line " + std::to_string(i));
  shown.session.report = report;
  w.ShowReport();
  const QString out = Env("TEVARO_CUPS_OUT");
  const QStringList before = PdfsIn(out);
  bool shown_ = false;
  QTimer::singleShot(300, &w, [&] {
    if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
      shown_ = true;
      dialog->accept();
    }
  });
  w.PrintReport();
  QVERIFY(shown_);
  QCOMPARE(shown.messages.messages, QStringList());
  const QString pdf = AwaitNewPdf(out, before);
  QVERIFY2(!pdf.isEmpty(), "no PDF arrived from the print server");

  // The pages the pagination gives for the printer's paper.
  QPrinter printer(QPrinterInfo::printerInfo(Env("TEVARO_TEST_PRINTER")), QPrinter::HighResolution);
  tevaro::ui::ReportDocument doc;
  doc.report = &report;
  const std::size_t pages = tevaro::ui::PaginateFor(doc, printer.pageLayout(), printer).pages.size();
  QVERIFY(pages >= 3);
  const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
  QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))), qPrintable(info));
  // The pages arrive as text, one text row per printed row: the report's
  // lines, the headings again on every later page, a footer on each. The PDF
  // printer's PostScript round trip drops the fonts' map back to Unicode, so
  // the rows are counted here, not read.
  QVERIFY2(Run(QStringLiteral("pdffonts"), {pdf}).count(QLatin1Char('\n')) > 2, "no fonts: the pages are images");
  const QString text = Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  qsizetype rows = 0;
  for (const QString& row : text.split(QRegularExpression(QStringLiteral("[\\n\\f]"))))
    if (!row.trimmed().isEmpty()) ++rows;
  const qsizetype expected = static_cast<qsizetype>(report.LineCount() + 3 * (pages - 1) + pages);
  QCOMPARE(rows, expected);
}

void PrintCupsTest::refusedJobIsADeviceFault() {
  PickingPlatform platform;
  // The name as typed in upper case: the walk over the printers finds it.
  platform.pick = Env("TEVARO_REFUSING_PRINTER").toUpper();
  Shown shown(10, &platform);
  frmOutput& w = *shown.window;
  const QStringList& messages = shown.messages.messages;
  w.PrintSetup();
  QCOMPARE(messages, QStringList());
  QCOMPARE(w.printCommands().current().deviceName, Env("TEVARO_REFUSING_PRINTER"));
  QVERIFY(!w.printCommands().current().tracksDefault);
  w.PrintPage();
  QCOMPARE(messages, QStringList{QStringLiteral(" 25 Error 25: Device fault.")});
}

void PrintCupsTest::removedPrinterIsUnavailable() {
  const QString name = QStringLiteral("tevaro-gone");
  Run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-v"), QStringLiteral("cups-pdf:/gone"),
                                  QStringLiteral("-P"), Env("TEVARO_TEST_PPD"), QStringLiteral("-E")});
  QVERIFY2(QPrinterInfo::availablePrinterNames().contains(name), "could not add a printer");
  PickingPlatform platform;
  platform.pick = name;
  Shown shown(10, &platform);
  frmOutput& w = *shown.window;
  const QStringList& messages = shown.messages.messages;
  w.PrintSetup();
  QCOMPARE(w.printCommands().current().deviceName, name);
  Run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name});
  w.PrintPage();
  QCOMPARE(messages, QStringList{QStringLiteral(" 68 Error 68: Device unavailable.\n\nNo printer is set up: use Print "
                                                "Setup ... to choose one (or Print to File), or File > Export PDF ...")});
}

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString out = Env("TEVARO_CUPS_OUT");
  QString why;
  if (Env("CUPS_SERVER").isEmpty() || out.isEmpty())
    why = QStringLiteral("no print server was started for this run (scripts/test starts one)");
  else if (!QPrinterInfo::availablePrinterNames().contains(Env("TEVARO_TEST_PRINTER")))
    why = QStringLiteral("the print server at %1 has no printer %2").arg(Env("CUPS_SERVER"), Env("TEVARO_TEST_PRINTER"));
  if (!why.isEmpty()) {
    std::printf("SKIPPED: printing through CUPS not tested: %s\n", qPrintable(why));
    return 77;
  }
  PrintCupsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "print_cups_test.moc"
