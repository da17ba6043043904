#include "ui/chart_drawing.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>

#include "astro/calendar.h"
#include "run/report.h"

namespace tevaro::ui {

namespace {

// Seven colours of the Okabe-Ito set (its yellow is too pale on a light sky)
// and a wine red: all told apart under the common colour-vision deficiencies.
const QColor kColours[] = {QColor(0x00, 0x72, 0xB2), QColor(0xD5, 0x5E, 0x00), QColor(0x00, 0x9E, 0x73),
                           QColor(0xCC, 0x79, 0xA7), QColor(0x00, 0x00, 0x00), QColor(0xE6, 0x9F, 0x00),
                           QColor(0x56, 0xB4, 0xE9), QColor(0x88, 0x22, 0x55)};
constexpr std::size_t kColourCount = std::size(kColours);
constexpr int kShapeCount = 5;
// Width added to a curve where it draws an eclipse, pixels.
constexpr double kEclipseExtraWidth = 4;

// The sky by the Sun's altitude: day, too bright for the run, within the
// run's limit, and astronomical night.
const QColor kDay(255, 251, 230);
const QColor kTooBright(236, 236, 236);
const QColor kDark(214, 224, 238);
const QColor kDarkest(184, 199, 222);
const QColor kMinAltitude(170, 30, 30);
// The Moon's curve: round dots of a light grey, darker than every shade of
// sky, that stand apart from the stars' thin dashes and colours.
const QColor kMoon(140, 140, 150);
constexpr double kMoonLineWidth = 3;
QPen MoonPen() {
  QPen pen(kMoon, kMoonLineWidth, Qt::DotLine);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

QFont ChartFont(double pixelSize, bool bold = false) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(std::max(8, static_cast<int>(std::lround(pixelSize))));
  f.setBold(bold);
  return f;
}

double BaseFontPx(QSizeF size) { return std::clamp(std::min(size.width() / 100, size.height() / 62), 9.0, 22.0); }

QString PhaseText(std::uint8_t phase) {
  static const char* const kText[5] = {"", "I", ".25", "II", ".75"};
  return QString::fromLatin1(kText[phase <= 4 ? phase : 0]);
}

void DrawMarker(QPainter& p, QPointF c, double r, MarkerShape shape, const QColor& colour, bool hollow) {
  p.setPen(QPen(colour, hollow ? 2.0 : 1.0));
  p.setBrush(hollow ? QBrush(Qt::white) : QBrush(colour));
  switch (shape) {
    case MarkerShape::Circle:
      p.drawEllipse(c, r, r);
      break;
    case MarkerShape::Square:
      p.drawRect(QRectF(c.x() - r * 0.9, c.y() - r * 0.9, 1.8 * r, 1.8 * r));
      break;
    case MarkerShape::Diamond:
      p.drawPolygon(QPolygonF({{c.x(), c.y() - r * 1.2}, {c.x() + r * 1.2, c.y()}, {c.x(), c.y() + r * 1.2},
                               {c.x() - r * 1.2, c.y()}}));
      break;
    case MarkerShape::TriangleUp:
      p.drawPolygon(QPolygonF({{c.x(), c.y() - r * 1.2}, {c.x() + r * 1.1, c.y() + r * 0.8},
                               {c.x() - r * 1.1, c.y() + r * 0.8}}));
      break;
    case MarkerShape::TriangleDown:
      p.drawPolygon(QPolygonF({{c.x(), c.y() + r * 1.2}, {c.x() + r * 1.1, c.y() - r * 0.8},
                               {c.x() - r * 1.1, c.y() - r * 0.8}}));
      break;
  }
}

// The offset of a clock from UT as the axis names it: "UT+1", "UT-5", "UT+5:30".
QString OffsetText(double zoneHoursWest) {
  const long minutes = std::lround(-zoneHoursWest * 60);
  QString text = QStringLiteral("UT%1%2").arg(QChar(minutes < 0 ? u'-' : u'+')).arg(std::labs(minutes) / 60);
  if (minutes % 60 != 0) text += QStringLiteral(":%1").arg(std::labs(minutes) % 60, 2, 10, QLatin1Char('0'));
  return text;
}

// Boxes kept in a grid of cells, to find those a new box meets without
// going through all of them (a busy night has thousands).
class BoxIndex {
 public:
  explicit BoxIndex(double cell) : cell_(cell) {}
  void Add(const QRectF& box) {
    const std::size_t id = boxes_.size();
    boxes_.push_back(box);
    seen_.push_back(0);
    ForCells(box, [&](std::int64_t key) { cells_[key].push_back(id); });
  }
  // The summed area `box` shares with the boxes kept.
  double Overlap(const QRectF& box) const {
    ++round_;
    double area = 0;
    ForCells(box, [&](std::int64_t key) {
      const auto it = cells_.find(key);
      if (it == cells_.end()) return;
      for (const std::size_t id : it->second) {
        if (seen_[id] == round_) continue;
        seen_[id] = round_;
        const QRectF i = box.intersected(boxes_[id]);
        if (i.isValid()) area += i.width() * i.height();
      }
    });
    return area;
  }

