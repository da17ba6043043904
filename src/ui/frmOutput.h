// The output window: the last run's report drawn row by row in a fixed-pitch
// font, paged by a scroll bar that counts lines, read, selected, copied and
// searched with the keyboard and the mouse.
#pragma once

#include <QMainWindow>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "export/formats.h"
#include "run/session.h"
#include "ui/jobs.h"
#include "ui/message_sink.h"
#include "ui/printing.h"
#include "ui/twips.h"

class QAction;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTimer;

namespace tevaro::ui {

// The nominal row pitch; a font whose rows are taller sets the pitch instead.
inline constexpr double kRowPitchTwips = 194.5;
// Below this outer height the window would have no row to show.
inline constexpr int kOutputMinHeightTwips = 1200;

// The scrolling arithmetic of the window for a drawing area and a report.
struct OutputSteps {
  int linesPerWindow = 1;  // whole rows in the drawing area, at least 1
  long lastTopLine = 1;    // the top line at the bottom position: the last line in the last row
  int pageStep = 1;        // lines a page moves: a window less one line of overlap
};
OutputSteps ComputeOutputSteps(int areaHeightPx, double rowPitchPx, std::size_t lineCount);

// The output window's first place (twips, outer): beside the main window
// `beside`, on its right where the screen area `screen` has room for
// `width`, else on its left, else over it where the screen is widest; as wide
// as `width` and as high as `height` where the screen allows, and inside it.
OuterTwips PlaceBeside(const OuterTwips& beside, int width, int height, const OuterTwips& screen);
// "Output — <observatory>, <yyyy-mm-dd>", without the observatory when none was picked.
QString OutputTitle(const std::string& siteName, int year, int month, int day);

// Where a search found its line: 0 when nowhere; `wrapped` when it went past
// the report's end (or, backwards, its start) to get there.
struct FindResult {
  long line = 0;
  bool wrapped = false;
};
// Searches the lines after `from` (forward) or before it, case-insensitively,
// going round the report once; `from` itself comes last.
FindResult FindLine(const run::ReportBuffer& report, const QString& text, long from, bool forward);

// Report line i as text: the buffer holds UTF-8.
QString ReportLineText(const run::ReportBuffer& report, std::size_t i);

class frmOutput;
class frmFileChooser;
class frmNightChart;

// The client area: draws the rows that can be seen and takes the keys, the
// wheel and the mouse.
class ReportCanvas : public QWidget {
  Q_OBJECT
 public:
  ReportCanvas(frmOutput& owner, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DragTo(int y);
  void AutoScroll();

  frmOutput& owner_;
  QTimer* autoScroll_ = nullptr;
  int dragY_ = 0;
  bool dragging_ = false;
  int wheelAngle_ = 0;  // eighths of a degree not yet turned into lines
};

class frmOutput : public QMainWindow {
  Q_OBJECT

 public:
  // Prints through `printing`, or through Qt's print system when it is null.
  // Its jobs go on `jobs`, the main window's, or on a board of its own when
  // that is null.
  frmOutput(run::Session& session, MessageSink& messages, QWidget* parent = nullptr,
            PrintPlatform* printing = nullptr, JobBoard* jobs = nullptr);
  ~frmOutput() override;

  // The display after a run: loads the window if needed, shows it and draws
  // the report from line 1.
  void ShowReport();
  // The window whose side the output window takes on first use, when no
  // placement was recorded yet (the settings' default).
  void SetFirstPlaceBeside(const QWidget* window) { besideOf_ = window; }

  bool loaded() const { return loaded_; }
  int linesPerWindow() const { return steps_.linesPerWindow; }
  long lastTopLine() const { return steps_.lastTopLine; }
  // The report line in the first row.
  long firstShownLine() const { return firstShownLine_; }
  long firstDrawnLine() const { return firstShownLine_; }
  // The report line in the last whole row (the last line when the report ends above it).
  long lastShownLine() const;
  QScrollBar* scrollBar() const { return vscroll1_; }
  // The horizontal scroll bar, shown while a line is wider than the view.
  QScrollBar* horizontalBar() const { return hscroll_; }
  ReportCanvas* canvas() const { return canvas_; }
  const run::ReportBuffer& report() const { return *session_.report; }
  double rowPitchPx() const;

  // Puts `line` in the first row, as far as the bottom position allows.
  void ScrollTo(long line);
  // Scrolls by `lines`, down when positive.
  void ScrollBy(long lines);
  // The report line in row `y` (in pixels) of the client area, within the report.
  long LineAt(int y) const;

