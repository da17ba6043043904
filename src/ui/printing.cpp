#include "ui/printing.h"

#include <QDialogButtonBox>
#include <QPageLayout>
#include <QPushButton>
#include <QTimer>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "run/error_texts.h"
#include "ui/beside.h"
#include "ui/twips.h"

#ifdef TEVARO_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace tevaro::ui {

std::string PrintFailureText(int number) {
  std::string text = run::PrintFailureMessage(number);
  if (number == kFailureDeviceUnavailable)
    text += "\n\nNo printer is set up: use Print Setup ... to choose one (or Print to File), or File > Export PDF ...";
  return text;
}

PrinterDialog::~PrinterDialog() = default;
PrintPlatform::~PrintPlatform() = default;

namespace {

PrinterSettings SettingsOf(const QPrinter& p) {
  PrinterSettings s;
  s.copies = p.copyCount();
  s.orientation = static_cast<int>(p.pageLayout().orientation());
  s.colorMode = static_cast<int>(p.colorMode());
  s.duplex = static_cast<int>(p.duplex());
  s.paperBin = static_cast<int>(p.paperSource());
  s.paperSize = static_cast<int>(p.pageLayout().pageSize().id());
  s.printQuality = p.resolution();
  return s;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Whether a setting's value is one the platform knows.
bool Valid(PrinterSetting which, int v) {
  switch (which) {
    case PrinterSetting::Copies: return InRange(v, 1, 9999);
    case PrinterSetting::Orientation: return InRange(v, QPageLayout::Portrait, QPageLayout::Landscape);
    case PrinterSetting::ColorMode: return InRange(v, QPrinter::GrayScale, QPrinter::Color);
    case PrinterSetting::Duplex: return InRange(v, QPrinter::DuplexNone, QPrinter::DuplexShortSide);
    case PrinterSetting::PaperBin: return InRange(v, 0, QPrinter::LastPaperSource);
    case PrinterSetting::PaperSize: return InRange(v, 0, QPageSize::LastPageSize);
    case PrinterSetting::PrintQuality: return InRange(v, 1, 9600);
  }
  return false;
}

// Puts the settings into a Qt printer; a page size Qt has no size for (the
// custom one) is left as the printer has it.
void Apply(QPrinter& p, const PrinterSettings& s) {
  p.setCopyCount(s.copies);
  p.setPageOrientation(static_cast<QPageLayout::Orientation>(s.orientation));
  p.setColorMode(static_cast<QPrinter::ColorMode>(s.colorMode));
  p.setDuplex(static_cast<QPrinter::DuplexMode>(s.duplex));
  p.setPaperSource(static_cast<QPrinter::PaperSource>(s.paperBin));
  const QPageSize size(static_cast<QPageSize::PageSizeId>(s.paperSize));
  if (size.isValid() && s.paperSize != QPageSize::Custom) p.setPageSize(size);
  if (s.printQuality > 0) p.setResolution(s.printQuality);
}

// Qt's printer dialog over a printer of its own.
class QtPrinterDialog final : public PrinterDialog {
 public:
  QtPrinterDialog() : printer_(QPrinter::HighResolution) {}

  void SetPrinterName(const QString& name) override {
    if (!name.isEmpty() && QPrinterInfo::availablePrinterNames().contains(name)) printer_.setPrinterName(name);
  }
  // Qt has no driver to choose; the printer's name decides it.
  void SetDriverName(const QString&) override {}
  void SetPort(const QString& port) override {
    // A port naming a file (the current printer prints into a file) is
    // offered as the dialog's file.
    if (printer_.printerName().isEmpty() && !port.isEmpty()) {
      printer_.setOutputFormat(QPrinter::PdfFormat);
      printer_.setOutputFileName(port);
    }
  }
  void SetPaperBin(int bin) override {
    if (Valid(PrinterSetting::PaperBin, bin)) printer_.setPaperSource(static_cast<QPrinter::PaperSource>(bin));
  }
  void SetFlags(int flags) override { flags_ = flags; }
  void SetSettings(const PrinterSettings& s) override { Apply(printer_, s); }

  bool Show(QWidget* owner) override {
    QPrintDialog dialog(&printer_, owner);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    QAbstractPrintDialog::PrintDialogOptions options =
        QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies;
    if ((flags_ & 4) == 0) options |= QAbstractPrintDialog::PrintSelection;
    if ((flags_ & 8) == 0) options |= QAbstractPrintDialog::PrintPageRange;
    dialog.setOptions(options);
    // The dialog chooses, it does not print.
    dialog.setWindowModality(Qt::WindowModal);
    // Qt shows its page-range group again whenever the dialog is shown, even
    // without those choices; it goes once the dialog is up. There is one page.
    if ((flags_ & 8) != 0)
      QTimer::singleShot(0, &dialog, [&dialog] {
        if (QWidget* range = dialog.findChild<QWidget*>(QStringLiteral("gbPrintRange"))) range->setVisible(false);
      });
    for (QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>())
      if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
    return dialog.exec() == QDialog::Accepted;
  }
  QString PrinterName() const override {
    return printer_.outputFormat() == QPrinter::NativeFormat ? printer_.printerName() : QString();
  }
  QString OutputFile() const override {
    return printer_.outputFormat() == QPrinter::PdfFormat ? printer_.outputFileName() : QString();
  }
  PrinterSettings Settings() const override { return SettingsOf(printer_); }

 private:
  QPrinter printer_;
  int flags_ = 0;
};

}  // namespace

CurrentPrinter QtPrintPlatform::SystemDefault() {
  CurrentPrinter c;
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) return c;
  c.deviceName = info.printerName();
  c.driverName = info.makeAndModel();
  QPrinter p(info, QPrinter::HighResolution);
  c.settings = SettingsOf(p);
  return c;
}