 private:
  template <class F>
  void ForCells(const QRectF& box, F f) const {
    const auto x0 = static_cast<std::int64_t>(std::floor(box.left() / cell_));
    const auto x1 = static_cast<std::int64_t>(std::floor(box.right() / cell_));
    const auto y0 = static_cast<std::int64_t>(std::floor(box.top() / cell_));
    const auto y1 = static_cast<std::int64_t>(std::floor(box.bottom() / cell_));
    for (std::int64_t x = x0; x <= x1; ++x)
      for (std::int64_t y = y0; y <= y1; ++y) f(x * 1000003 + y);
  }
  double cell_;
  std::vector<QRectF> boxes_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> cells_;
  mutable std::vector<unsigned> seen_;
  mutable unsigned round_ = 0;
};

QColor SkyColour(double sunAltitude, double maxSun) {
  if (sunAltitude >= 0) return kDay;
  if (!(sunAltitude < maxSun)) return kTooBright;
  return sunAltitude < -18 ? kDarkest : kDark;
}

// Each event's likely span (its instant ± 2 sigma) as a pale bar of its
// star's colour through the marker, closed by a tick at each end; drawn
// under the labels and markers. True when the chart has any.
bool DrawSigmaBands(QPainter& p, const run::NightChartData& chart, const ChartLayout& l) {
  constexpr double kHalfHeight = kMarkerRadius + 2;
  bool any = false;
  for (const run::NightEvent& ev : chart.events) {
    if (!(ev.bandStart < ev.bandEnd)) continue;
    any = true;
    const QColor colour = StyleOfStar(chart, ev.starSlot).colour;
    const double y = l.YOf(ev.altitude), x0 = l.XOf(ev.bandStart), x1 = l.XOf(ev.bandEnd);
    QColor fill = colour;
    fill.setAlpha(60);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRect(QRectF(x0, y - kHalfHeight, x1 - x0, 2 * kHalfHeight));
    p.setPen(QPen(colour, 1.5));
    p.drawLine(QPointF(x0, y), QPointF(x1, y));
    p.drawLine(QPointF(x0, y - kHalfHeight), QPointF(x0, y + kHalfHeight));
    p.drawLine(QPointF(x1, y - kHalfHeight), QPointF(x1, y + kHalfHeight));
  }
  return any;
}

// The key's sample of a band and its caption at `x` on the key's line `y`;
// returns where the next sample goes.
double DrawSigmaBandKey(QPainter& p, const QFontMetricsF& fm, double x, double y) {
  const double h = fm.height() - 4, mid = y + fm.height() / 2;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawRect(QRectF(x, y + 2, 24, h));
  p.setPen(QPen(Qt::black, 1.5));
  p.drawLine(QPointF(x, mid), QPointF(x + 24, mid));
  p.drawLine(QPointF(x, y + 2), QPointF(x, y + 2 + h));
  p.drawLine(QPointF(x + 24, y + 2), QPointF(x + 24, y + 2 + h));
  x += 28;
  const QString caption = QStringLiteral("\u00b1" "2\u03c3");
  p.setPen(Qt::black);
  p.drawText(QPointF(x, y + fm.ascent()), caption);
  return x + fm.horizontalAdvance(caption) + 28;
}

}  // namespace

StarStyle StyleOfSlot(std::size_t slot) {
  StarStyle s;
  s.colour = kColours[slot % kColourCount];
  s.shape = static_cast<MarkerShape>((slot / kColourCount) % kShapeCount);
  return s;
}

// The zone as the chart names it: hours west, or the zone's name.
QString ZoneLabel(const run::NightChartData& chart) {
  return chart.clock.IsNamed() ? QString::fromStdString(chart.clock.Name()) : QString::number(chart.zone);
}

StarStyle StyleOfStar(const run::NightChartData& chart, std::size_t slot) {
  return StyleOfSlot(chart.stars[slot].star);
}

QString ChartTitle(const run::NightChartData& chart) {
  const auto weekday = static_cast<std::size_t>(((chart.localDay % 7) + 7) % 7);
  QString title = chart.observatory.empty() ? QStringLiteral("Night chart") : QString::fromStdString(chart.observatory);
  title += QStringLiteral(" \u2014 night of %1 %2 %3 %4 \u2014 time zone %5")
               .arg(QString::fromLatin1(run::kWeekdayNames[weekday]))
               .arg(chart.day)
               .arg(QString::fromLatin1(chart.month >= 1 && chart.month <= 12 ? run::kMonthNames[chart.month] : "?"))
               .arg(chart.year)
               .arg(ZoneLabel(chart));
  if (chart.daylightSaving) title += QStringLiteral(" (daylight saving time)");
  title += QStringLiteral(" \u2014 Moon %1% lit").arg(std::lround(chart.moonIlluminated * 100));
  return title;
}

QString MoonDistanceText(const run::NightEvent& event) {
  return QStringLiteral("Moon %1\u00b0 from the star").arg(std::lround(event.moonDistanceDeg));
}

ChartView ZoomView(const run::NightChartData& chart, ChartView view, double factor, double anchor) {
  const double night = chart.rjdEnd - chart.rjdStart;
  if (view.Whole()) view = {chart.rjdStart, chart.rjdEnd};
  const double width = std::clamp((view.t1 - view.t0) * factor, std::min(night, kMinViewMinutes / 1440), night);
  if (width >= night * (1 - 1e-9)) return {};
  const double share = std::clamp((anchor - view.t0) / (view.t1 - view.t0), 0.0, 1.0);
  const double t0 = std::clamp(anchor - share * width, chart.rjdStart, chart.rjdEnd - width);
  return {t0, t0 + width};
}

ChartView PanView(const run::NightChartData& chart, ChartView view, double days) {
  if (view.Whole()) return view;
  const double width = view.t1 - view.t0;
  const double t0 = std::clamp(view.t0 + days, chart.rjdStart, chart.rjdEnd - width);
  return {t0, t0 + width};
}

namespace {

// The time axis: a tick on every whole hour of the clock in force (every few
// minutes when zoomed in far enough to label them), and a gap where the clock
// changes, labelled with the offsets on either side.
void LayOutTimeAxis(ChartLayout& l, const run::NightChartData& chart, const QFontMetricsF& fm, bool whole) {
  const double labelW = fm.horizontalAdvance(QStringLiteral("00:00")) + 8;
  const double hourW = l.XOf(l.t0 + 1 / 24.0) - l.XOf(l.t0);
  // The whole night keeps hourly ticks; a zoomed view takes the finest step
  // whose labels do not run together.
  int stepMinutes = 60;
  if (!whole)
    for (const int m : {5, 10, 15, 30})
      if (hourW * m / 60 >= labelW) {
        stepMinutes = m;
        break;
      }
  const int labelStep = stepMinutes < 60 || hourW <= 0 ? 1 : std::max(1, static_cast<int>(std::ceil(labelW / hourW)));

  // The clock's changes inside the view cut the axis into stretches of one
  // zone each.
  std::vector<double> cuts = {l.t0};
  for (const astro::ZoneSpan& span : chart.clock.Spans()) {
    const double t = span.fromRjd;
    if (t > l.t0 && t < l.t1 && chart.clock.ZoneAt(t - 1.0 / 86400) != chart.clock.ZoneAt(t)) {
      ClockChange c;
      c.time = t;
      c.x = l.XOf(t);
      c.text = OffsetText(chart.clock.ZoneAt(t - 1.0 / 86400)) + QStringLiteral(" \u2192 ") +
               OffsetText(chart.clock.ZoneAt(t));
      const double w = fm.horizontalAdvance(c.text) + 8;
      c.label = QRectF(c.x - w / 2, l.plot.bottom() + 6, w, fm.height());
      l.changes.push_back(c);
      cuts.push_back(t);
    }
  }
  cuts.push_back(l.t1);

  const double step = stepMinutes / 1440.0;
  const double tolerance = 0.5 / 86400;
  int index = 0;
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const double a = cuts[k], b = cuts[k + 1];
    const double zone = chart.clock.ZoneAt((a + b) / 2);
    // The first whole step of the local clock at or after a (local time is
    // UT - zone; steps divide the day, which starts at local noon).
    double first = std::ceil((a - zone / 24) / step - 1e-6) * step + zone / 24 - a;
    if (std::abs(first) < tolerance) first = 0;
    for (int j = 0;; ++j) {
      const double t = a + first + j * stepMinutes / 1440.0;
      if (t > b + tolerance) break;
      // No tick at a change of clock: the gap is there.
      if ((k > 0 && std::abs(t - a) < tolerance) || (k + 2 < cuts.size() && std::abs(t - b) < tolerance)) continue;
      AxisTick tick;
      tick.x = l.XOf(t);
      if (index++ % labelStep == 0) {
        const astro::CalendarTime c = astro::RjdToCalendar(t + 1.0 / 86400, chart.clock.ZoneAt(t));
        tick.text = QStringLiteral("%1:%2").arg(c.hour, 2, 10, QLatin1Char('0')).arg(c.minute, 2, 10, QLatin1Char('0'));
        const QRectF box(tick.x - labelW / 2, l.plot.bottom() + 6, labelW, fm.height());
        for (const ClockChange& change : l.changes)
          if (box.intersects(change.label)) tick.text.clear();
      }
      l.ticks.push_back(tick);
    }
  }
}

}  // namespace

