// The night chart: markers where the report puts its events, a legend entry
// per star, labels clear of each other, and the window's way through the
// report's nights and back to its lines.
#include <QAction>
#include <QApplication>
#include <QWheelEvent>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <set>

#include "run/night_chart.h"
#include "run/session.h"
#include "support/catalogue.h"
#include "ui/chart_drawing.h"
#include "ui/frmFileChooser.h"
#include "ui/frmNightChart.h"
#include "ui/frmOutput.h"
#include "ui_test_support.h"

using namespace tevaro;

namespace {

// A run of `nights` nights at example site `site` over a generated star list.
// Site -1: a site near Berlin on the named zone's clock.
run::Session RunOf(std::size_t stars, int site, const char* month, const char* nights, const char* year = "2024",
                   const char* day = "10") {
  run::Session s;
  s.LoadLocations(ui::test::ExamplePath(QStringLiteral("Location.dat")).toStdString());
  s.LoadLimits(ui::test::ExamplePath(QStringLiteral("Limits.dat")).toStdString());
  s.stars = testing::MakeCatalogue(stars, 5);
  s.loaded.starsLoaded = true;
  const run::SiteFieldTexts t = site >= 0 ? s.SelectSite(site) : run::SiteFieldTexts{"-13.24", "52.31", "Europe/Berlin", ""};
  run::InputFields in;
  in.siteIndex = site;
  in.longitude = t.longitude;
  in.latitude = t.latitude;
  in.zone = t.zone;
  in.year = year;
  in.month = month;
  in.day = day;
  in.nights = nights;
  in.maxSun = "-12";
  in.minStar = "20";
  in.eventBox = {1, 1, 1, 1};
  in.option = 1;
  s.Calculate(in);
  return s;
}

bool Near(QRgb a, const QColor& b, int tolerance = 8) {
  return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
         std::abs(qBlue(a) - b.blue()) <= tolerance;
}

}  // namespace

class NightChartTest : public QObject {
  Q_OBJECT

