// "Print Report ..." and "Export PDF ...": the menu, the job handed to the
// platform, Qt's print dialog printing text pages into a PDF file (accepted,
// cancelled, a selection, a page range), the PDF chooser and the exported
// file, compared with the batch front end's.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <functional>

#include "run/pagination.h"
#include "run/report.h"
#include "ui/frmFileChooser.h"
#include "ui/frmMain.h"
#include "ui/frmOutput.h"
#include "ui/printing.h"
#include "ui/report_pages.h"
#include "ui_test_support.h"

using tevaro::ui::CurrentPrinter;
using tevaro::ui::frmFileChooser;
using tevaro::ui::frmOutput;
using tevaro::ui::PrinterDialog;
using tevaro::ui::PrinterSetting;
using tevaro::ui::PrintFailure;
using tevaro::ui::PrintPlatform;
using tevaro::ui::RecordingMessageSink;
using tevaro::ui::ReportPrintJob;
using tevaro::ui::test::TempFolder;

namespace {

// A report as a run lays it out: the header, night lines and event lines.
tevaro::run::ReportBuffer RunLikeReport(int events) {
  tevaro::run::ReportBuffer r;
  r.Add(std::string(22, ' ') + "T e v a r o");
  r.Add("");
  for (int i = 3; i <= 10; ++i) r.Add(" header line " + std::to_string(i));
  r.Add(std::string(30, ' ') + "Brt   Fnt               LOCAL");
  r.Add("     JD      Star       Typ   Mag   Mag  Date         time   Azi Alt Event Comment");
  r.Add(std::string(87, '='));
  r.Add(tevaro::run::NightLine(60686.5));
  for (int i = 1; i <= events; ++i) {
    if (i % 30 == 0) r.Add(tevaro::run::NightLine(60686.5 + i / 30));
    r.Add(" 6068" + std::to_string(6 + i / 30) + ".5890  Star " + std::to_string(i) +
          "      EW   8.5   9.4  2025_Jan_10  18: 8 261.  60.    I   note " + std::to_string(i));
  }
  return r;
}

QString Run(const QString& program, const QStringList& args, const QString& folder = {}) {
  QProcess p;
  if (!folder.isEmpty()) p.setWorkingDirectory(folder);
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& pdf) {
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Run(QStringLiteral("pdfinfo"), {pdf}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString Squeezed(const QString& line) { return line.simplified(); }

// The PDF's lines, blanks squeezed, without empty lines.
QStringList PdfLines(const QString& pdf) {
  QStringList lines;
  for (const QString& l : Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                              .split(QRegularExpression(QStringLiteral("[\\n\\f]"))))
    if (!Squeezed(l).isEmpty()) lines << Squeezed(l);
  return lines;
}

// The report's lines from..to, blanks squeezed, without empty lines.
QStringList ReportLines(const tevaro::run::ReportBuffer& r, std::size_t from = 1, std::size_t to = 0) {
  if (to == 0) to = r.LineCount();
  QStringList lines;
  for (std::size_t i = from; i <= to; ++i) {
    const QString l = Squeezed(QString::fromStdString(std::string(r.Line(i))));
    if (!l.isEmpty()) lines << l;
  }
  return lines;
}

// The PDF's lines without footers, and the footers apart.
struct PdfText {
  QStringList body, footers;
};
PdfText Split(const QStringList& lines) {
  static const QRegularExpression footer(QStringLiteral("page \\d+ of \\d+$"));
  PdfText t;
  for (const QString& l : lines) (footer.match(l).hasMatch() ? t.footers : t.body) << l;
  return t;
}

// `lines` without the heading lines after the first `keep` of each;
// `dropped` counts the lines left out.
QStringList WithoutHeadings(const QStringList& lines, const QStringList& headings, int keep, int& dropped) {
  QStringList out;
  QHash<QString, int> seen;
  dropped = 0;
  for (const QString& l : lines) {
    if (headings.contains(l) && seen[l]++ >= keep) {
      ++dropped;
      continue;
    }
    out << l;
  }
  return out;
}

// Answers the next modal print dialog with `answer` once it is up.
void AnswerPrintDialog(QObject* context, std::function<void(QPrintDialog&)> answer) {
  QTimer::singleShot(200, context, [answer] {
    if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) answer(*dialog);
  });
}

// Qt's printing onto a "printer" that writes into `file`: the default the
// window follows.
class FilePrinterPlatform final : public PrintPlatform {
 public:
  QString file;
  QStringList imagesPrinted;
  CurrentPrinter SystemDefault() override {
    CurrentPrinter c;
    c.port = file;
    return c;
  }
  QStringList InstalledPrinters() override { return {}; }
  void Select(CurrentPrinter&, const QString&) override {}
  void Set(CurrentPrinter& p, PrinterSetting which, int v) override { qt_.Set(p, which, v); }
  std::unique_ptr<PrinterDialog> CreateDialog() override { return nullptr; }
  void PrintImage(const QImage&, const CurrentPrinter& p) override { imagesPrinted << p.port; }
  bool PrintReport(QWidget* owner, const CurrentPrinter& p, const ReportPrintJob& job) override {
    return qt_.PrintReport(owner, p, job);
  }

 private:
  tevaro::ui::QtPrintPlatform qt_;
};

// Keeps the jobs and fails as told.
class RecordingPlatform final : public PrintPlatform {
 public:
  std::optional<int> failure;
  QList<ReportPrintJob> jobs;
  int images = 0;
  QString printer = QStringLiteral("Office Laser");
  int paper = QPageSize::A4;
  CurrentPrinter SystemDefault() override {
    CurrentPrinter c;
    c.deviceName = printer;
    c.settings.paperSize = paper;
    return c;
  }
  QStringList InstalledPrinters() override { return {QStringLiteral("Office Laser")}; }
  void Select(CurrentPrinter&, const QString&) override {}
  void Set(CurrentPrinter&, PrinterSetting, int) override {}
  std::unique_ptr<PrinterDialog> CreateDialog() override { return nullptr; }
  void PrintImage(const QImage&, const CurrentPrinter&) override { ++images; }
  bool PrintReport(QWidget*, const CurrentPrinter&, const ReportPrintJob& job) override {
    if (failure) throw PrintFailure(*failure);
    jobs << job;
    return true;
  }
};

struct Window {
  tevaro::run::Session session;
  RecordingMessageSink messages;
  std::unique_ptr<frmOutput> w;
  Window(int events, PrintPlatform* platform) {
    session.report = RunLikeReport(events);
    session.siteName = "Ridge Station";
    session.params.year = 2025;
    session.params.month = 1;
    session.params.day = 10;
    w = std::make_unique<frmOutput>(session, messages, nullptr, platform);
    w->ShowReport();
  }
};

QAction* Item(QWidget& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

// The example star file loaded into a started window, site 1 picked, and
// `nights` nights from the evening of 2011-05-04 calculated: the output window.
frmOutput* CalculateExample(tevaro::ui::test::Started& s, const QString& folder, const char* nights) {
  if (s.w.session().OpenStarFile(folder.toStdString(), "stars.csv")) return nullptr;
  auto* combo = s.w.findChild<QComboBox*>(QStringLiteral("Combo1"));
  combo->setCurrentIndex(1);
  emit combo->activated(1);
  const char* fields[][2] = {{"Text4", "2011"}, {"Text5", "05"}, {"Text6", "04"}, {"Text7", nights}};
  for (const auto& f : fields) s.w.findChild<QLineEdit*>(QString::fromLatin1(f[0]))->setText(QString::fromLatin1(f[1]));
  s.w.Calculate();
  return s.messages.messages.isEmpty() ? s.w.outputWindow() : nullptr;
}

// tevaro-cli in `folder` on the same run, with `more` arguments; its exit status.
int RunExampleCli(const QString& folder, const char* nights, const QStringList& more) {
  QProcess p;
  p.setWorkingDirectory(folder);
  p.start(QStringLiteral(TEVARO_CLI_PATH),
          QStringList{"--stars", "stars.csv", "--site", "1", "--date", "2011-05-04", "--nights", nights} + more);
  return p.waitForFinished(30000) ? p.exitCode() : -1;
}

}  // namespace

class PrintReportTest : public QObject {
  Q_OBJECT

 private slots:
  void menuHoldsTheNewItemsAfterPrint();
  void jobCarriesTitleAndSelection();
  void failureShowsThePrintMessage();
  void dialogPrintsEveryLineAsText();
  void cancelPrintsNothing();
  void selectionPrintsTheSelectedLines();
  void pageRangePrintsThosePages();
  void exportChooser();
  void exportPaperFollowsThePrinter();
  void exportAsksBeforeReplacing();
  void exportFailureIsShown();
  void exportMatchesBatchFrontEnd();
  void exportEvents();
};

void PrintReportTest::menuHoldsTheNewItemsAfterPrint() {
  RecordingPlatform platform;
  Window win(10, &platform);
  auto* file = win.w->findChild<QMenu*>(QStringLiteral("OPfile"));
  QVERIFY(file);
  QStringList captions;
  for (QAction* a : file->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text().remove(u'&'));
  QCOMPARE(captions, (QStringList{"Save ...", "-", "Print Setup ...", "Print", "Print Report ...", "Export PDF ...",
                                  "Export events ...", "-", "Exit"}));
  // "Print" still prints the window's image.
  Item(*win.w, "mPrint")->trigger();
  QCOMPARE(platform.images, 1);
  QVERIFY(platform.jobs.isEmpty());
}

void PrintReportTest::jobCarriesTitleAndSelection() {
  RecordingPlatform platform;
  Window win(100, &platform);
  Item(*win.w, "mPrintReport")->trigger();
  QCOMPARE(platform.jobs.size(), 1);
  const ReportPrintJob& all = platform.jobs[0];
  QCOMPARE(all.doc.report, &*win.session.report);
  QCOMPARE(all.doc.title, QStringLiteral("Ridge Station, evening of 2025-01-10"));
  QCOMPARE(all.selectionFrom, std::size_t{0});
  // Lines selected from the bottom up are offered top first.
  win.w->Select(40, 20);
  Item(*win.w, "mPrintReport")->trigger();
  QCOMPARE(platform.jobs.size(), 2);
  QCOMPARE(platform.jobs[1].selectionFrom, std::size_t{20});
  QCOMPARE(platform.jobs[1].selectionTo, std::size_t{40});
  QCOMPARE(win.messages.messages, QStringList());
}

void PrintReportTest::failureShowsThePrintMessage() {
  RecordingPlatform platform;
  Window win(10, &platform);
  for (int n : {57, 68, 25}) {
    platform.failure = n;
    win.w->PrintReport();
  }
  // With no printer the failure's text goes on with what to do.
  QCOMPARE(win.messages.messages,
           (QStringList{" 57 Error 57: Device I/O error.",
                        " 68 Error 68: Device unavailable.\n\nNo printer is set up: use Print Setup ... to choose one "
                        "(or Print to File), or File > Export PDF ...",
                        " 25 Error 25: Device fault."}));
}

void PrintReportTest::dialogPrintsEveryLineAsText() {
  TempFolder tmp;
  FilePrinterPlatform platform;
  platform.file = tmp.file(QStringLiteral("report.pdf"));
  Window win(300, &platform);
  bool shown = false;
  bool selectionOffered = true;
  AnswerPrintDialog(win.w.get(), [&](QPrintDialog& d) {
    shown = true;
    selectionOffered = d.testOption(QAbstractPrintDialog::PrintSelection);
    d.accept();
  });
  win.w->PrintReport();
  QVERIFY(shown);
  QVERIFY2(!selectionOffered, "Selection offered with nothing selected");
  QCOMPARE(win.messages.messages, QStringList());
  QVERIFY(QFileInfo::exists(platform.file));

  // Every line once, in order, the headings repeated on every later page.
  const PdfText text = Split(PdfLines(platform.file));
  const int pages = PdfPages(platform.file);
  QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
  QCOMPARE(text.footers.size(), pages);
  QVERIFY(text.footers.last().endsWith(QStringLiteral("page %1 of %1").arg(pages)));
  QVERIFY(text.footers.first().startsWith(QStringLiteral("Ridge Station, evening of 2025-01-10")));
  int dropped = 0;
  const QStringList body = WithoutHeadings(text.body, ReportLines(win.session.report, 11, 13), 1, dropped);
  QCOMPARE(dropped, 3 * (pages - 1));
  QCOMPARE(body, ReportLines(win.session.report));
  // "Print" is still the window's image.
  win.w->PrintPage();
  QCOMPARE(platform.imagesPrinted, QStringList{platform.file});
}

void PrintReportTest::cancelPrintsNothing() {
  TempFolder tmp;
  FilePrinterPlatform platform;
  platform.file = tmp.file(QStringLiteral("report.pdf"));
  Window win(50, &platform);
  bool shown = false;
  AnswerPrintDialog(win.w.get(), [&](QPrintDialog& d) {
    shown = true;
    d.reject();
  });
  win.w->PrintReport();
  QVERIFY(shown);
  QVERIFY(!QFileInfo::exists(platform.file));
  QCOMPARE(win.messages.messages, QStringList());
}

void PrintReportTest::selectionPrintsTheSelectedLines() {
  TempFolder tmp;
  FilePrinterPlatform platform;
  platform.file = tmp.file(QStringLiteral("selection.pdf"));
  Window win(300, &platform);
  win.w->Select(100, 250);
  bool picked = false;
  AnswerPrintDialog(win.w.get(), [&](QPrintDialog& d) {
    for (QRadioButton* b : d.findChildren<QRadioButton*>())
      if (b->text().remove(u'&') == QStringLiteral("Selection") && b->isEnabled()) {
        b->setChecked(true);
        picked = true;
      }
    d.accept();
  });
  win.w->PrintReport();
  QVERIFY2(picked, "the dialog offers no Selection");
  const PdfText text = Split(PdfLines(platform.file));
  const int pages = PdfPages(platform.file);
  QVERIFY(pages >= 2);
  // Every page starts with the headings, then the selected lines follow on.
  QCOMPARE(text.footers.size(), pages);
  int dropped = 0;
  const QStringList body = WithoutHeadings(text.body, ReportLines(win.session.report, 11, 13), 0, dropped);
  QCOMPARE(dropped, 3 * pages);
  QCOMPARE(body, ReportLines(win.session.report, 100, 250));
}

void PrintReportTest::pageRangePrintsThosePages() {
  TempFolder tmp;
  const tevaro::run::ReportBuffer report = RunLikeReport(400);
  ReportPrintJob job;
  job.doc.report = &report;
  job.doc.title = QStringLiteral("Ridge Station, evening of 2025-01-10");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(tmp.file(QStringLiteral("range.pdf")));
  printer.setPageSize(QPageSize(QPageSize::A4));
  const tevaro::run::Pagination p = tevaro::ui::PaginateFor(job.doc, printer.pageLayout(), printer);
  QVERIFY(p.pages.size() >= 4);
  printer.setPrintRange(QPrinter::PageRange);
  printer.setFromTo(2, 3);
  tevaro::ui::PrintReportOn(printer, job);
  QCOMPARE(PdfPages(printer.outputFileName()), 2);
  const PdfText text = Split(PdfLines(printer.outputFileName()));
  const QString n = QString::number(p.pages.size());
  QVERIFY(text.footers[0].endsWith(QStringLiteral("page 2 of ") + n));
  QVERIFY(text.footers[1].endsWith(QStringLiteral("page 3 of ") + n));
  QStringList want = ReportLines(report, 11, 13) + ReportLines(report, p.pages[1].first, p.pages[1].last) +
                     ReportLines(report, 11, 13) + ReportLines(report, p.pages[2].first, p.pages[2].last);
  QCOMPARE(text.body, want);
}

void PrintReportTest::exportChooser() {
  TempFolder tmp;
  tmp.Write(QStringLiteral("old.pdf"), "%PDF-old");
  tmp.Write(QStringLiteral("notes.txt"), "x");
  RecordingPlatform platform;
  Window win(200, &platform);
  Item(*win.w, "mExportPdf")->trigger();
  frmFileChooser* c = win.w->pdfChooser();
  QVERIFY(c && c->isVisible());
  QCOMPARE(c->windowTitle(), QStringLiteral("Export PDF"));
  QCOMPARE(c->patterns(), (QStringList{"PDF files (*.pdf)", "*.*"}));
  QCOMPARE(c->pattern(), QStringLiteral("PDF files (*.pdf)"));
  QCOMPARE(c->listedFiles(), QStringList{QStringLiteral("old.pdf")});
  QCOMPARE(c->fileName(), QStringLiteral("tevaro-2025-01-10.pdf"));
  c->Ok();
  QVERIFY(!c->isVisible());
  QCOMPARE(win.messages.messages, QStringList());
  const QString pdf = tmp.file(QStringLiteral("tevaro-2025-01-10.pdf"));
  const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
  QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Ridge Station, evening of 2025-01-10\\n"))),
           qPrintable(info));
  QVERIFY2(info.contains(QStringLiteral("(A4)")), qPrintable(info));
  // The text is selectable: the report's lines come back out.
  QCOMPARE(PdfLines(pdf).filter(QStringLiteral("note 137")).size(), 1);
  // No temporary file is left beside it.
  QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
  QCOMPARE(QString::fromStdString(win.session.chosenFolder), QDir::cleanPath(tmp.path()));
}

void PrintReportTest::exportPaperFollowsThePrinter() {
  struct Case {
    QString printer;
    int paper;
    QPageSize::PageSizeId expected;
  };
  // Letter when the current printer has it; A4 for any other paper and when
  // there is no printer, whatever its default settings say.
  for (const Case& c : {Case{"Office Laser", QPageSize::Letter, QPageSize::Letter},
                        Case{"Office Laser", QPageSize::A4, QPageSize::A4},
                        Case{"Office Laser", QPageSize::Legal, QPageSize::A4}, Case{"", QPageSize::Letter, QPageSize::A4}}) {
    RecordingPlatform platform;
    platform.printer = c.printer;
    platform.paper = c.paper;
    Window win(5, &platform);
    QCOMPARE(win.w->ExportPaper(), c.expected);
  }
}

void PrintReportTest::exportAsksBeforeReplacing() {
  TempFolder tmp;
  tmp.Write(QStringLiteral("tevaro-2025-01-10.pdf"), "older");
  RecordingPlatform platform;
  Window win(20, &platform);
  win.w->ShowPdfChooser();
  frmFileChooser* c = win.w->pdfChooser();
  // No: nothing written, the chooser stays.
  win.messages.answers = {false};
  c->Ok();
  QCOMPARE(win.messages.questions, QStringList{QStringLiteral("tevaro-2025-01-10.pdf already exists.  Replace it?")});
  QCOMPARE(tmp.Read(QStringLiteral("tevaro-2025-01-10.pdf")), QByteArray("older"));
  QVERIFY(c->isVisible());
  // Yes: replaced.
  win.messages.answers = {true};
  c->Ok();
  QVERIFY(tmp.Read(QStringLiteral("tevaro-2025-01-10.pdf")).startsWith("%PDF"));
  QVERIFY(!c->isVisible());
}

void PrintReportTest::exportFailureIsShown() {
  TempFolder tmp;
  RecordingPlatform platform;
  Window win(20, &platform);
  win.w->ShowPdfChooser();
  frmFileChooser* c = win.w->pdfChooser();
  c->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("no/such/folder/r.pdf"));
  c->Ok();
  QCOMPARE(win.messages.messages.size(), 1);
  QVERIFY2(win.messages.messages[0].startsWith(QStringLiteral("The PDF was not written.  Could not write ")),
           qPrintable(win.messages.messages[0]));
}