ChartLayout LayOutChart(const run::NightChartData& chart, QSizeF size, ChartView view) {
  ChartLayout l;
  l.size = size;
  l.t0 = view.Whole() ? chart.rjdStart : view.t0;
  l.t1 = view.Whole() ? chart.rjdEnd : view.t1;
  const double px = BaseFontPx(size);
  const QFontMetricsF fm(ChartFont(px));
  const QFontMetricsF titleFm(ChartFont(px * 1.3, true));
  const double rowH = fm.height() + 4;

  l.titleBox = QRectF(10, 6, size.width() - 20, titleFm.height() + 4);

  // The legend at the right: one row per star, in as many columns as the
  // height needs, within the third of the width the plot leaves it.
  const double left = fm.horizontalAdvance(QStringLiteral("90")) + rowH + 16;
  const double legendRoom = size.width() / 3 - 24 - left;
  double nameW = 0;
  for (const run::NightStar& s : chart.stars)
    nameW = std::max(nameW, fm.horizontalAdvance(QString::fromStdString(s.name)));
  double entryW = std::max(1.0, std::min(nameW + 48, legendRoom));
  const double top = l.titleBox.bottom() + 10;
  const double bottom = size.height() - 2 * rowH - 30;  // below: hour labels, axis title, key
  const auto rowsFit = std::max<std::size_t>(1, static_cast<std::size_t>((bottom - top) / rowH));
  auto columnsFitting = [&] { return std::max<std::size_t>(1, static_cast<std::size_t>(legendRoom / entryW)); };
  // When not every star fits, a column must hold "and N more" too.
  if (columnsFitting() * rowsFit < chart.stars.size())
    entryW = std::max(1.0, std::min(std::max(entryW, fm.horizontalAdvance(QStringLiteral("and %1 more").arg(chart.stars.size())) + 12),
                                    legendRoom));
  const std::size_t columnsFit = columnsFitting();
  const std::size_t columns =
      chart.stars.empty() ? 0 : std::min(columnsFit, (chart.stars.size() + rowsFit - 1) / rowsFit);
  // When not every star fits, the last row says how many are left out.
  std::size_t listed = std::min(chart.stars.size(), columns * rowsFit);
  if (listed < chart.stars.size()) listed = listed > 0 ? listed - 1 : 0;
  const double legendW = static_cast<double>(columns) * entryW;
  const double right = size.width() - legendW - (columns ? 24 : 16);
  l.plot = QRectF(QPointF(left, top), QPointF(std::max(right, left + 10), std::max(bottom, top + 10)));
  auto boxAt = [&](std::size_t i) {
    return QRectF(l.plot.right() + 16 + static_cast<double>(i / rowsFit) * entryW,
                  top + static_cast<double>(i % rowsFit) * rowH, entryW - 6, rowH);
  };
  for (std::size_t i = 0; i < listed; ++i) {
    LegendEntry e;
    e.slot = i;
    e.style = StyleOfStar(chart, i);
    e.text = fm.elidedText(QString::fromStdString(chart.stars[i].name), Qt::ElideRight, entryW - 44);
    e.box = boxAt(i);
    l.legend.push_back(e);
  }
  if (listed < chart.stars.size()) {
    l.moreBox = boxAt(listed);
    l.moreText = fm.elidedText(QStringLiteral("and %1 more").arg(chart.stars.size() - listed), Qt::ElideRight,
                               l.moreBox.width());
  }

  LayOutTimeAxis(l, chart, fm, view.Whole());

  // Markers, then labels placed greedily in time order: the first spot
  // around the marker that meets no placed label, no marker and stays in the
  // plot; else, stepping up and down, a spot joined by a leader line; else
  // the spot in the plot clear of labels that covers least of the markers;
  // else none.
  const double r = kMarkerRadius;
  const double cell = std::max(32.0, 4 * fm.height());
  BoxIndex markerBoxes(cell);
  std::size_t shown = 0;
  for (std::size_t i = 0; i < chart.events.size(); ++i) {
    const run::NightEvent& ev = chart.events[i];
    ChartMarker m;
    m.event = i;
    m.centre = QPointF(l.XOf(ev.time), l.YOf(ev.altitude));
    m.visible = m.centre.x() >= l.plot.left() - 0.5 && m.centre.x() <= l.plot.right() + 0.5;
    m.text = QString::fromStdString(chart.stars[ev.starSlot].name) + QLatin1Char(' ') + PhaseText(ev.phase);
    l.markers.push_back(m);
    if (!m.visible) continue;
    ++shown;
    markerBoxes.Add(QRectF(m.centre.x() - r - 1, m.centre.y() - r - 1, 2 * r + 2, 2 * r + 2));
  }
  // Labels need room: when all of them would cover more than half the plot
  // they cannot be kept apart, and markers go alone (hovering names them).
  double labelArea = 0;
  for (const ChartMarker& m : l.markers)
    if (m.visible) labelArea += (fm.horizontalAdvance(m.text) + 6) * (fm.height() + 2);
  l.labelled = labelArea <= l.plot.width() * l.plot.height() / 2;
  if (!l.labelled || shown == 0) return l;
  BoxIndex placed(cell);
  const QRectF inside = l.plot.adjusted(2, 2, -2, -2);
  for (ChartMarker& m : l.markers) {
    if (!m.visible) continue;
    const double w = fm.horizontalAdvance(m.text) + 6, h = fm.height() + 2;
    const double cx = m.centre.x(), cy = m.centre.y(), d = r + 3;
    std::vector<std::pair<QRectF, bool>> candidates = {
        {{cx + d, cy - h / 2, w, h}, false},     {{cx - d - w, cy - h / 2, w, h}, false},
        {{cx + d, cy - d - h, w, h}, false},     {{cx - d - w, cy - d - h, w, h}, false},
        {{cx + d, cy + d, w, h}, false},         {{cx - d - w, cy + d, w, h}, false},
        {{cx - w / 2, cy - d - h, w, h}, false}, {{cx - w / 2, cy + d, w, h}, false}};
    for (int k = 1; k <= 8; ++k)
      for (double sign : {-1.0, 1.0})
        for (double dx : {d, -d - w})
          candidates.push_back({{cx + dx, cy - h / 2 + sign * k * (h + 2), w, h}, true});
    double best = -1;
    for (const auto& [box, leader] : candidates) {
      if (!inside.contains(box) || placed.Overlap(box) > 0) continue;
      const double cost = markerBoxes.Overlap(box);
      if (best < 0 || cost < best) {
        best = cost;
        m.label = box;
        m.leader = leader;
      }
      if (cost == 0) break;
    }
    if (best >= 0) placed.Add(m.label);
  }
  return l;
}

