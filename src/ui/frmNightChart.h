// The night chart window: one night of the report as a picture, opened from
// the output window. Page Up and Page Down go through the report's nights;
// a marker's tooltip is the event's report line, and a click on it scrolls
// the output window to that line. A filter box picks the stars shown; the
// time axis zooms (wheel, + and -) and pans (drag, arrows), Home shows the
// whole night again.
#pragma once

#include <QMainWindow>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "run/night_chart.h"
#include "run/session.h"
#include "ui/chart_drawing.h"
#include "ui/message_sink.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tevaro::ui {

class frmOutput;
class frmFileChooser;
class frmNightChart;

// Draws the chart at its own size and finds the marker under the mouse.
class ChartCanvas : public QWidget {
  Q_OBJECT
 public:
  ChartCanvas(frmNightChart& owner, QWidget* parent);
  const ChartLayout& layout() const { return layout_; }
  // The event whose marker is at `pos`, if any: the nearest within reach.
  std::optional<std::size_t> EventAt(QPointF pos) const;
  void Refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // The instant under x, within the plot.
  double TimeAt(double x) const;

  frmNightChart& owner_;
  ChartLayout layout_;
  std::optional<QPointF> dragFrom_;  // where a drag of the time axis started
  ChartView dragView_;               // the view when it started
};

class frmNightChart : public QMainWindow {
  Q_OBJECT

 public:
  frmNightChart(run::Session& session, frmOutput& output, MessageSink& messages, QWidget* parent = nullptr);
  ~frmNightChart() override;

  // Shows the night that report line `line` belongs to.
  void ShowLine(std::size_t line);
  // Shows local day `night` of the session's last run.
  void ShowNight(std::int32_t night);
  void PreviousNight();
  void NextNight();

  // The chart as shown: the night's stars and events the filter lets through.
  const run::NightChartData& chart() const { return chart_; }
  // The stretch of the night shown (empty: all of it).
  const ChartView& view() const { return view_; }
  void SetView(ChartView view);
  // Zooms by `factor` (below 1: in) about `anchor`; pans by a share of the view.
  void ZoomBy(double factor, double anchor);
  void PanBy(double share);
  ChartCanvas* canvas() const { return canvas_; }
  // The position of the shown night among the report's nights (0-based).
  std::size_t nightIndex() const { return nightIndex_; }
  std::size_t nightCount() const { return nights_.size(); }
  // The report line of event `i` of the chart.
  QString EventLineText(std::size_t i) const;
  // The tooltip of event `i`'s marker: its report line and the Moon's distance from the star.
  QString EventToolTip(std::size_t i) const;
  // A click on event `i`'s marker: the output window shows and selects its line.
  void GoToEvent(std::size_t i);

  // "Save chart ...": the chooser, created on first use.
  void ShowSaveChooser();
  frmFileChooser* saveChooser() const { return saveChooser_.get(); }
  // "Print chart ...": the print dialog, then the chart on one landscape page.
  void PrintChart();
  // Records the window's place and size in the options file's lines.
  void RememberPlace();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Shrinks and moves the window into its screen's available area.
  void FitIntoScreen();
  void SaveChosenFile();
  void UpdateControls();
  // Applies the filter box and its two marks to the night's chart.
  void ApplyFilter();

  run::Session& session_;
  frmOutput& output_;
  MessageSink& messages_;
  std::shared_ptr<const run::ListedRun> run_;
  std::vector<std::int32_t> nights_;
  std::size_t nightIndex_ = 0;
  run::NightChartData night_;  // the whole night
  run::NightChartData chart_;  // what the filter lets through
  ChartView view_;
  ChartCanvas* canvas_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QCheckBox* hidePartial_ = nullptr;
  QCheckBox* hideMoon_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  QLabel* status_ = nullptr;
  std::unique_ptr<frmFileChooser> saveChooser_;
};

}  // namespace tevaro::ui