QStringList QtPrintPlatform::InstalledPrinters() { return QPrinterInfo::availablePrinterNames(); }

void QtPrintPlatform::Select(CurrentPrinter& printer, const QString& name) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(name);
  if (info.isNull()) throw PrintFailure(kFailureDeviceUnavailable);
  printer.deviceName = info.printerName();
  printer.driverName = info.makeAndModel();
  printer.port.clear();
}

void QtPrintPlatform::Set(CurrentPrinter& printer, PrinterSetting which, int value) {
  if (!Valid(which, value)) throw PrintFailure(kFailureInvalidValue);
  PrinterSettings& s = printer.settings;
  switch (which) {
    case PrinterSetting::Copies: s.copies = value; break;
    case PrinterSetting::Orientation: s.orientation = value; break;
    case PrinterSetting::ColorMode: s.colorMode = value; break;
    case PrinterSetting::Duplex: s.duplex = value; break;
    case PrinterSetting::PaperBin: s.paperBin = value; break;
    case PrinterSetting::PaperSize: s.paperSize = value; break;
    case PrinterSetting::PrintQuality: s.printQuality = value; break;
  }
}

std::unique_ptr<PrinterDialog> QtPrintPlatform::CreateDialog() { return std::make_unique<QtPrinterDialog>(); }

namespace {

// Points `target` at `printer`: its file when it prints into one, else the
// installed printer of its name. True when printing into a file.
bool PointAt(QPrinter& target, const CurrentPrinter& printer) {
  if (printer.printsToFile()) {
    target.setOutputFormat(QPrinter::PdfFormat);
    target.setOutputFileName(printer.port);
  } else {
    if (printer.deviceName.isEmpty() || !QPrinterInfo::availablePrinterNames().contains(printer.deviceName))
      throw PrintFailure(kFailureDeviceUnavailable);
    target.setPrinterName(printer.deviceName);
  }
  Apply(target, printer.settings);
  return printer.printsToFile();
}

// Qt hands the finished job to CUPS as its last step and does not say
// whether CUPS took it; CUPS keeps the status of that last request.
void CheckAccepted([[maybe_unused]] bool toFile) {
#ifdef TEVARO_HAVE_CUPS
  if (!toFile) {
    const ipp_status_t status = cupsLastError();
    if (status == IPP_STATUS_ERROR_NOT_FOUND) throw PrintFailure(kFailureDeviceUnavailable);
    if (status >= IPP_STATUS_REDIRECTION_OTHER_SITE) throw PrintFailure(kFailureDeviceFault);
  }
#endif
}

}  // namespace