  // The selection: whole lines from `anchor` to `caret`, either way round;
  // 0 and 0 when nothing is selected.
  void Select(long anchor, long caret);
  long selectionStart() const;
  long selectionEnd() const;
  long selectionAnchor() const { return anchor_; }
  void SelectAll();
  // The selected lines, each ending in "\n".
  QString SelectedText() const;
  // Copies the selected lines to the clipboard; nothing when none are selected.
  void CopySelection();

  // The find bar: opened with its text selected, searched from the line
  // after the top of the view (or after the marked line while that is in view).
  void OpenFind();
  void CloseFind();
  void FindNext();
  void FindPrevious();
  QWidget* findBar() const { return findBar_; }
  QLineEdit* findText() const { return findText_; }
  QLabel* findStatus() const { return findStatus_; }

  // "Save ...": shows the save chooser, created on first use.
  void ShowSaveChooser();
  frmFileChooser* saveChooser() const { return saveChooser_.get(); }
  // "Print": the client area as drawn now onto one page of the current printer.
  void PrintPage();
  // "Print Setup ...": the printer dialog and the choice it gives.
  void PrintSetup();
  // "Print Report ...": the print dialog on the current printer, then the
  // report's pages as text.
  void PrintReport();
  // "Export PDF ...": shows the PDF chooser, created on first use.
  void ShowPdfChooser();
  frmFileChooser* pdfChooser() const { return pdfChooser_.get(); }
  // "Export events ...": shows the events chooser, created on first use; the
  // listed events are written as CSV, or iCalendar for a name ending in .ics.
  void ShowEventsChooser();
  frmFileChooser* eventsChooser() const { return eventsChooser_.get(); }
  // The pages of `report` as a PDF document: the title names the observatory
  // and the evening date, the whole report or lines `from` to `to`.
  ReportDocument Document(const run::ReportBuffer& report) const;
  // The paper of exported pages: the current printer's when it is Letter, else A4.
  QPageSize::PageSizeId ExportPaper();
  PrintCommands& printCommands() { return print_; }
  JobBoard& jobs() { return *jobs_; }

  // "Night chart" (View menu, Ctrl+G): the night of the selected line, or of
  // the line at the top of the view; the window is created on first use.
  void ShowNightChart();
  frmNightChart* nightChart() const { return nightChart_.get(); }

  // Hides this window and the windows it opened, as at the program's end.
  void HideAll();

  // The canvas's size changed: whole rows, steps and the scroll bar follow.
  void LayOutArea();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Load();
  void ApplySteps();
  // The widest report line's width in pixels.
  int TextWidthPx();
  void OnScroll(int value);
  void Find(bool forward);
  void OnEscape();
  // "tevaro-YYYY-MM-DD.<extension>" after the evening date.
  QString ProposedName(const char* extension) const;
  // The event format of the Export Events chooser's name and type.
  static const exports::EventFormat& ChosenEventFormat(const frmFileChooser& chooser);
  // The scheduler list's capture sequence: the options file's, or asked for
  // once and remembered there; nothing when the user cancels.
  std::optional<std::string> EslSequence();
  // The options file's key of the capture sequence.
  static constexpr const char* kEslSequenceKey = "esl_sequence";
  void SaveChosenFile();
  // Asks before the chooser's name replaces an existing file.
  bool ConfirmReplace(frmFileChooser& chooser);
  void ExportChosenPdf();
  void ExportChosenEvents();
  void BuildMenus();
  void BuildFindBar(QWidget* body);

  run::Session& session_;
  MessageSink& messages_;
  const QWidget* besideOf_ = nullptr;
  std::unique_ptr<frmFileChooser> saveChooser_;
  std::unique_ptr<frmFileChooser> pdfChooser_;
  std::unique_ptr<frmFileChooser> eventsChooser_;
  std::unique_ptr<frmNightChart> nightChart_;
  std::unique_ptr<PrintPlatform> ownPlatform_;
  PrintCommands print_;
  std::unique_ptr<JobBoard> ownJobs_;
  JobBoard* jobs_ = nullptr;
  ReportCanvas* canvas_ = nullptr;
  QScrollBar* vscroll1_ = nullptr;
  QScrollBar* hscroll_ = nullptr;
  int areaHeight_ = 0;            // the rows' height: the canvas less the horizontal bar
  long widestChars_ = -1;         // characters of the widest line; -1 until counted
  std::size_t widestFor_ = 0;     // the line count it was counted for
  QWidget* findBar_ = nullptr;
  QLineEdit* findText_ = nullptr;
  QLabel* findStatus_ = nullptr;
  bool loaded_ = false;
  OutputSteps steps_;
  long firstShownLine_ = 1;
  long anchor_ = 0;
  long caret_ = 0;
};

}  // namespace tevaro::ui
