// Printing and print setup over a scripted platform: the failure messages,
// the order of the setup steps, the printer walk, and the printed image; then
// printing into a PDF file through Qt, with no print server.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QTimer>
#include <QMenuBar>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <optional>
#include <QScrollBar>
#include <QTest>

#include "ui/frmMain.h"
#include "ui/frmOutput.h"
#include "ui/printing.h"
#include "ui_test_support.h"

using tevaro::ui::CurrentPrinter;
using tevaro::ui::frmOutput;
using tevaro::ui::PrinterDialog;
using tevaro::ui::PrinterSetting;
using tevaro::ui::PrinterSettings;
using tevaro::ui::PrintFailure;
using tevaro::ui::PrintPlatform;
using tevaro::ui::RecordingMessageSink;
using tevaro::ui::test::InkIn;
using tevaro::ui::test::NumberedReport;
using tevaro::ui::test::TempFolder;

namespace {

const QString kSetupFailure = QString::fromLatin1(tevaro::ui::kPrintSetupFailure);

struct Script;

// A dialog that records what it was given and answers as scripted.
class ScriptedDialog final : public PrinterDialog {
 public:
  explicit ScriptedDialog(Script& s) : s_(s) {}
  void SetPrinterName(const QString& name) override;
  void SetDriverName(const QString& name) override;
  void SetPort(const QString& port) override;
  void SetPaperBin(int bin) override;
  void SetFlags(int flags) override;
  bool Show(QWidget* owner) override;
  QString PrinterName() const override;
  QString OutputFile() const override;
  PrinterSettings Settings() const override;

 private:
  Script& s_;
};

// What the platform holds and how it answers, and what happened to it.
struct Script {
  CurrentPrinter systemDefault;
  QStringList installed;
  bool dialogFails = false;
  bool listFails = false;
  std::optional<PrinterSetting> rejected;
  std::optional<int> printFailure;
  // The dialog's answer.
  bool accept = true;
  QString pick;
  QString file;
  PrinterSettings chosen;

  // Seen.
  QStringList steps;
  QStringList selected;
  QList<QImage> pages;
  QList<tevaro::ui::ReportPrintJob> reportJobs;
  QStringList printedOn;
  bool trackingWhenShown = true;
  CurrentPrinter* current = nullptr;
};

void ScriptedDialog::SetPrinterName(const QString& name) { s_.steps << QStringLiteral("name ") + name; }
void ScriptedDialog::SetDriverName(const QString& name) { s_.steps << QStringLiteral("driver ") + name; }
void ScriptedDialog::SetPort(const QString& port) { s_.steps << QStringLiteral("port ") + port; }
void ScriptedDialog::SetPaperBin(int bin) { s_.steps << QStringLiteral("bin %1").arg(bin); }
void ScriptedDialog::SetFlags(int flags) { s_.steps << QStringLiteral("flags %1").arg(flags); }
bool ScriptedDialog::Show(QWidget*) {
  s_.steps << QStringLiteral("show");
  return s_.accept;
}
QString ScriptedDialog::PrinterName() const { return s_.pick; }
QString ScriptedDialog::OutputFile() const { return s_.file; }
PrinterSettings ScriptedDialog::Settings() const { return s_.chosen; }

class ScriptedPlatform final : public PrintPlatform {
 public:
  explicit ScriptedPlatform(Script& s) : s_(s) {}
  CurrentPrinter SystemDefault() override { return s_.systemDefault; }
  QStringList InstalledPrinters() override {
    if (s_.listFails) throw PrintFailure(57);
    return s_.installed;
  }
  void Select(CurrentPrinter& p, const QString& name) override {
    s_.selected << name;
    p.deviceName = name;
    p.driverName = QStringLiteral("driver of ") + name;
    p.port.clear();
  }
  void Set(CurrentPrinter& p, PrinterSetting which, int value) override {
    if (s_.rejected == which) throw PrintFailure(380);
    s_.steps << QStringLiteral("set %1=%2").arg(static_cast<int>(which)).arg(value);
    PrinterSettings& t = p.settings;
    int* slot[] = {&t.copies, &t.orientation, &t.colorMode, &t.duplex, &t.paperBin, &t.paperSize, &t.printQuality};
    *slot[static_cast<int>(which)] = value;
  }
  std::unique_ptr<PrinterDialog> CreateDialog() override {
    if (s_.dialogFails) throw PrintFailure(429);
    return std::make_unique<ScriptedDialog>(s_);
  }
  void PrintImage(const QImage& page, const CurrentPrinter& p) override {
    if (s_.printFailure) throw PrintFailure(*s_.printFailure);
    s_.pages << page;
    s_.printedOn << p.deviceName;
  }
  bool PrintReport(QWidget*, const CurrentPrinter& p, const tevaro::ui::ReportPrintJob& job) override {
    if (s_.printFailure) throw PrintFailure(*s_.printFailure);
    s_.reportJobs << job;
    s_.printedOn << p.deviceName;
    return s_.accept;
  }