void PrintReportTest::exportMatchesBatchFrontEnd() {
  const QString cli = QStringLiteral(TEVARO_CLI_PATH);
  if (!QFileInfo(cli).isExecutable()) QSKIP("tevaro-cli is not built");
  TempFolder dir;
  for (const char* name : {"Location.dat", "Limits.dat", "stars.csv"}) dir.CopyExample(QString::fromLatin1(name));
  tevaro::ui::test::Started s(dir);
  frmOutput* out = CalculateExample(s, dir.path(), "20");
  QVERIFY2(out, qPrintable(s.messages.messages.join('|')));
  Item(*out, "mExportPdf")->trigger();
  out->pdfChooser()->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("window.pdf"));
  out->pdfChooser()->Ok();
  QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));

  QCOMPARE(RunExampleCli(dir.path(), "20", {"--pdf", "batch.pdf"}), 0);
  const QString window = Run(QStringLiteral("pdftotext"), {"-layout", dir.file("window.pdf"), "-"});
  QVERIFY2(PdfPages(dir.file("window.pdf")) >= 2, qPrintable(window));
  QCOMPARE(window, Run(QStringLiteral("pdftotext"), {"-layout", dir.file("batch.pdf"), "-"}));
  QCOMPARE(PdfPages(dir.file("window.pdf")), PdfPages(dir.file("batch.pdf")));
}