void QtPrintPlatform::PrintImage(const QImage& page, const CurrentPrinter& printer) {
  QPrinter target(QPrinter::HighResolution);
  const bool toFile = PointAt(target, printer);
  target.setDocName(QStringLiteral("Tevaro"));

  QPainter painter;
  if (!painter.begin(&target)) throw PrintFailure(toFile ? kFailureFileAccess : kFailureDeviceIo);
  const QRect area(QPoint(0, 0), target.pageLayout().paintRectPixels(target.resolution()).size());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(FitOnPage(page.size() / page.devicePixelRatio(), area), page);
  if (!painter.end() || target.printerState() == QPrinter::Error)
    throw PrintFailure(toFile ? kFailureFileAccess : kFailureDeviceIo);
  CheckAccepted(toFile);
}

bool QtPrintPlatform::PrintReport(QWidget* owner, const CurrentPrinter& printer, const ReportPrintJob& job) {
  QPrinter target(QPrinter::HighResolution);
  PointAt(target, printer);
  target.setDocName(job.doc.title);
  QPrintDialog dialog(&target, owner);
  dialog.setWindowTitle(QStringLiteral("Print Report"));
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile |
                                                      QAbstractPrintDialog::PrintShowPageSize |
                                                      QAbstractPrintDialog::PrintCollateCopies |
                                                      QAbstractPrintDialog::PrintPageRange;
  if (job.selectionFrom != 0) options |= QAbstractPrintDialog::PrintSelection;
  dialog.setOptions(options);
  const std::size_t pages = PaginateFor(job.doc, target.pageLayout(), target).pages.size();
  dialog.setMinMax(1, static_cast<int>(std::clamp<std::size_t>(pages, 1, INT_MAX)));
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted) return false;
  // A big report takes seconds to draw: the pages are drawn beside the
  // window (Qt paints on a printer from any thread).
  Beside([&] { PrintReportOn(target, job); });
  return true;
}

void PrintReportOn(QPrinter& target, const ReportPrintJob& job) {
  const bool toFile = target.outputFormat() == QPrinter::PdfFormat;
  ReportDocument doc = job.doc;
  if (target.printRange() == QPrinter::Selection && job.selectionFrom != 0) {
    doc.from = job.selectionFrom;
    doc.to = job.selectionTo;
  }
  // The pages are laid out for the paper the dialog left the printer with.
  const run::Pagination p = PaginateFor(doc, target.pageLayout(), target);
  std::size_t first = 1;
  std::size_t last = p.pages.size();
  if (target.printRange() == QPrinter::PageRange && target.fromPage() > 0) {
    first = static_cast<std::size_t>(target.fromPage());
    last = std::min(last, static_cast<std::size_t>(std::max(target.toPage(), target.fromPage())));
  }
  if (first > last) return;

  QPainter painter;
  if (!painter.begin(&target)) throw PrintFailure(toFile ? kFailureFileAccess : kFailureDeviceIo);
  const bool drawn = DrawPages(painter, target, doc, p, first, last);
  if (!painter.end() || !drawn || target.printerState() == QPrinter::Error)
    throw PrintFailure(toFile ? kFailureFileAccess : kFailureDeviceIo);
  CheckAccepted(toFile);
}

QImage ClientImage(QWidget& client) {
  // Three times, or less for a window so large that the image would pass
  // 24 million pixels (about 100 MB).
  const double pixels = static_cast<double>(client.width()) * client.height();
  int density = 3;
  while (density > 1 && pixels * density * density > 24e6) --density;
  QImage image(client.size() * density, QImage::Format_RGB32);
  if (image.isNull()) throw std::bad_alloc();
  image.setDevicePixelRatio(density);
  // The screen's resolution, so that the text has the size and place it has on screen.
  const int dotsPerMeter = static_cast<int>(std::lround(Twips::For(&client).dpi() / 0.0254));
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  image.fill(Qt::white);
  client.render(&image);
  return image;
}