 private:
  Script& s_;
};

PrinterSettings Settings(int base) { return {base, 1, 0, 2, base + 3, base + 4, 300 + base}; }

// An output window with a report, printing through a script.
struct Rig {
  Script script;
  ScriptedPlatform platform{script};
  tevaro::run::Session session;
  RecordingMessageSink messages;
  std::unique_ptr<frmOutput> w;

  explicit Rig(int lines = 60) {
    script.systemDefault.deviceName = QStringLiteral("Office Laser");
    script.systemDefault.driverName = QStringLiteral("Laser Driver");
    script.systemDefault.settings = Settings(1);
    script.installed = {QStringLiteral("Office Laser"), QStringLiteral("lab-Inkjet"), QStringLiteral("Plotter")};
    session.report = NumberedReport(lines);
    w = std::make_unique<frmOutput>(session, messages, nullptr, &platform);
    w->ShowReport();
  }
  const CurrentPrinter& current() { return w->printCommands().current(); }
};

}  // namespace

class PrintTest : public QObject {
  Q_OBJECT

 private slots:
  void failureMessages_data();
  void failureMessages();
  void menuItemsPrintAndSetUp();
  void twoPrintsGiveTheSamePage();
  void largeWindowPrintsAtLowerDensity();
  void printFollowsTheDefaultUntilSetup();
  void setupStepsInOrder();
  void cancelOnlyStopsTracking();
  void currentLowerCaseNameIsPickedAgain();
  void lastMatchingPrinterWins();
  void unknownPrinterKeepsTheCurrentOne();
  void setupFailures_data();
  void setupFailures();
  void printToFile();
  void qtDialogOffersNoPageRange();
};

void PrintTest::failureMessages_data() {
  QTest::addColumn<int>("number");
  QTest::addColumn<QString>("message");
  QTest::newRow("out of paper") << 27 << QStringLiteral(" 27 Error 27: Out of paper.");
  QTest::newRow("device fault") << 25 << QStringLiteral(" 25 Error 25: Device fault.");
  QTest::newRow("text without a full stop") << 72 << QStringLiteral(" 72 Error 72: Disk media error");
  QTest::newRow("number without a text") << 482 << QStringLiteral(" 482 ");
  QTest::newRow("zero") << 0 << QStringLiteral(" 0 ");
  QTest::newRow("beyond the table") << 1001 << QStringLiteral(" 1001");
  QTest::newRow("negative") << -3 << QStringLiteral("-3");
}

void PrintTest::failureMessages() {
  QFETCH(int, number);
  QFETCH(QString, message);
  TempFolder tmp;
  Rig rig;
  rig.w->scrollBar()->setValue(rig.w->scrollBar()->pageStep());
  const long first = rig.w->firstDrawnLine();
  const CurrentPrinter before = rig.current();
  rig.script.printFailure = number;
  rig.w->PrintPage();
  QCOMPARE(rig.messages.messages, QStringList{message});
  // Nothing else changes: the report, the rows in view, the printer.
  QCOMPARE(rig.session.report.LineCount(), std::size_t{60});
  QCOMPARE(rig.w->firstDrawnLine(), first);
  QVERIFY(rig.current() == before);
}

