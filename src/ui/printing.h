// Printing the output window and choosing the printer: the program's printer
// state and the two commands, over a platform seam so that the commands can be
// driven without a print system.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "ui/report_pages.h"

class QPainter;
class QPrinter;
class QRect;
class QWidget;

namespace tevaro::ui {

// The printer dialog's flags, as stored: no selection choice, no page-range
// choice, and a device context returned.
inline constexpr int kDialogNoSelection = 4;
inline constexpr int kDialogNoPageNumbers = 8;
inline constexpr int kDialogReturnDeviceContext = 256;
inline constexpr int kPrinterDialogFlags = kDialogNoSelection | kDialogNoPageNumbers | kDialogReturnDeviceContext;
static_assert(kPrinterDialogFlags == 268);

inline constexpr const char* kPrintSetupFailure =
    "Run-time error 429. 'ActiveX component can't create object.'  In other words, for some unfathomable "
    "reason, print setup will not work with this computer.";

// The seven settings copied from the printer dialog into the current printer,
// as the platform's small integers, passed on without being interpreted
// (with Qt: QPageLayout::Orientation, QPrinter::ColorMode, QPrinter::DuplexMode,
// QPrinter::PaperSource, QPageSize::PageSizeId, and the resolution in dpi).
struct PrinterSettings {
  int copies = 1;
  int orientation = 0;
  int colorMode = 1;
  int duplex = 0;
  int paperBin = 0;
  int paperSize = 0;
  int printQuality = 0;
  friend bool operator==(const PrinterSettings&, const PrinterSettings&) = default;
};

enum class PrinterSetting { Copies, Orientation, ColorMode, Duplex, PaperBin, PaperSize, PrintQuality };

// The printer "Print" uses. A printer without a device name whose port names a
// file prints into that file (as PDF).
struct CurrentPrinter {
  QString deviceName;
  QString driverName;
  QString port;
  // While on, "Print" follows the system's default printer at each print.
  bool tracksDefault = true;
  PrinterSettings settings;
  bool printsToFile() const { return deviceName.isEmpty() && !port.isEmpty(); }
  friend bool operator==(const CurrentPrinter&, const CurrentPrinter&) = default;
};

// A print operation that failed, with its number in the failure table.
class PrintFailure : public std::exception {
 public:
  explicit PrintFailure(int number) : number_(number) {}
  int number() const { return number_; }
  const char* what() const noexcept override { return "print failure"; }

 private:
  int number_;
};

// The failure numbers the platform's failures are reported as.
inline constexpr int kFailureOutOfMemory = 7;
inline constexpr int kFailureDeviceFault = 25;       // the print service refused the job
inline constexpr int kFailureDeviceIo = 57;          // the printer could not be opened or the job not finished
inline constexpr int kFailureDeviceUnavailable = 68; // no printer installed, or the printer is gone
inline constexpr int kFailureFileAccess = 75;        // the print-to-file target cannot be written
inline constexpr int kFailureNoComponent = 429;      // the printer dialog cannot be created
inline constexpr int kFailureInvalidValue = 380;     // a setting the printer does not take

// The message of a print failure numbered `number`: the number and its text,
// and for a missing printer what to do about it.
std::string PrintFailureText(int number);

// One "Print Setup ..." dialog: takes the current printer's name, driver, port
// and paper source, is shown modal to its owner, and gives back the chosen
// printer and settings.
class PrinterDialog {
 public:
  virtual ~PrinterDialog();
  virtual void SetPrinterName(const QString& name) = 0;
  virtual void SetDriverName(const QString& name) = 0;
  virtual void SetPort(const QString& port) = 0;
  virtual void SetPaperBin(int bin) = 0;
  virtual void SetFlags(int flags) = 0;
  // The current printer's other settings, shown so that an unchanged OK keeps them.
  virtual void SetSettings(const PrinterSettings&) {}
  // True if the user accepted.
  virtual bool Show(QWidget* owner) = 0;
  virtual QString PrinterName() const = 0;
  // The file chosen to print into, or empty when a printer was chosen.
  virtual QString OutputFile() const = 0;
  virtual PrinterSettings Settings() const = 0;
};

// "Print Report ...": the report's pages as text, with the window's selected
// lines (0 and 0 when none) offered as the print dialog's "Selection".
struct ReportPrintJob {
  ReportDocument doc;
  std::size_t selectionFrom = 0;
  std::size_t selectionTo = 0;
};

// What printing needs of the platform. Each operation throws PrintFailure.
class PrintPlatform {
 public:
  virtual ~PrintPlatform();
  // The system's default printer with its settings; an empty device name
  // when no printer is installed.
  virtual CurrentPrinter SystemDefault() = 0;
  // The installed printers' device names, in the platform's order.
  virtual QStringList InstalledPrinters() = 0;
  // Makes installed printer `name` the current one (name, driver and port).
  virtual void Select(CurrentPrinter& printer, const QString& name) = 0;
  virtual void Set(CurrentPrinter& printer, PrinterSetting which, int value) = 0;
  virtual std::unique_ptr<PrinterDialog> CreateDialog() = 0;
  // Sends `page` to `printer` as one page, scaled to fit keeping its proportions.
  virtual void PrintImage(const QImage& page, const CurrentPrinter& printer) = 0;
  // Shows the print dialog on `printer`, owned by `owner`, and prints the
  // pages the user chose; false when the user cancelled.
  virtual bool PrintReport(QWidget* owner, const CurrentPrinter& printer, const ReportPrintJob& job) = 0;
};

// Qt's printing, over the system's print service (CUPS on Linux).
class QtPrintPlatform final : public PrintPlatform {
 public:
  CurrentPrinter SystemDefault() override;
  QStringList InstalledPrinters() override;
  void Select(CurrentPrinter& printer, const QString& name) override;
  void Set(CurrentPrinter& printer, PrinterSetting which, int value) override;
  std::unique_ptr<PrinterDialog> CreateDialog() override;
  void PrintImage(const QImage& page, const CurrentPrinter& printer) override;
  bool PrintReport(QWidget* owner, const CurrentPrinter& printer, const ReportPrintJob& job) override;
};

// Prints the pages of `job` that `target`'s print range names (all, a page
// range, or the selection) on `target` as text. Throws PrintFailure.
void PrintReportOn(QPrinter& target, const ReportPrintJob& job);

// The window's client area as drawn at this moment, at up to three times its
// pixel density so that the printed text stays sharp. Throws std::bad_alloc
// when the image cannot be made.
QImage ClientImage(QWidget& client);

// The place of an image of `imageSize` on a page whose printable area is
// `area`: as large as fits, proportions kept, in the top left corner.
QRect FitOnPage(QSize imageSize, const QRect& area);

// "Print" and "Print Setup ..." over one platform, with the printer state they
// share for the life of the program.
class PrintCommands {
 public:
  explicit PrintCommands(PrintPlatform& platform) : platform_(platform) {}

  // The current printer; the system's default until the first setup.
  const CurrentPrinter& current();

  // Prints the client area; the failure number, or nothing on success.
  std::optional<int> Print(QWidget& client);
  // Prints the report's pages through the print dialog; the failure number,
  // or nothing on success or cancel.
  std::optional<int> PrintReport(QWidget* owner, const ReportPrintJob& job);
  // The setup steps in their order; false when one failed (the steps done
  // before it stay done).
  bool Setup(QWidget* owner);

 private:
  CurrentPrinter& State();
  // A printer that tracks the default takes the default's name and port.
  void FollowDefault(CurrentPrinter& printer);
  PrintPlatform& platform_;
  std::optional<CurrentPrinter> current_;
};

}  // namespace tevaro::ui
