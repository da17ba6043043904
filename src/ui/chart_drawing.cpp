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

double Overlap(const QRectF& a, const QRectF& b) {
  const QRectF i = a.intersected(b);
  return i.isValid() ? i.width() * i.height() : 0;
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

ChartLayout LayOutChart(const run::NightChartData& chart, QSizeF size) {
  ChartLayout l;
  l.size = size;
  l.t0 = chart.rjdStart;
  l.t1 = chart.rjdEnd;
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
  const double entryW = std::max(1.0, std::min(nameW + 48, legendRoom));
  const double top = l.titleBox.bottom() + 10;
  const double bottom = size.height() - 2 * rowH - 30;  // below: hour labels, axis title, key
  const auto rowsFit = std::max<std::size_t>(1, static_cast<std::size_t>((bottom - top) / rowH));
  const auto columnsFit = std::max<std::size_t>(1, static_cast<std::size_t>(legendRoom / entryW));
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
    l.moreText = QStringLiteral("and %1 more").arg(chart.stars.size() - listed);
  }

  // Markers, then labels placed greedily in time order: the first spot
  // around the marker that meets no placed label, no marker and stays in the
  // plot; else, stepping up and down, a spot joined by a leader line; else
  // the spot of least overlap.
  const double r = kMarkerRadius;
  std::vector<QRectF> markerBoxes;
  for (std::size_t i = 0; i < chart.events.size(); ++i) {
    const run::NightEvent& ev = chart.events[i];
    ChartMarker m;
    m.event = i;
    m.centre = QPointF(l.XOf(ev.time), l.YOf(ev.altitude));
    m.text = QString::fromStdString(chart.stars[ev.starSlot].name) + QLatin1Char(' ') + PhaseText(ev.phase);
    l.markers.push_back(m);
    markerBoxes.emplace_back(m.centre.x() - r - 1, m.centre.y() - r - 1, 2 * r + 2, 2 * r + 2);
  }
  // Labels need room: when all of them would cover more than half the plot
  // they cannot be kept apart, and markers go alone (hovering names them).
  double labelArea = 0;
  for (const ChartMarker& m : l.markers) labelArea += (fm.horizontalAdvance(m.text) + 6) * (fm.height() + 2);
  l.labelled = labelArea <= l.plot.width() * l.plot.height() / 2;
  if (!l.labelled) return l;
  std::vector<QRectF> placed;
  placed.reserve(l.markers.size());
  const QRectF inside = l.plot.adjusted(2, 2, -2, -2);
  // The search costs the square of the events; past a few hundred the labels
  // could not be kept apart on one sheet anyway and take their first spot.
  const bool search = l.markers.size() <= 500;
  for (ChartMarker& m : l.markers) {
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
      double cost = 0;
      if (!search) {
        m.label = box;
        break;
      }
      if (!inside.contains(box)) cost += 1e9;
      for (const QRectF& q : placed) cost += Overlap(box, q);
      for (const QRectF& q : markerBoxes) cost += Overlap(box, q);
      if (best < 0 || cost < best) {
        best = cost;
        m.label = box;
        m.leader = leader;
      }
      if (cost == 0 || !search) break;
    }
    placed.push_back(m.label);
  }
  return l;
}

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
  for (std::size_t k = 0; k + 1 < chart.sunTimes.size(); ++k) {
    const double a = (chart.sunAltitudes[k] + chart.sunAltitudes[k + 1]) / 2;
    const double x0 = std::round(l.XOf(chart.sunTimes[k])), x1 = std::round(l.XOf(chart.sunTimes[k + 1]));
    p.fillRect(QRectF(x0, l.plot.top(), x1 - x0, l.plot.height()), SkyColour(a, chart.maxSunAltitude));
  }

  // Grid: every ten degrees and every hour.
  p.setPen(QPen(QColor(255, 255, 255, 160), 1));
  for (int a = 10; a < 90; a += 10) p.drawLine(QPointF(l.plot.left(), l.YOf(a)), QPointF(l.plot.right(), l.YOf(a)));
  // Whole hours across the span, which starts on a whole local hour.
  const int hours = static_cast<int>(std::lround((l.t1 - l.t0) * 24));
  // Each mark shows the clock in force at its instant (a named zone may
  // change its clock during the night).
  auto hourAt = [&](double t) { return astro::RjdToCalendar(t + 1.0 / 86400, chart.clock.ZoneAt(t)).hour; };
  for (int h = 1; h < hours; ++h) {
    const double x = l.XOf(l.t0 + h / 24.0);
    p.drawLine(QPointF(x, l.plot.top()), QPointF(x, l.plot.bottom()));
  }
  p.setPen(Qt::black);
  for (int a = 0; a <= 90; a += 10)
    p.drawText(QRectF(l.plot.left() - 60, l.YOf(a) - fm.height() / 2, 54, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(a));
  // Every hour gets a tick; labels skip hours where they would run together.
  const double hourW = l.XOf(l.t0 + 1 / 24.0) - l.XOf(l.t0);
  const double labelW = fm.horizontalAdvance(QStringLiteral("00:00")) + 8;
  const int labelStep = hourW > 0 ? std::max(1, static_cast<int>(std::ceil(labelW / hourW))) : 1;
  for (int h = 0; h <= hours; ++h) {
    const double x = l.XOf(l.t0 + h / 24.0);
    p.drawLine(QPointF(x, l.plot.bottom()), QPointF(x, l.plot.bottom() + 5));
    if (h % labelStep != 0) continue;
    p.drawText(QRectF(x - 40, l.plot.bottom() + 6, 80, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("%1:00").arg(hourAt(l.t0 + h / 24.0), 2, 10, QLatin1Char('0')));
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
  for (const ChartMarker& m : l.markers) {
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