 private slots:
  // Every marker's centre pixel has its star's colour (white for a hollow
  // "close" marker, ringed in the colour) at the x of the event's local time
  // across 18:00..06:00 and the y of its altitude across 0..90 degrees.
  void MarkersSitAtTheirTimeAndAltitude() {
    run::Session s = RunOf(400, 0, "01", "2");
    QVERIFY(s.lastRun);
    const run::NightChartData chart = run::BuildNightChart(*s.lastRun, run::ReportNights(s.lastRun->outcome())[0]);
    QVERIFY(chart.events.size() > 20);
    const QSize size(1600, 1000);
    const QImage image = ui::RenderChart(chart, size);
    const ui::ChartLayout layout = ui::LayOutChart(chart, QSizeF(size));
    if (qEnvironmentVariableIsSet("TEVARO_KEEP_CHART")) image.save(qEnvironmentVariable("TEVARO_KEEP_CHART"));
    // The axes: the first hour mark at 18:00 (or earlier for early events)
    // on the plot's left edge, 90 degrees at its top.
    const double hours = (chart.rjdEnd - chart.rjdStart) * 24;
    QCOMPARE(std::lround(hours * 12), std::lround((chart.rjdEnd - chart.rjdStart) * 288));
    int filled = 0, hollow = 0;
    for (std::size_t i = 0; i < chart.events.size(); ++i) {
      const run::NightEvent& ev = chart.events[i];
      const double minutes = (ev.time - chart.rjdStart) * 1440;
      const double x = layout.plot.left() + minutes / (hours * 60) * layout.plot.width();
      const double y = layout.plot.bottom() - ev.altitude / 90 * layout.plot.height();
      QVERIFY(std::abs(layout.markers[i].centre.x() - x) < 0.01);
      // A later marker drawn over this one hides it: only lone markers are read.
      bool alone = true;
      for (std::size_t j = 0; j < chart.events.size(); ++j)
        if (j != i && std::hypot(layout.markers[j].centre.x() - x, layout.markers[j].centre.y() - y) < 14) alone = false;
      if (!alone || ev.altitude > 88) continue;
      const QColor colour = ui::StyleOfStar(chart, ev.starSlot).colour;
      const QRgb centre = image.pixel(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
      if (ev.close) {
        QVERIFY2(Near(centre, Qt::white), qPrintable(ui::ChartTitle(chart)));
        // Its outline, whatever the shape, lies within a few pixels to the right.
        bool ring = false;
        for (int dx = 2; dx <= ui::kMarkerRadius + 3; ++dx)
          ring = ring || Near(image.pixel(static_cast<int>(std::lround(x)) + dx, static_cast<int>(std::lround(y))), colour, 40);
        QVERIFY(ring);
        ++hollow;
      } else {
        QVERIFY2(Near(centre, colour), qPrintable(QStringLiteral("%1 at %2,%3: %4 not %5").arg(i).arg(x).arg(y).arg(QColor(centre).name(), colour.name())));
        ++filled;
      }
    }
    QVERIFY(filled >= 5);
    QVERIFY(hollow >= 1);
  }

  // A crowded night: one legend entry per star, each look (colour and
  // marker) its own, and no two event labels overlapping.
  void TwentyStarsGiveTwentyDistinctLegendEntries() {
    run::Session s = RunOf(900, 1, "06", "1");
    const run::NightChartData chart = run::BuildNightChart(*s.lastRun, run::ReportNights(s.lastRun->outcome())[0]);
    QVERIFY2(chart.stars.size() >= 20, qPrintable(QString::number(chart.stars.size())));
    run::NightChartData twenty = chart;
    twenty.stars.resize(20);
    // Looks are keyed by the star's place in the run's list: twenty
    // neighbouring places, twenty looks.
    for (std::size_t i = 0; i < 20; ++i) twenty.stars[i].star = static_cast<std::uint32_t>(100 + i);
    std::erase_if(twenty.events, [](const run::NightEvent& e) { return e.starSlot >= 20; });
    const QSize size(1600, 1000);
    const ui::ChartLayout layout = ui::LayOutChart(twenty, QSizeF(size));
    QCOMPARE(layout.legend.size(), std::size_t{20});
    std::set<std::pair<QRgb, int>> looks;
    std::set<QString> names;
    for (const ui::LegendEntry& e : layout.legend) {
      looks.insert({e.style.colour.rgb(), static_cast<int>(e.style.shape)});
      names.insert(e.text);
      QVERIFY(QRectF(0, 0, 1600, 1000).contains(e.box));
      QVERIFY(!e.box.intersects(layout.plot));
    }
    QCOMPARE(looks.size(), std::size_t{20});
    QCOMPARE(names.size(), std::size_t{20});
    // Each entry's sample marker is drawn in its colour.
    const QImage image = ui::RenderChart(twenty, size);
    for (const ui::LegendEntry& e : layout.legend)
      QVERIFY(Near(image.pixel(static_cast<int>(e.box.left() + 15), static_cast<int>(e.box.center().y())), e.style.colour));
    for (std::size_t i = 0; i < layout.markers.size(); ++i)
      for (std::size_t j = i + 1; j < layout.markers.size(); ++j)
        QVERIFY2(!layout.markers[i].label.intersects(layout.markers[j].label),
                 qPrintable(layout.markers[i].text + QStringLiteral(" / ") + layout.markers[j].text));
  }

  // A night of a 10,000-star list: the plot keeps two thirds of the width,
  // the legend ends in "and N more" whole (the text is cut to its box, so
  // one that did not fit would read "and N mo..."), the markers go without
  // labels, and a star looks the same on two nights.
  void AFullListStaysReadable() {
    run::Session s = RunOf(10000, 0, "01", "2");
    const std::vector<std::int32_t> nights = run::ReportNights(s.lastRun->outcome());
    QVERIFY(nights.size() >= 2);
    const run::NightChartData first = run::BuildNightChart(*s.lastRun, nights[0]);
    const run::NightChartData second = run::BuildNightChart(*s.lastRun, nights[1]);
    QVERIFY2(first.events.size() > 2000, qPrintable(QString::number(first.events.size())));
    for (const QSize size : {QSize(2400, 1500), QSize(1600, 1000), QSize(800, 500)}) {
      const ui::ChartLayout layout = ui::LayOutChart(first, QSizeF(size));
      QVERIFY(layout.plot.width() >= size.width() * 2.0 / 3.0);
      QVERIFY(!layout.labelled);
      QVERIFY(!layout.legend.empty());
      QCOMPARE(layout.moreText,
               QStringLiteral("and %1 more").arg(first.stars.size() - layout.legend.size()));
      QVERIFY(QRectF(0, 0, size.width(), size.height()).contains(layout.moreBox));
      for (const ui::LegendEntry& e : layout.legend) QVERIFY(!e.box.intersects(layout.plot));
    }
    std::size_t shared = 0;
    for (std::size_t a = 0; a < first.stars.size(); ++a)
      for (std::size_t b = 0; b < second.stars.size(); ++b)
        if (first.stars[a].star == second.stars[b].star) {
          ++shared;
          QCOMPARE(ui::StyleOfStar(first, a).colour, ui::StyleOfStar(second, b).colour);
          QCOMPARE(ui::StyleOfStar(first, a).shape, ui::StyleOfStar(second, b).shape);
        }
    QVERIFY(shared > 100);
  }

  // The window: Ctrl+G from the output window shows the night of the line
  // at the top of the view, then of the selected line; Page Down and Up walk
  // the report's nights; a marker's tooltip is its report line and a click
  // on it selects that line; the chart saves as a PNG of 1600 x 1000.
  void WindowFollowsTheReport() {
    ui::test::TempFolder dir;
    run::Session s = RunOf(300, 0, "02", "4");
    ui::RecordingMessageSink messages;
    ui::frmOutput output(s, messages);
    output.ShowReport();
    const run::PredictionOutcome& o = s.lastRun->outcome();
    const std::vector<std::int32_t> nights = run::ReportNights(o);
    QCOMPARE(nights.size(), std::size_t{4});
    QAction* open = output.findChild<QAction*>(QStringLiteral("mNightChart"));
    QVERIFY(open);
    QCOMPARE(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    open->trigger();
    ui::frmNightChart* chart = output.nightChart();
    QVERIFY(chart && chart->isVisible());
    QCOMPARE(chart->chart().localDay, nights[0]);

    const std::vector<std::size_t> lines = run::ReportLinesOfEvents(o);
    const std::size_t lastEvent = o.events.size() - 1;
    output.Select(static_cast<long>(lines[lastEvent]), static_cast<long>(lines[lastEvent]));
    open->trigger();
    QCOMPARE(chart->chart().localDay, nights[3]);
    QCOMPARE(chart->nightIndex(), std::size_t{3});
    QVERIFY(!chart->findChild<QPushButton*>(QStringLiteral("nextNight"))->isEnabled());
    QTest::keyClick(chart->canvas(), Qt::Key_PageUp);
    QCOMPARE(chart->chart().localDay, nights[2]);
    chart->findChild<QPushButton*>(QStringLiteral("previousNight"))->click();
    QCOMPARE(chart->chart().localDay, nights[1]);
    QTest::keyClick(chart->canvas(), Qt::Key_PageDown);
    QCOMPARE(chart->chart().localDay, nights[2]);

    // Each marker names its own line of the report; a click selects it.
    const ui::ChartLayout& layout = chart->canvas()->layout();
    QCOMPARE(layout.markers.size(), chart->chart().events.size());
    const std::size_t pick = layout.markers.size() / 2;
    const QPointF at = layout.markers[pick].centre;
    const std::optional<std::size_t> hit = chart->canvas()->EventAt(at + QPointF(2, -2));
    QVERIFY(hit);
    const run::NightEvent& ev = chart->chart().events[*hit];
    QCOMPARE(chart->EventLineText(*hit), ui::ReportLineText(s.report, ev.reportLine));
    QVERIFY(chart->EventLineText(*hit).contains(QString::fromStdString(s.stars.entries[o.events[ev.eventIndex].star].name)));
    QTest::mouseClick(chart->canvas(), Qt::LeftButton, {}, at.toPoint());
    QCOMPARE(output.selectionStart(), static_cast<long>(ev.reportLine));
    QVERIFY(output.firstShownLine() <= static_cast<long>(ev.reportLine));
    QVERIFY(output.lastShownLine() >= static_cast<long>(ev.reportLine));
    QVERIFY(!chart->canvas()->EventAt(QPointF(layout.plot.left() + 1, layout.plot.top() + 1)));

    chart->ShowSaveChooser();
    ui::frmFileChooser* chooser = chart->saveChooser();
    QVERIFY(chooser && chooser->kind() == ui::ChooserKind::SaveChart);
    chooser->OpenFolder(dir.path());
    chooser->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("night.png"));
    chooser->Ok();
    QImage saved(dir.file(QStringLiteral("night.png")));
    QCOMPARE(saved.size(), QSize(1600, 1000));
    QVERIFY(messages.messages.isEmpty());
    // A second save to the same name asks first; No writes nothing.
    chart->ShowSaveChooser();
    messages.answers = {false};
    chooser->Ok();
    QCOMPARE(messages.questions.size(), qsizetype{1});
  }

  // No two placed labels ever meet, over the 10,000-star night at the
  // window's and the file's size, at scale factors 1 and 1.5 (at 1.5 the
  // canvas has two thirds of the logical pixels and the fonts keep their
  // pixel sizes), on the whole night and zoomed in where labels get room.
  void LabelsNeverOverlap() {
    run::Session s = RunOf(10000, 0, "01", "2");
    const run::NightChartData chart = run::BuildNightChart(*s.lastRun, run::ReportNights(s.lastRun->outcome())[0]);
    const double night = chart.rjdEnd - chart.rjdStart;
    std::size_t labels = 0;
    for (const double scale : {1.0, 1.5})
      for (const QSizeF size : {QSizeF(1192, 716), QSizeF(1600, 1000)})
        for (const double width : {1.0, 1 / 8.0, 1 / 36.0, 1 / 72.0})
          for (const double at : {0.0, 0.37, 1 - width}) {
            const ui::ChartView view =
                width < 1 ? ui::ChartView{chart.rjdStart + at * night, chart.rjdStart + (at + width) * night} : ui::ChartView{};
            const ui::ChartLayout l = ui::LayOutChart(chart, size / scale, view);
            std::vector<QRectF> boxes;
            for (const ui::ChartMarker& m : l.markers)
              if (!m.label.isEmpty()) {
                QVERIFY(m.visible);
                QVERIFY(l.plot.contains(m.label));
                boxes.push_back(m.label);
              }
            for (std::size_t i = 0; i < boxes.size(); ++i)
              for (std::size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY2(!boxes[i].intersects(boxes[j]),
                         qPrintable(QStringLiteral("scale %1, view %2 at %3").arg(scale).arg(width).arg(at)));
            labels += boxes.size();
          }
    // Zoomed in, labels are placed (a layout without any would pass the above).
    QVERIFY2(labels > 200, qPrintable(QString::number(labels)));
  }

  // Zoom and pan of the time axis: + and - halve and double the view about
  // its middle, the arrows move it by a quarter, the wheel zooms about the
  // instant under the mouse, a drag moves it with the mouse, all within the
  // night and no narrower than ten minutes; Home, and another night, show the
  // whole night again; the filter keeps the view.
  void TimeAxisZoomsAndPans() {
    run::Session s = RunOf(300, 0, "02", "4");
    ui::RecordingMessageSink messages;
    ui::frmOutput output(s, messages);
    ui::frmNightChart window(s, output, messages);
    window.ShowNight(run::ReportNights(s.lastRun->outcome())[0]);
    QWidget* canvas = window.canvas();
    const double start = window.chart().rjdStart, night = window.chart().rjdEnd - start;
    const struct {
      const char* keys;  // + - < > H, w: wheel up at the plot's left edge, d: a drag 100 px to the right
      double from, width;  // shares of the night; width 1: the whole night, an empty view
    } cases[] = {
        {"+", 0.25, 0.5},          {"++", 0.375, 0.25},     {"+>", 0.375, 0.5},       {"+<<<<", 0, 0.5},
        {"+>>>>", 0.5, 0.5},       {"-", 0, 1},             {"+-", 0, 1},             {"++H", 0, 1},
        {"w", 0, 0.8},             {"++++++++", 0.5 - 5 / (1440 * night), 10 / (1440 * night)},
        {"+d", -1, 0.5},  // -1: 100 px earlier than "+", worked out below
    };
    for (const auto& c : cases) {
      window.SetView({});
      for (const char* k = c.keys; *k; ++k) {
        const QRectF plot = window.canvas()->layout().plot;
        if (*k == 'w') {
          const QPointF at(plot.left(), canvas->height() / 2.0);
          QWheelEvent e(at, canvas->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
          QApplication::sendEvent(canvas, &e);
        } else if (*k == 'd') {  // from an empty spot of the plot's top edge, clear of markers
          const QPoint from(static_cast<int>(plot.center().x()), static_cast<int>(plot.top()) + 2), to = from + QPoint(100, 0);
          QTest::mousePress(canvas, Qt::LeftButton, {}, from);
          QMouseEvent move(QEvent::MouseMove, QPointF(to), canvas->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, {});
          QApplication::sendEvent(canvas, &move);
          QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
        } else {
          QTest::keyClick(canvas, *k == '<' ? Qt::Key_Left : *k == '>' ? Qt::Key_Right : *k == 'H' ? Qt::Key_Home
                                  : *k == '+' ? Qt::Key_Plus : Qt::Key_Minus);
        }
      }
      const ui::ChartView v = window.view();
      const double from = c.from >= 0 ? c.from : 0.25 - 100 / window.canvas()->layout().plot.width() * 0.5;
      QVERIFY2(c.width == 1 ? v.Whole() : std::abs(v.t0 - (start + from * night)) < 1e-9 &&
                                              std::abs(v.t1 - v.t0 - c.width * night) < 1e-9,
               c.keys);
    }
    window.SetView({});
    QTest::keyClick(canvas, Qt::Key_Plus);
    const ui::ChartView zoomed = window.view();
    window.findChild<QLineEdit*>(QStringLiteral("chartFilter"))->setText(QStringLiteral("GEN 1"));
    QCOMPARE(window.view().t0, zoomed.t0);
    QVERIFY(window.chart().events.size() > 0);
    QTest::keyClick(canvas, Qt::Key_PageDown);
    QVERIFY(window.view().Whole());
  }

  // Across a change of the named zone's clock the axis has a gap labelled
  // with both offsets, at the change, and no tick there; a night without a
  // change has none. Ticks read the clock in force on either side (the
  // chart spans twelve hours, so the spring night ends at 07:00; the autumn
  // one has events after 05:00 and ends at the next whole hour).
  void ClockChangeShowsAsAGap() {
    const struct {
      int year, month, day;
      QString gap;        // empty: no change that night
      double changeRjd;   // 01:00 UT of the Sunday
      const char* hours;  // the axis' labels, without ":00"
    } cases[] = {
        {2025, 3, 29, QStringLiteral("UT+1 \u2192 UT+2"), 60764.5 + 1 / 24.0, "18 19 20 21 22 23 00 01 04 05 06 07"},
        {2025, 10, 25, QStringLiteral("UT+2 \u2192 UT+1"), 60974.5 + 1 / 24.0, "18 19 20 21 22 23 00 01 02 03 04 05 06"},
        {2025, 3, 22, QString(), 0, "18 19 20 21 22 23 00 01 02 03 04 05 06"},
    };
    for (const auto& c : cases) {
      run::Session s = RunOf(300, -1, std::to_string(c.month).c_str(), "1", "2025", std::to_string(c.day).c_str());
      QVERIFY(s.lastRun);
      const run::NightChartData chart = run::BuildNightChart(*s.lastRun, run::LocalDayOfEvening(c.year, c.month, c.day));
      const ui::ChartLayout l = ui::LayOutChart(chart, QSizeF(1600, 1000));
      QStringList hours;
      for (const ui::AxisTick& t : l.ticks) {
        hours << t.text;
        for (const ui::ClockChange& g : l.changes) QVERIFY(std::abs(t.x - g.x) > 10);
      }
      QCOMPARE(hours.join(QLatin1Char(' ')), QString::fromLatin1(c.hours).replace(QLatin1Char(' '), QStringLiteral(":00 ")) + QStringLiteral(":00"));
      QCOMPARE(l.changes.size(), std::size_t{c.gap.isEmpty() ? 0u : 1u});
      if (c.gap.isEmpty()) continue;
      QCOMPARE(l.changes[0].text, c.gap);
      QVERIFY(std::abs(l.changes[0].time - c.changeRjd) < 1e-9);
      QVERIFY(std::abs(l.changes[0].x - l.XOf(c.changeRjd)) < 1e-6);
    }
  }
};

QTEST_MAIN(NightChartTest)
#include "night_chart_test.moc"
