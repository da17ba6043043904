// tevaro-pagination-bench [LINES]: times the pagination of a generated report
// of LINES lines (a million by default) on A4 with a fixed-pitch font.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "run/pagination.h"
#include "run/report.h"

int main(int argc, char** argv) {
  using namespace tevaro;
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  run::ReportBuffer r;
  r.Reserve(static_cast<std::size_t>(lines), static_cast<std::size_t>(lines) * 90);
  for (int i = 0; i < 12; ++i) r.Add(" header line " + std::to_string(i));
  r.Add(std::string(87, '='));
  for (long i = 13; i < lines; ++i) {
    if (i % 40 == 13) r.Add(run::NightLine(55686.5 + static_cast<double>(i) / 40));
    else r.Add(" 55686.6543  V1234 Cyg   EA  12.3  13.4  2011_May_ 4  19:42 123.  46.    I   nc " +
               std::to_string(i));
  }
  // A4 less 15 mm margins, Liberation Mono's metrics.
  const run::PageGeometry g{510.2, 756.9, 1.1328, 0.6001};
  const auto start = std::chrono::steady_clock::now();
  const run::Pagination p = run::Paginate(r, g);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld lines: %zu pages at %.1f pt in %.2f ms\n", lines, p.pages.size(), p.fontPt, ms);
  return 0;
}