namespace {

// Each change of clock: a grey band across the plot, the frame's bottom
// broken there by two slanted strokes, and the two offsets below it.
void DrawClockChanges(QPainter& p, const ChartLayout& l) {
  constexpr double kHalf = 3;
  for (const ClockChange& c : l.changes) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90, 70));
    p.drawRect(QRectF(c.x - kHalf, l.plot.top(), 2 * kHalf, l.plot.height()));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(c.x - kHalf, l.plot.bottom() - 1, 2 * kHalf, 3));
    p.setPen(QPen(Qt::black, 1));
    for (const double dx : {-kHalf, kHalf})
      p.drawLine(QPointF(c.x + dx - 2, l.plot.bottom() + 4), QPointF(c.x + dx + 2, l.plot.bottom() - 4));
    p.setBrush(Qt::white);
    p.drawRoundedRect(c.label, 3, 3);
    p.drawText(c.label, Qt::AlignCenter, c.text);
  }
  p.setBrush(Qt::NoBrush);
}

}  // namespace

void DrawChart(QPainter& p, const run::NightChartData& chart, const ChartLayout& l) {
  const double px = BaseFontPx(l.size);
  const QFont font = ChartFont(px);
  const QFontMetricsF fm(font);
  p.save();
  p.fillRect(QRectF(QPointF(0, 0), l.size), Qt::white);

  p.setPen(Qt::black);
  p.setFont(ChartFont(px * 1.3, true));
  p.drawText(l.titleBox, Qt::AlignHCenter | Qt::AlignVCenter, ChartTitle(chart));
  p.setFont(font);

  // The sky: each Sun sample's stretch in the colour of its mean altitude.
  p.setRenderHint(QPainter::Antialiasing, false);
  // A zoomed view has sky beyond the plot's edges.
  const bool zoomed = l.t0 != chart.rjdStart || l.t1 != chart.rjdEnd;
  if (zoomed) p.setClipRect(l.plot);
  for (std::size_t k = 0; k + 1 < chart.sunTimes.size(); ++k) {
    const double a = (chart.sunAltitudes[k] + chart.sunAltitudes[k + 1]) / 2;
    const double x0 = std::round(l.XOf(chart.sunTimes[k])), x1 = std::round(l.XOf(chart.sunTimes[k + 1]));
    p.fillRect(QRectF(x0, l.plot.top(), x1 - x0, l.plot.height()), SkyColour(a, chart.maxSunAltitude));
  }
  if (zoomed) p.setClipping(false);

  // Grid: every ten degrees and every tick of the time axis.
  p.setPen(QPen(QColor(255, 255, 255, 160), 1));
  for (int a = 10; a < 90; a += 10) p.drawLine(QPointF(l.plot.left(), l.YOf(a)), QPointF(l.plot.right(), l.YOf(a)));
  for (const AxisTick& tick : l.ticks)
    if (tick.x > l.plot.left() + 0.5 && tick.x < l.plot.right() - 0.5)
      p.drawLine(QPointF(tick.x, l.plot.top()), QPointF(tick.x, l.plot.bottom()));
  p.setPen(Qt::black);
  for (int a = 0; a <= 90; a += 10)
    p.drawText(QRectF(l.plot.left() - 60, l.YOf(a) - fm.height() / 2, 54, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(a));
  for (const AxisTick& tick : l.ticks) {
    p.drawLine(QPointF(tick.x, l.plot.bottom()), QPointF(tick.x, l.plot.bottom() + 5));
    if (!tick.text.isEmpty())
      p.drawText(QRectF(tick.x - 40, l.plot.bottom() + 6, 80, fm.height()), Qt::AlignHCenter | Qt::AlignTop, tick.text);
  }
  p.drawText(QRectF(l.plot.left(), l.plot.bottom() + fm.height() + 8, l.plot.width(), fm.height()),
             Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Local time (zone %1)").arg(ZoneLabel(chart)));
  p.save();
  p.translate(l.plot.left() - fm.horizontalAdvance(QStringLiteral("90")) - 14, l.plot.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-l.plot.height() / 2, -fm.height(), l.plot.height(), fm.height()), Qt::AlignCenter,
             QStringLiteral("Altitude (degrees)"));
  p.restore();

  p.setRenderHint(QPainter::Antialiasing, true);
  p.setClipRect(l.plot);
  // The run's lowest star altitude.
  const double yMin = l.YOf(chart.minStarAltitude);
  p.setPen(QPen(kMinAltitude, 1.5, Qt::DashDotLine));
  p.drawLine(QPointF(l.plot.left(), yMin), QPointF(l.plot.right(), yMin));
  p.setPen(kMinAltitude);
  p.drawText(QRectF(l.plot.center().x(), yMin - fm.height() - 1, l.plot.width() / 2 - 6, fm.height()),
             Qt::AlignRight | Qt::AlignBottom,
             QStringLiteral("lowest star altitude %1\u00b0").arg(chart.minStarAltitude));

  // The Moon under the stars' curves, above the horizon only.
  p.setPen(MoonPen());
  p.setBrush(Qt::NoBrush);
  {
    QPolygonF line;
    for (std::size_t k = 0; k < chart.moonAltitudes.size() && k < chart.sunTimes.size(); ++k) {
      const bool shown = chart.moonAltitudes[k] > 0 || (k > 0 && chart.moonAltitudes[k - 1] > 0) ||
                         (k + 1 < chart.moonAltitudes.size() && chart.moonAltitudes[k + 1] > 0);
      if (shown) line << QPointF(l.XOf(chart.sunTimes[k]), l.YOf(chart.moonAltitudes[k]));
      if ((!shown || k + 1 == chart.moonAltitudes.size()) && line.size() > 1) p.drawPolyline(line);
      if (!shown) line.clear();
    }
  }

  // The curves: solid inside the hour-angle limits, dashed outside.
  for (std::size_t i = 0; i < chart.stars.size(); ++i) {
    const run::NightStar& s = chart.stars[i];
    const StarStyle style = StyleOfStar(chart, i);
    for (const run::CurveStretch& st : s.stretches) {
      // Dashed stretches at one pixel: thin, and drawn by the fast path of
      // one-pixel lines.
      QPen pen(style.colour, st.inside ? style.lineWidth : 1.0,
               st.inside ? Qt::SolidLine : Qt::DashLine);
      pen.setCapStyle(Qt::FlatCap);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      // Below the horizon nothing shows: those pieces are not stroked at all,
      // which halves the drawing of a busy night.
      QPolygonF line;
      for (std::size_t k = st.from; k <= st.to && k < s.times.size(); ++k) {
        const bool shown = s.altitudes[k] > 0 || (k > st.from && s.altitudes[k - 1] > 0) ||
                           (k < st.to && s.altitudes[k + 1] > 0);
        if (shown) line << QPointF(l.XOf(s.times[k]), l.YOf(s.altitudes[k]));
        if ((!shown || k == st.to) && line.size() > 1) p.drawPolyline(line);
        if (!shown || k == st.to) line.clear();
      }
    }
  }

  // Each eclipse as a thick stretch of its star's curve from start to end,
  // solid inside the hour-angle limits and dashed outside, as the curve.
  bool eclipses = false;
  for (const run::NightEvent& ev : chart.events) {
    if (!(ev.eclipseStart < ev.eclipseEnd)) continue;
    eclipses = true;
    const run::NightStar& s = chart.stars[ev.starSlot];
    const StarStyle style = StyleOfStar(chart, ev.starSlot);
    for (const run::CurveStretch& st : s.stretches) {
      QPen pen(style.colour, style.lineWidth + kEclipseExtraWidth, st.inside ? Qt::SolidLine : Qt::DashLine);
      pen.setCapStyle(Qt::FlatCap);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      QPolygonF line;
      for (std::size_t k = st.from; k <= st.to && k < s.times.size(); ++k)
        if (s.times[k] >= ev.eclipseStart && s.times[k] <= ev.eclipseEnd)
          line << QPointF(l.XOf(s.times[k]), l.YOf(s.altitudes[k]));
      if (line.size() > 1) p.drawPolyline(line);
    }
  }

  const bool bands = DrawSigmaBands(p, chart, l);

  // Labels under the markers, so a marker is never hidden by a label.
  for (const ChartMarker& m : l.markers) {
    if (!l.labelled) break;
    if (m.label.isEmpty()) continue;
    const run::NightEvent& ev = chart.events[m.event];
    const StarStyle style = StyleOfStar(chart, ev.starSlot);
    if (m.leader) {
      p.setPen(QPen(style.colour, 1));
      const QPointF end(std::clamp(m.centre.x(), m.label.left(), m.label.right()),
                        m.label.center().y() < m.centre.y() ? m.label.bottom() : m.label.top());
      p.drawLine(m.centre, end);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(m.label, 3, 3);
    p.setPen(style.colour.darker(130));
    p.drawText(m.label, Qt::AlignCenter, m.text);
  }
  // The frame under the markers, so an event at the edge of the span shows whole.
  p.setClipping(false);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(l.plot);
  DrawClockChanges(p, l);
  for (const ChartMarker& m : l.markers) {
    if (!m.visible) continue;
    const run::NightEvent& ev = chart.events[m.event];
    const StarStyle style = StyleOfStar(chart, ev.starSlot);
    DrawMarker(p, m.centre, kMarkerRadius, style.shape, style.colour, ev.close);
  }

  // The legend, and a key to the lines, markers and shading.
  for (const LegendEntry& e : l.legend) {
    const double y = e.box.center().y();
    p.setPen(QPen(e.style.colour, e.style.lineWidth));
    p.drawLine(QPointF(e.box.left(), y), QPointF(e.box.left() + 30, y));
    DrawMarker(p, QPointF(e.box.left() + 15, y), kMarkerRadius, e.style.shape, e.style.colour, false);
    p.setPen(Qt::black);
    p.drawText(QRectF(e.box.left() + 38, e.box.top(), e.box.width() - 38, e.box.height()),
               Qt::AlignLeft | Qt::AlignVCenter, e.text);
  }
  if (!l.moreText.isEmpty()) {
    p.setPen(Qt::black);
    p.drawText(l.moreBox, Qt::AlignLeft | Qt::AlignVCenter, l.moreText);
  }
  const double keyY = l.size.height() - fm.height() - 8;
  double x = l.plot.left();
  auto swatch = [&](const QColor& c, const QString& text) {
    p.setPen(QPen(Qt::gray, 1));
    p.setBrush(c);
    p.drawRect(QRectF(x, keyY + 2, 18, fm.height() - 4));
    p.setPen(Qt::black);
    x += 22;
    p.drawText(QPointF(x, keyY + fm.ascent()), text);
    x += fm.horizontalAdvance(text) + 18;
  };
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(QPointF(x, keyY + fm.height() / 2), QPointF(x + 24, keyY + fm.height() / 2));
  x += 28;
  const QString solid = QStringLiteral("inside hour-angle limits");
  p.drawText(QPointF(x, keyY + fm.ascent()), solid);
  x += fm.horizontalAdvance(solid) + 18;
  p.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
  p.drawLine(QPointF(x, keyY + fm.height() / 2), QPointF(x + 24, keyY + fm.height() / 2));
  x += 28;
  p.setPen(Qt::black);
  const QString dashed = QStringLiteral("outside");
  p.drawText(QPointF(x, keyY + fm.ascent()), dashed);
  x += fm.horizontalAdvance(dashed) + 18;
  DrawMarker(p, QPointF(x + 6, keyY + fm.height() / 2), kMarkerRadius, MarkerShape::Circle, Qt::black, true);
  x += 16;
  p.setPen(Qt::black);
  const QString close = QStringLiteral("close to a limit");
  p.drawText(QPointF(x, keyY + fm.ascent()), close);
  x += fm.horizontalAdvance(close) + 28;
  // A line sample and its caption, for the Moon and the eclipse.
  auto keyLine = [&](const QPen& pen, const QString& caption) {
    p.setPen(pen);
    p.drawLine(QPointF(x, keyY + fm.height() / 2), QPointF(x + 24, keyY + fm.height() / 2));
    x += 28;
    p.setPen(Qt::black);
    p.drawText(QPointF(x, keyY + fm.ascent()), caption);
    x += fm.horizontalAdvance(caption) + 28;
  };
  keyLine(MoonPen(), QStringLiteral("Moon"));
  if (eclipses) {
    QPen thick(Qt::black, 2 + kEclipseExtraWidth);
    thick.setCapStyle(Qt::FlatCap);
    keyLine(thick, QStringLiteral("eclipse"));
  }
  if (bands) x = DrawSigmaBandKey(p, fm, x, keyY);
  swatch(kDay, QStringLiteral("Sun up"));
  swatch(kTooBright, QStringLiteral("Sun above %1\u00b0").arg(chart.maxSunAltitude));
  swatch(kDark, QStringLiteral("below"));
  swatch(kDarkest, QStringLiteral("below \u221218\u00b0"));
  p.restore();
}

QImage RenderChart(const run::NightChartData& chart, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  DrawChart(p, chart, LayOutChart(chart, QSizeF(size)));
  p.end();
  return image;
}

QByteArray ChartFileBytes(const run::NightChartData& chart, bool svg, QSize size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  bool drawn = true;
  if (svg) {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(ChartTitle(chart));
    QPainter p;
    drawn = p.begin(&generator);
    if (drawn) {
      DrawChart(p, chart, LayOutChart(chart, QSizeF(size)));
      drawn = p.end();
    }
  } else {
    drawn = RenderChart(chart, size).save(&buffer, "PNG");
  }
  return drawn ? bytes : QByteArray();
}

data::WriteResult WriteChartFile(const std::string& path, const run::NightChartData& chart, QSize size) {
  const bool svg = QString::fromStdString(path).endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
  const QByteArray bytes = ChartFileBytes(chart, svg, size);
  if (bytes.isEmpty())
    return data::FileFailure{path, 0, "the chart could not be drawn", data::FileFailure::Op::Write};
  return data::WriteFileAtomically(path, bytes.toStdString());
}

}  // namespace tevaro::ui