void PrintReportTest::exportEvents() {
  const QString cli = QStringLiteral(TEVARO_CLI_PATH);
  if (!QFileInfo(cli).isExecutable()) QSKIP("tevaro-cli is not built");
  TempFolder dir;
  for (const char* name : {"Location.dat", "Limits.dat", "stars.csv"}) dir.CopyExample(QString::fromLatin1(name));
  tevaro::ui::test::Started s(dir);
  frmOutput* out = CalculateExample(s, dir.path(), "5");
  QVERIFY2(out, qPrintable(s.messages.messages.join('|')));
  Item(*out, "mExportEvents")->trigger();
  frmFileChooser* c = out->eventsChooser();
  QVERIFY(c && c->isVisible());
  QCOMPARE(c->windowTitle(), QStringLiteral("Export Events"));
  QCOMPARE(c->patterns(), (QStringList{"CSV files (*.csv)", "Calendar files (*.ics)", "Scheduler list (*.esl)",
                                        "Observatory plan (*.txt)", "Target list (*.csv)"}));
  auto* name = c->findChild<QLineEdit*>(QStringLiteral("Text1"));
  QCOMPARE(name->text(), QStringLiteral("tevaro-2011-05-04.csv"));
  // The type picked gives the proposed name its extension.
  c->PickType(2);
  QCOMPARE(name->text(), QStringLiteral("tevaro-2011-05-04.esl"));
  c->PickType(0);
  QCOMPARE(name->text(), QStringLiteral("tevaro-2011-05-04.csv"));
  // The capture sequence as the options file remembers it.
  s.w.session().options.Set("esl_sequence", "/seq/minimum.esq");

  // The batch front end's files of the same run.
  QCOMPARE(RunExampleCli(dir.path(), "5", {"--csv", "batch.csv", "--ics", "batch.ics", "--esl", "batch.esl",
                                           "--esl-sequence", "/seq/minimum.esq", "--plan", "batch.txt",
                                           "--targets", "batch-targets.csv"}), 0);
  auto withoutStamps = [](QByteArray t) {
    for (qsizetype at; (at = t.indexOf("DTSTAMP:")) >= 0;) t.remove(at, t.indexOf('\n', at) + 1 - at);
    return t;
  };
  struct Case {
    const char* name;
    const char* existing;  // the file's bytes before, or null
    bool replace;          // the answer to the replace question
    const char* sameAs;    // the batch file it must equal, or null when left as it was
    int type = 0;          // the type picked in the list
  };
  for (const Case& k : {Case{"tevaro-2011-05-04.csv", nullptr, false, "batch.csv"},
                        Case{"events.ICS", nullptr, false, "batch.ics"},
                        Case{"older.csv", "older", false, nullptr},
                        Case{"older.ics", "older", true, "batch.ics"},
                        Case{"night.esl", nullptr, false, "batch.esl"},
                        Case{"plan", nullptr, false, "batch.txt", 3},
                        Case{"targets.csv", nullptr, false, "batch-targets.csv", 4},
                        Case{"by-name.ics", nullptr, false, "batch.ics", 4}}) {
    s.messages.questions.clear();
    if (k.existing) dir.Write(QString::fromLatin1(k.name), k.existing);
    s.messages.answers = {k.replace};
    Item(*out, "mExportEvents")->trigger();
    c->SelectPattern(k.type);
    name->setText(QString::fromLatin1(k.name));
    c->Ok();
    QVERIFY2(s.messages.questions.size() == (k.existing ? 1 : 0), k.name);
    QVERIFY2(s.messages.messages.isEmpty(), qPrintable(s.messages.messages.join('|')));
    const QByteArray written = dir.Read(QString::fromLatin1(k.name));
    if (k.sameAs) QCOMPARE(withoutStamps(written), withoutStamps(dir.Read(QString::fromLatin1(k.sameAs))));
    else QCOMPARE(written, QByteArray(k.existing));
    if (k.sameAs) c->hide();
  }
  // A failure says so and writes nothing.
  name->setText(QStringLiteral("no/such/folder/e.csv"));
  c->Ok();
  QCOMPARE(s.messages.messages.size(), 1);
  QVERIFY2(s.messages.messages[0].startsWith(QStringLiteral("The events were not exported.  Could not write ")),
           qPrintable(s.messages.messages[0]));
}

QTEST_MAIN(PrintReportTest)
#include "print_report_test.moc"