QRect FitOnPage(QSize imageSize, const QRect& area) {
  if (imageSize.isEmpty() || area.isEmpty()) return {area.topLeft(), QSize(0, 0)};
  const double scale = std::min(static_cast<double>(area.width()) / imageSize.width(),
                                static_cast<double>(area.height()) / imageSize.height());
  const int w = std::min(area.width(), static_cast<int>(std::lround(imageSize.width() * scale)));
  const int h = std::min(area.height(), static_cast<int>(std::lround(imageSize.height() * scale)));
  return {area.topLeft(), QSize(w, h)};
}

CurrentPrinter& PrintCommands::State() {
  if (!current_) {
    try {
      current_ = platform_.SystemDefault();
    } catch (const PrintFailure&) {
      current_ = CurrentPrinter{};
    }
  }
  return *current_;
}

const CurrentPrinter& PrintCommands::current() { return State(); }

void PrintCommands::FollowDefault(CurrentPrinter& printer) {
  if (!printer.tracksDefault) return;
  const CurrentPrinter def = platform_.SystemDefault();
  printer.deviceName = def.deviceName;
  printer.driverName = def.driverName;
  printer.port = def.port;
}

std::optional<int> PrintCommands::Print(QWidget& client) {
  CurrentPrinter& printer = State();
  try {
    FollowDefault(printer);
    platform_.PrintImage(ClientImage(client), printer);
  } catch (const PrintFailure& f) {
    return f.number();
  } catch (const std::bad_alloc&) {
    return kFailureOutOfMemory;
  }
  return std::nullopt;
}

std::optional<int> PrintCommands::PrintReport(QWidget* owner, const ReportPrintJob& job) {
  CurrentPrinter& printer = State();
  try {
    FollowDefault(printer);
    platform_.PrintReport(owner, printer, job);
  } catch (const PrintFailure& f) {
    return f.number();
  } catch (const std::bad_alloc&) {
    return kFailureOutOfMemory;
  }
  return std::nullopt;
}

bool PrintCommands::Setup(QWidget* owner) {
  CurrentPrinter& printer = State();
  try {
    std::unique_ptr<PrinterDialog> dialog = platform_.CreateDialog();
    if (!dialog) throw PrintFailure(kFailureNoComponent);
    dialog->SetPrinterName(printer.deviceName);
    dialog->SetDriverName(printer.driverName);
    dialog->SetPort(printer.port);
    dialog->SetPaperBin(printer.settings.paperBin);
    dialog->SetSettings(printer.settings);
    dialog->SetFlags(kPrinterDialogFlags);
    printer.tracksDefault = false;
    if (!dialog->Show(owner)) return true;

    const QString file = dialog->OutputFile();
    if (!file.isEmpty()) {
      // Print to file: the file becomes the port of a printer without a name.
      printer.deviceName.clear();
      printer.driverName.clear();
      printer.port = file;
    } else {
      const QString chosen = dialog->PrinterName().toUpper();
      if (chosen != printer.deviceName) {
        // Every match is selected in turn, so the last one wins.
        for (const QString& name : platform_.InstalledPrinters())
          if (name.toUpper() == chosen) platform_.Select(printer, name);
      }
    }
    const PrinterSettings s = dialog->Settings();
    platform_.Set(printer, PrinterSetting::Copies, s.copies);
    platform_.Set(printer, PrinterSetting::Orientation, s.orientation);
    platform_.Set(printer, PrinterSetting::ColorMode, s.colorMode);
    platform_.Set(printer, PrinterSetting::Duplex, s.duplex);
    platform_.Set(printer, PrinterSetting::PaperBin, s.paperBin);
    platform_.Set(printer, PrinterSetting::PaperSize, s.paperSize);
    platform_.Set(printer, PrinterSetting::PrintQuality, s.printQuality);
    return true;
  } catch (const PrintFailure&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace tevaro::ui
