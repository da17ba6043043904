// Draws one night of a run as a chart: local time across, altitude up, the
// sky shaded by the Sun, each star's curve and its events. Needs Qt Gui (and
// Qt Svg for SVG files) only, so the batch front end draws the same chart as
// the window.
#pragma once

#include <QColor>
#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

#include "data/load_result.h"
#include "run/night_chart.h"

class QPainter;

namespace tevaro::ui {

// The look of star slot k: colour and marker shape together give 40
// distinct pairs; the colours are told apart by colour-blind readers.
enum class MarkerShape { Circle, Square, Diamond, TriangleUp, TriangleDown };
struct StarStyle {
  QColor colour;
  MarkerShape shape = MarkerShape::Circle;
  double lineWidth = 2;
};
StarStyle StyleOfSlot(std::size_t slot);
// The look of the chart's star `slot`, keyed by the star's place in the run's
// star list, so a star looks the same on every night of the run.
StarStyle StyleOfStar(const run::NightChartData& chart, std::size_t slot);

struct ChartMarker {
  std::size_t event = 0;  // index into NightChartData::events
  QPointF centre;
  QRectF label;
  QString text;  // star name and phase
  bool leader = false;  // label set apart from its marker, joined by a line
  bool visible = true;  // the event lies in the time shown
  // An empty label: the marker goes without one (no room, or out of view);
  // hovering still names the event.
};

// A mark on the time axis: its x and the clock reading; no text when the
// labels would run together.
struct AxisTick {
  double x = 0;
  QString text;
};

// A change of clock within the time shown: the axis has a gap at `x`,
// labelled with the offsets before and after ("UT+1 → UT+2").
struct ClockChange {
  double time = 0;  // RJD (UT) of the change
  double x = 0;
  QString text;
  QRectF label;  // the text's box, in the hour labels' row
};

// The stretch of the night a chart shows, RJD (UT). An empty view (t1 not
// after t0) is the whole night.
struct ChartView {
  double t0 = 0, t1 = 0;
  bool Whole() const { return !(t0 < t1); }
};

// The narrowest view zooming allows, minutes.
inline constexpr double kMinViewMinutes = 10;

// `view` (empty: the whole night) scaled by `factor` (below 1 zooms in) about
// the instant `anchor`, which keeps its place on the axis; kept within the
// night and no narrower than kMinViewMinutes. A view as wide as the night is
// returned empty.
ChartView ZoomView(const run::NightChartData& chart, ChartView view, double factor, double anchor);
// `view` moved by `days` (later when positive), kept within the night.
ChartView PanView(const run::NightChartData& chart, ChartView view, double days);

struct LegendEntry {
  std::size_t slot = 0;  // index into NightChartData::stars
  QRectF box;
  QString text;
  StarStyle style;
};

// Where everything goes on a chart of a given size.
struct ChartLayout {
  QSizeF size;
  QRectF plot;       // the axes' area
  QRectF titleBox;
  double t0 = 0, t1 = 1;  // RJD at the left and right edges of the plot
  std::vector<AxisTick> ticks;        // in time order
  std::vector<ClockChange> changes;   // in time order
  std::vector<ChartMarker> markers;  // one per event, in the chart's event order
  std::vector<LegendEntry> legend;   // the stars that fit, in the chart's order
  QRectF moreBox;                    // "and N more" below the legend; empty when all fit
  QString moreText;
  bool labelled = true;  // false when the events shown are too dense for labels
  double XOf(double t) const { return plot.left() + (t - t0) / (t1 - t0) * plot.width(); }
  double YOf(double altitude) const { return plot.bottom() - altitude / 90 * plot.height(); }
};

// The radius of an event's marker, in pixels.
inline constexpr double kMarkerRadius = 5;

// The chart's title: the observatory, the evening date, the zone in force and
// the Moon's illuminated fraction at local midnight.
QString ChartTitle(const run::NightChartData& chart);

// "Moon 34° from the star": the tooltip's line for an event, whole degrees.
QString MoonDistanceText(const run::NightEvent& event);

// Places the plot, the legend, the time axis, the markers and their labels
// on a `size` surface, the plot showing `view` of the night. Labels are moved
// until they overlap no other label or marker where that can be done; a label
// that would overlap another label is left out, so no two ever overlap. The
// plot keeps at least two thirds of the width: the legend lists the stars
// that fit and then "and N more". Past a density of events where labels
// cannot be kept apart, markers go without labels.
ChartLayout LayOutChart(const run::NightChartData& chart, QSizeF size, ChartView view = {});

// Draws the chart onto a painter of the layout's size.
void DrawChart(QPainter& painter, const run::NightChartData& chart, const ChartLayout& layout);

// The chart as an image of `size` pixels.
QImage RenderChart(const run::NightChartData& chart, QSize size);

// The size of the charts written to files.
inline constexpr int kChartFileWidth = 1600;
inline constexpr int kChartFileHeight = 1000;

// The chart as the bytes of an SVG or a PNG file; empty when it could not be
// drawn.
QByteArray ChartFileBytes(const run::NightChartData& chart, bool svg, QSize size = {kChartFileWidth, kChartFileHeight});

// Writes the chart to `path`: SVG when the name ends in .svg (any case),
// else PNG; through a temporary file and a rename.
data::WriteResult WriteChartFile(const std::string& path, const run::NightChartData& chart,
                                 QSize size = {kChartFileWidth, kChartFileHeight});

}  // namespace tevaro::ui