void PrintTest::menuItemsPrintAndSetUp() {
  TempFolder tmp;
  Rig rig;
  auto* print = rig.w->findChild<QAction*>(QStringLiteral("mPrint"));
  auto* setup = rig.w->findChild<QAction*>(QStringLiteral("mPrintSetup"));
  QVERIFY(print && setup);
  QVERIFY(print->isEnabled());
  QVERIFY(setup->isEnabled());
  QCOMPARE(print->text(), QStringLiteral("&Print"));
  QCOMPARE(setup->text(), QStringLiteral("Print Set&up ..."));
  print->trigger();
  QCOMPARE(rig.script.pages.size(), 1);
  // Ctrl+P in the window prints as the menu item does.
  QVERIFY(QTest::qWaitForWindowActive(rig.w.get()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
  QCOMPARE(rig.script.pages.size(), 2);
  rig.script.pick = QStringLiteral("Plotter");
  setup->trigger();
  QCOMPARE(rig.current().deviceName, QStringLiteral("Plotter"));
  print->trigger();
  QCOMPARE(rig.script.printedOn,
           (QStringList{QStringLiteral("Office Laser"), QStringLiteral("Office Laser"), QStringLiteral("Plotter")}));
  QCOMPARE(rig.messages.messages, QStringList());
}

void PrintTest::twoPrintsGiveTheSamePage() {
  TempFolder tmp;
  Rig rig(45);
  rig.w->scrollBar()->setValue(rig.w->scrollBar()->pageStep());
  rig.w->PrintPage();
  rig.w->PrintPage();
  QCOMPARE(rig.script.pages.size(), 2);
  QCOMPARE(rig.script.pages[0], rig.script.pages[1]);
  // The page is the window's image: its size, with the rows' text on it.
  const QImage& page = rig.script.pages[0];
  QCOMPARE(page.size() / page.devicePixelRatio(), rig.w->canvas()->size());
  const double pitch = rig.w->rowPitchPx() * page.devicePixelRatio();
  const int right = qRound(rig.w->scrollBar()->x() * page.devicePixelRatio()) - 1;
  const long first = rig.w->firstDrawnLine();
  QVERIFY(first > 1);
  for (int row = 0; (row + 1) * pitch <= page.height(); ++row) {
    const bool text = first + row <= 45;
    QCOMPARE(InkIn(page, QRect(0, qRound(row * pitch), right, qRound(pitch))) > 0, text);
  }
  // A scroll between prints gives another page.
  rig.w->scrollBar()->setValue(0);
  rig.w->PrintPage();
  QVERIFY(rig.script.pages[2] != rig.script.pages[0]);
}

void PrintTest::largeWindowPrintsAtLowerDensity() {
  TempFolder tmp;
  Rig rig(300);
  rig.w->resize(4000, 3000);
  rig.w->PrintPage();
  QCOMPARE(rig.script.pages.size(), 1);
  const QImage& page = rig.script.pages[0];
  QCOMPARE(page.devicePixelRatio(), 1.0);
  QCOMPARE(page.size(), rig.w->canvas()->size());
  QVERIFY(InkIn(page, QRect(0, 0, 200, 200)) > 0);
}

void PrintTest::printFollowsTheDefaultUntilSetup() {
  TempFolder tmp;
  Rig rig;
  QVERIFY(rig.current().tracksDefault);
  rig.w->PrintPage();
  rig.script.systemDefault.deviceName = QStringLiteral("Plotter");
  rig.w->PrintPage();
  // After a setup, even a cancelled one, the printer stays put.
  rig.script.accept = false;
  rig.w->PrintSetup();
  rig.script.systemDefault.deviceName = QStringLiteral("lab-Inkjet");
  rig.w->PrintPage();
  QCOMPARE(rig.script.printedOn,
           (QStringList{QStringLiteral("Office Laser"), QStringLiteral("Plotter"), QStringLiteral("Plotter")}));
}

void PrintTest::setupStepsInOrder() {
  TempFolder tmp;
  Rig rig;
  rig.script.pick = QStringLiteral("Plotter");
  rig.script.chosen = Settings(5);
  rig.w->PrintSetup();
  QCOMPARE(rig.messages.messages, QStringList());
  const QStringList expected = {
      QStringLiteral("name Office Laser"), QStringLiteral("driver Laser Driver"), QStringLiteral("port "),
      QStringLiteral("bin 4"),             QStringLiteral("flags 268"),           QStringLiteral("show"),
      QStringLiteral("set 0=5"),           QStringLiteral("set 1=1"),             QStringLiteral("set 2=0"),
      QStringLiteral("set 3=2"),           QStringLiteral("set 4=8"),             QStringLiteral("set 5=9"),
      QStringLiteral("set 6=305")};
  QCOMPARE(rig.script.steps, expected);
  QCOMPARE(rig.script.selected, QStringList{QStringLiteral("Plotter")});
  QCOMPARE(rig.current().deviceName, QStringLiteral("Plotter"));
  QCOMPARE(rig.current().driverName, QStringLiteral("driver of Plotter"));
  QVERIFY(rig.current().settings == Settings(5));
  QVERIFY(!rig.current().tracksDefault);
}

void PrintTest::cancelOnlyStopsTracking() {
  TempFolder tmp;
  Rig rig;
  const CurrentPrinter before = rig.current();
  rig.script.accept = false;
  rig.script.pick = QStringLiteral("Plotter");
  rig.script.chosen = Settings(5);
  rig.w->PrintSetup();
  QCOMPARE(rig.messages.messages, QStringList());
  QCOMPARE(rig.script.steps.last(), QStringLiteral("show"));
  QVERIFY(rig.script.selected.isEmpty());
  CurrentPrinter expected = before;
  expected.tracksDefault = false;
  QVERIFY(rig.current() == expected);
}

void PrintTest::currentLowerCaseNameIsPickedAgain() {
  TempFolder tmp;
  Rig rig;
  rig.script.pick = QStringLiteral("lab-Inkjet");
  rig.script.chosen = Settings(2);
  rig.w->PrintSetup();
  QCOMPARE(rig.current().deviceName, QStringLiteral("lab-Inkjet"));
  // The same printer again: its upper-cased name differs from the current
  // one, so the list is walked and the printer selected anew.
  rig.w->PrintSetup();
  QCOMPARE(rig.script.selected, (QStringList{QStringLiteral("lab-Inkjet"), QStringLiteral("lab-Inkjet")}));
  QCOMPARE(rig.current().deviceName, QStringLiteral("lab-Inkjet"));
  // A name all in capitals equals its upper case: no walk.
  rig.script.pick = QStringLiteral("OFFICE");
  rig.script.installed << QStringLiteral("OFFICE");
  rig.w->PrintSetup();
  rig.w->PrintSetup();
  QCOMPARE(rig.script.selected.size(), 3);
  QCOMPARE(rig.current().deviceName, QStringLiteral("OFFICE"));
}

void PrintTest::lastMatchingPrinterWins() {
  TempFolder tmp;
  Rig rig;
  rig.script.installed = {QStringLiteral("Lab"), QStringLiteral("Plotter"), QStringLiteral("LAB"), QStringLiteral("lab")};
  rig.script.pick = QStringLiteral("lAb");
  rig.w->PrintSetup();
  QCOMPARE(rig.script.selected, (QStringList{QStringLiteral("Lab"), QStringLiteral("LAB"), QStringLiteral("lab")}));
  QCOMPARE(rig.current().deviceName, QStringLiteral("lab"));
}

void PrintTest::unknownPrinterKeepsTheCurrentOne() {
  TempFolder tmp;
  Rig rig;
  rig.script.pick = QStringLiteral("Nowhere");
  rig.script.chosen = Settings(3);
  rig.w->PrintSetup();
  QCOMPARE(rig.messages.messages, QStringList());
  QCOMPARE(rig.current().deviceName, QStringLiteral("Office Laser"));
  QVERIFY(rig.current().settings == Settings(3));
}

void PrintTest::setupFailures_data() {
  QTest::addColumn<QString>("failing");
  QTest::addColumn<bool>("tracking");
  QTest::addColumn<QString>("printer");
  QTest::addColumn<int>("copiedSettings");
  QTest::newRow("dialog cannot be created") << QStringLiteral("dialog") << true << QStringLiteral("Office Laser") << 0;
  QTest::newRow("printer list unreadable") << QStringLiteral("list") << false << QStringLiteral("Office Laser") << 0;
  QTest::newRow("paper size rejected") << QStringLiteral("size") << false << QStringLiteral("Plotter") << 5;
}

void PrintTest::setupFailures() {
  QFETCH(QString, failing);
  QFETCH(bool, tracking);
  QFETCH(QString, printer);
  QFETCH(int, copiedSettings);
  TempFolder tmp;
  Rig rig;
  rig.script.pick = QStringLiteral("Plotter");
  rig.script.chosen = Settings(7);
  rig.script.dialogFails = failing == QStringLiteral("dialog");
  rig.script.listFails = failing == QStringLiteral("list");
  if (failing == QStringLiteral("size")) rig.script.rejected = PrinterSetting::PaperSize;
  rig.w->PrintSetup();
  QCOMPARE(rig.messages.messages, QStringList{kSetupFailure});
  // The steps done stay done; the settings not reached keep their values.
  QCOMPARE(rig.current().tracksDefault, tracking);
  QCOMPARE(rig.current().deviceName, printer);
  const PrinterSettings now = rig.current().settings, was = Settings(1), chosen = Settings(7);
  const int n[] = {now.copies, now.orientation, now.colorMode, now.duplex, now.paperBin, now.paperSize, now.printQuality};
  const int w[] = {was.copies, was.orientation, was.colorMode, was.duplex, was.paperBin, was.paperSize, was.printQuality};
  const int c[] = {chosen.copies, chosen.orientation, chosen.colorMode, chosen.duplex, chosen.paperBin, chosen.paperSize,
                   chosen.printQuality};
  for (int k = 0; k < 7; ++k) QCOMPARE(n[k], k < copiedSettings ? c[k] : w[k]);
}

// Print to file goes through Qt's own PDF output: no print server needed.
void PrintTest::printToFile() {
  TempFolder tmp;
  tevaro::run::Session session;
  session.report = NumberedReport(40);
  RecordingMessageSink messages;
  // Qt's printing, with a dialog that chooses a file.
  struct FileDialogPlatform final : PrintPlatform {
    tevaro::ui::QtPrintPlatform qt;
    Script script;
    CurrentPrinter SystemDefault() override { return {}; }
    QStringList InstalledPrinters() override { return qt.InstalledPrinters(); }
    void Select(CurrentPrinter& p, const QString& name) override { qt.Select(p, name); }
    void Set(CurrentPrinter& p, PrinterSetting which, int v) override { qt.Set(p, which, v); }
    std::unique_ptr<PrinterDialog> CreateDialog() override { return std::make_unique<ScriptedDialog>(script); }
    void PrintImage(const QImage& page, const CurrentPrinter& p) override { qt.PrintImage(page, p); }
    bool PrintReport(QWidget* owner, const CurrentPrinter& p, const tevaro::ui::ReportPrintJob& job) override {
      return qt.PrintReport(owner, p, job);
    }
  } platform;
  frmOutput w(session, messages, nullptr, &platform);
  w.ShowReport();

  // No printer at all: the failure's text, then what to do.
  w.PrintPage();
  QCOMPARE(messages.messages,
           QStringList{QStringLiteral(" 68 Error 68: Device unavailable.\n\nNo printer is set up: use Print Setup ... to "
                                      "choose one (or Print to File), or File > Export PDF ...")});
  messages.messages.clear();

  platform.script.file = tmp.file(QStringLiteral("page.pdf"));
  platform.script.chosen = {1, 0, 1, 0, 0, static_cast<int>(QPageSize::A4), 300};
  w.PrintSetup();
  QCOMPARE(w.printCommands().current().port, tmp.file(QStringLiteral("page.pdf")));
  QVERIFY(w.printCommands().current().deviceName.isEmpty());
  w.PrintPage();
  QCOMPARE(messages.messages, QStringList());
  const QByteArray pdf = tmp.Read(QStringLiteral("page.pdf"));
  QVERIFY(pdf.startsWith("%PDF"));
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {tmp.file(QStringLiteral("page.pdf"))});
  if (info.waitForFinished(30000)) {
    const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Page size:       595 x 842 pts (A4)")), qPrintable(text));
  }

  // A file in a folder that does not exist cannot be written.
  platform.script.file = tmp.file(QStringLiteral("gone/page.pdf"));
  w.PrintSetup();
  w.PrintPage();
  QCOMPARE(messages.messages, QStringList{QStringLiteral(" 75 Error 75: Path/file access error.")});
}

// Qt's own dialog, cancelled: no page-range group, an OK button, and the
// printer no longer following the default.
void PrintTest::qtDialogOffersNoPageRange() {
  TempFolder tmp;
  tevaro::run::Session session;
  session.report = NumberedReport(5);
  RecordingMessageSink messages;
  tevaro::ui::QtPrintPlatform platform;
  frmOutput w(session, messages, nullptr, &platform);
  w.ShowReport();
  bool seen = false;
  bool rangeHidden = false;
  QStringList buttons;
  QTimer::singleShot(300, &w, [&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    if (QWidget* range = dialog->findChild<QWidget*>(QStringLiteral("gbPrintRange"))) rangeHidden = range->isHidden();
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
      for (QAbstractButton* b : box->buttons()) buttons << b->text().remove(QLatin1Char('&'));
    dialog->reject();
  });
  w.PrintSetup();
  QVERIFY(seen);
  QVERIFY(rangeHidden);
  QVERIFY2(buttons.contains(QStringLiteral("OK")), qPrintable(buttons.join(u',')));
  QCOMPARE(messages.messages, QStringList());
  QVERIFY(!w.printCommands().current().tracksDefault);
}

QTEST_MAIN(PrintTest)
#include "print_test.moc"
