// Timing of the night chart (argument: stars in the list, default 260,
// about 200 events on the busiest night): the data, the layout and the drawing of the
// busiest night of a long run, and the step to the next night. Prints its figures.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "run/night_chart.h"
#include "run/session.h"
#include "support/catalogue.h"
#include "ui/chart_drawing.h"

using namespace tevaro;
using Clock = std::chrono::steady_clock;

static double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  run::Session s;
  s.stars = testing::MakeCatalogue(static_cast<std::size_t>(argc > 1 ? std::atoi(argv[1]) : 260), 11);
  s.loaded = {true, true, true};
  run::InputFields in;
  in.siteIndex = -1;
  in.longitude = "120.3015";
  in.latitude = "50.1230";
  in.zone = "8";
  in.year = "2024";
  in.month = "12";
  in.day = "1";
  in.nights = "10";
  in.maxSun = "-12";
  in.minStar = "20";
  in.eventBox = {1, 1, 1, 1};
  in.option = 1;
  if (s.Calculate(in).status != run::CalculateResult::Status::Listed) return 1;
  const run::ListedRun& r = *s.lastRun;
  const std::vector<std::int32_t> nights = run::ReportNights(r.outcome());
  std::int32_t busiest = nights[0];
  std::size_t most = 0;
  for (std::int32_t n : nights) {
    const std::size_t count = run::BuildNightChart(r, n).events.size();
    if (count > most) most = count, busiest = n;
  }
  constexpr int kRounds = 10;
  double data = 0, layout = 0, draw = 0;
  for (int k = 0; k < kRounds; ++k) {
    const auto t0 = Clock::now();
    const run::NightChartData chart = run::BuildNightChart(r, busiest);
    const auto t1 = Clock::now();
    const ui::ChartLayout l = ui::LayOutChart(chart, QSizeF(1600, 1000));
    const auto t2 = Clock::now();
    QImage image(1600, 1000, QImage::Format_RGB32);
    QPainter p(&image);
    ui::DrawChart(p, chart, l);
    p.end();
    const auto t3 = Clock::now();
    data += Ms(t0, t1);
    layout += Ms(t1, t2);
    draw += Ms(t2, t3);
  }
  std::printf("night chart, %zu events of %zu stars at 1600 x 1000 (mean of %d):\n", most,
              run::BuildNightChart(r, busiest).stars.size(), kRounds);
  std::printf("  curves and Sun   %7.2f ms\n  layout, labels   %7.2f ms\n  drawing          %7.2f ms\n  total            %7.2f ms\n",
              data / kRounds, layout / kRounds, draw / kRounds, (data + layout + draw) / kRounds);
  return 0;
}
