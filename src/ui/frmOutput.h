// The output window: the last run's report drawn row by row in a fixed-pitch
// font, paged by a scroll bar.
#pragma once

#include <QMainWindow>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "run/session.h"
#include "ui/message_sink.h"
#include "ui/printing.h"

class QAction;
class QScrollBar;

namespace tevaro::ui {

inline constexpr double kRowPitchTwips = 194.5;
inline constexpr int kScrollMax = 32767;
// Below this outer height the window would have no row to show.
inline constexpr int kOutputMinHeightTwips = 1200;

// The layout arithmetic of the window for an outer height and a line count.
struct OutputSteps {
  int linesPerWindow = 1;
  long scrollRange = 1;   // at least 1
  float fraction = 1;     // linesPerWindow / scrollRange, at most 1
  int largeStep = kScrollMax;
  int smallStep = kScrollMax;
};
OutputSteps ComputeOutputSteps(double heightTwips, std::size_t lineCount);
// The report line on the first row for a scroll position.
long FirstShownLineFor(int value, long scrollRange);

class frmOutput;
class frmFileChooser;

// The client area: draws the rows that can be seen.
class ReportCanvas : public QWidget {
  Q_OBJECT
 public:
  ReportCanvas(frmOutput& owner, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  frmOutput& owner_;
};

class frmOutput : public QMainWindow {
  Q_OBJECT

 public:
  // Prints through `printing`, or through Qt's print system when it is null.
  frmOutput(run::Session& session, MessageSink& messages, QWidget* parent = nullptr,
            PrintPlatform* printing = nullptr);
  ~frmOutput() override;

  // The display after a run: loads the window if needed, shows it and draws
  // the report from line 1.
  void ShowReport();

  bool loaded() const { return loaded_; }
  int linesPerWindow() const { return steps_.linesPerWindow; }
  long scrollRange() const { return steps_.scrollRange; }
  long firstShownLine() const { return firstShownLine_; }
  // The report line drawn on the first row; 0 leaves the first row empty.
  long firstDrawnLine() const { return drawFrom_; }
  QScrollBar* scrollBar() const { return vscroll1_; }
  ReportCanvas* canvas() const { return canvas_; }
  const run::ReportBuffer& report() const { return session_.report; }

  // "Save ...": shows the save chooser, created on first use.
  void ShowSaveChooser();
  frmFileChooser* saveChooser() const { return saveChooser_.get(); }
  // "Print": the client area as drawn now onto one page of the current printer.
  void PrintPage();
  // "Print Setup ...": the printer dialog and the choice it gives.
  void PrintSetup();
  PrintCommands& printCommands() { return print_; }

  // Hides this window and the windows it opened, as at the program's end.
  void HideAll();
  double rowPitchPx() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Load();
  void ApplySteps(double heightTwips);
  void OnScroll(int value);
  void SaveChosenFile();

  run::Session& session_;
  MessageSink& messages_;
  std::unique_ptr<frmFileChooser> saveChooser_;
  std::unique_ptr<PrintPlatform> ownPlatform_;
  PrintCommands print_;
  ReportCanvas* canvas_ = nullptr;
  QScrollBar* vscroll1_ = nullptr;
  bool loaded_ = false;
  bool applyingPlacement_ = false;
  OutputSteps steps_;
  long firstShownLine_ = 0;
  long drawFrom_ = 0;
};

}  // namespace tevaro::ui
