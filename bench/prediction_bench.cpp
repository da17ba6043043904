// tevaro-bench [typical|full|time|export|named|cli|all]: times the prediction
// run and the report on a generated catalogue at the example site (Veltrin
// Observatory with the example limits), the events' CSV and iCalendar files,
// the same year from a star file with named columns against the design's
// layout, and tevaro-cli end to end writing the report to a file. Each scenario runs in a child process so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "astro/angles.h"
#include "bench_files.h"
#include "data/star_file.h"
#include "export/formats.h"
#include "run/prediction.h"
#include "run/report.h"
#include "support/catalogue.h"

namespace {

namespace fs = std::filesystem;

using namespace tevaro;
using Clock = std::chrono::steady_clock;

astro::LimitsTable ExampleLimits() {
  return {{{-30, -3.0, 3.0}, {0, -5.5, 5.5}, {60, -6.0, 6.0}, {90, -12, 12}}};
}

run::RunParameters Site(std::int16_t nights, std::array<bool, 5> events, std::int16_t mode) {
  run::RunParameters p;
  p.longitudeDms = 120.3015;
  p.longitude = astro::DmsToDegrees(p.longitudeDms);
  p.latitudeDms = 50.1230;
  p.latitude = astro::DmsToDegrees(p.latitudeDms);
  p.standardZone = 8;
  p.dstEnabled = true;
  p.year = 2025;
  p.month = 1;
  p.day = 1;
  p.dayCount = nights;
  p.maxSunAltitude = -12;
  p.minStarAltitude = 20;
  p.eventWanted = events;
  p.outputMode = mode;
  return p;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Processor time of the last Seconds, all threads together: on a machine
// shared with other work it shows the cost that wall time hides.
double lastCpu = 0;

double Seconds(const std::function<void()>& f) {
  const double c0 = CpuSeconds();
  const auto t0 = Clock::now();
  f();
  lastCpu = CpuSeconds() - c0;
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

long PeakMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}

void Typical() {
  const data::StarTable stars = testing::MakeCatalogue(1000, 1);
  const auto limits = ExampleLimits();
  const auto p = Site(7, {false, true, false, true, false}, 1);
  run::PredictionOutcome lit, fast;
  std::size_t lines = 0;
  const double tLit = Seconds([&] { lit = run::RunPrediction(p, stars, limits, run::Engine::Literal); });
  const double tFast = Seconds([&] { fast = run::RunPrediction(p, stars, limits, run::Engine::Fast); });
  const double tFast1 = Seconds([&] { run::RunPrediction(p, stars, limits, run::Engine::Fast, 1); });
  const double tBoth = Seconds([&] {
    auto o = run::RunPrediction(p, stars, limits, run::Engine::Fast);
    lines = run::BuildReport(o, p, stars, {"Veltrin Observatory", "Limits.dat", "bench"}).LineCount();
  });
  std::printf("typical night: 1000 stars, 7 nights, I and II, mode 1: %zu events, %zu report lines\n",
              fast.events.size(), lines);
  std::printf("  literal run        %9.4f s\n", tLit);
  std::printf("  fast run, 1 thread %9.4f s   (%.1fx)\n", tFast1, tLit / tFast1);
  std::printf("  fast run           %9.4f s   (%.1fx faster than literal)\n", tFast, tLit / tFast);
  std::printf("  fast run + report  %9.4f s\n", tBoth);
  std::printf("  same events: %s\n", lit.events == fast.events ? "yes" : "NO");
  std::printf("  peak memory %ld MiB\n", PeakMiB());
}

void Full(std::int16_t mode, bool literalToo) {
  const data::StarTable stars = testing::MakeCatalogue(10000, 2);
  const auto limits = ExampleLimits();
  const auto p = Site(365, {false, true, true, true, true}, mode);
  const run::ReportNames names{"Veltrin Observatory", "Limits.dat", "bench"};
  run::PredictionOutcome fast;
  run::ReportBuffer report;
  const double tFast = Seconds([&] { fast = run::RunPrediction(p, stars, limits, run::Engine::Fast); });
  const double cFast = lastCpu;
  const double tReport = Seconds([&] { report = run::BuildReport(fast, p, stars, names); });
  const double cReport = lastCpu;
  const std::size_t bytes = report.CharacterCount() + 2 * report.LineCount();
  std::printf("full capacity: 10000 stars, 365 nights, all four phases, mode %d: %zu events, %zu lines, %.1f MB\n",
              mode, fast.events.size(), report.LineCount(), static_cast<double>(bytes) / 1e6);
  std::printf("  fast run           %9.3f s   (cpu %.3f s)\n", tFast, cFast);
  std::printf("  report             %9.3f s   (cpu %.3f s; run + report %.3f s)\n", tReport, cReport, tFast + tReport);
  std::printf("  peak memory, run and report %ld MiB\n", PeakMiB());
  if (literalToo) {
    run::PredictionOutcome lit;
    const double tLit = Seconds([&] { lit = run::RunPrediction(p, stars, limits, run::Engine::Literal); });
    std::printf("  literal run        %9.3f s   (fast is %.1fx faster; run + report is %.3f of it)\n", tLit,
                tLit / tFast, (tFast + tReport) / tLit);
    std::printf("  literal run cpu    %9.3f s   (fast run cpu is %.1fx less; run + report cpu is %.3f of it)\n",
                lastCpu, lastCpu / cFast, (cFast + cReport) / lastCpu);
    std::printf("  same events: %s\n", lit.events == fast.events ? "yes" : "NO");
    lit = {};
    std::string literalBytes;
    const double tLitReport = Seconds([&] {
      literalBytes = run::BuildReport(fast, p, stars, names, run::Engine::Literal).Bytes();
    });
    std::printf("  literal report     %9.3f s   (fast is %.1fx faster; cpu %.3f s, %.1fx less)\n", tLitReport,
                tLitReport / tReport, lastCpu, lastCpu / cReport);
    std::printf("  same report bytes: %s\n", literalBytes == report.Bytes() ? "yes" : "NO");
  }
}

// The time choices on the full-capacity year: a named zone that never
// changes its clock (Etc/GMT+8 is zone 8) must give the events of zone 8;
// corrected epochs and a zone with daylight saving cost at most a little;
// so do the Moon and testing every minimum over its whole eclipse, every star
// having a duration of a tenth of its period (each at most 1.5 times the
// defaults). Showing the uncertainty, every star giving errors that mark
// nearly every line, costs at most 1.1 times the same run without it.
void TimeChoices() {
  const data::StarTable stars = testing::MakeCatalogue(10000, 2);
  data::StarTable withDurations = stars;
  for (data::StarEntry& s : withDurations.entries) s.durationHours = 2.4 * s.period;
  // Errors that give sigmas of minutes to hours over the stars' cycles.
  data::StarTable withErrors = stars, withBoth = withDurations;
  for (data::StarTable* t : {&withErrors, &withBoth})
    for (data::StarEntry& s : t->entries) {
      s.epochError = 0.002;
      s.periodError = 2e-6 * s.period;
    }
  const auto limits = ExampleLimits();
  const run::ReportNames names{"Veltrin Observatory", "Limits.dat", "bench"};
  run::RunParameters base = Site(365, {false, true, true, true, true}, 1);
  base.dstEnabled = false;
  struct Choice {
    const char* what;
    astro::EpochScale scale;
    const char* zone;
    bool wholeEclipse = false;
    bool moon = false;
    bool uncertainty = false;
  };
  const Choice choices[] = {{"defaults (zone 8)", astro::EpochScale::HjdAsUt, ""},
                            {"Etc/GMT+8", astro::EpochScale::HjdAsUt, "Etc/GMT+8"},
                            {"hjd, America/Vancouver", astro::EpochScale::Hjd, "America/Vancouver"},
                            {"bjd, America/Vancouver", astro::EpochScale::Bjd, "America/Vancouver"},
                            {"whole eclipse", astro::EpochScale::HjdAsUt, "", true, false},
                            {"Moon (zone 8)", astro::EpochScale::HjdAsUt, "", false, true},
                            {"uncertainty", astro::EpochScale::HjdAsUt, "", false, false, true},
                            {"eclipse + uncertainty", astro::EpochScale::HjdAsUt, "", true, false, true}};
  std::printf("time choices: 10000 stars, 365 nights, all four phases, mode 1\n");
  double baseSeconds = 0, eclipseSeconds = 0;
  std::vector<run::EventEntry> baseEvents;
  for (const Choice& c : choices) {
    run::RunParameters p = base;
    p.epochScale = c.scale;
    run::ApplyFieldChange(run::Field::Zone, c.zone, p);
    p.wholeEclipse = c.wholeEclipse;
    const data::StarTable& table = c.uncertainty ? (c.wholeEclipse ? withBoth : withErrors)
                                                 : (c.wholeEclipse ? withDurations : stars);
    p.moon = c.moon;
    p.uncertainty = c.uncertainty;
    run::PredictionOutcome o;
    const double tRun = Seconds([&] { o = run::RunPrediction(p, table, limits, run::Engine::Fast); });
    const double cRun = lastCpu;
    std::size_t lines = 0;
    const double tReport = Seconds([&] { lines = run::BuildReport(o, p, table, names).LineCount(); });
    // Processor time is the steadier measure on a machine shared with other work.
    const double cpu = cRun + lastCpu;
    if (baseSeconds == 0) {
      baseSeconds = cpu;
      baseEvents = o.events;
    }
    std::printf("  %-24s run %6.3f s, report %6.3f s, cpu %6.3f s: %5.2f x defaults' cpu; %zu events, %zu lines%s\n",
                c.what, tRun, tReport, cpu, cpu / baseSeconds, o.events.size(), lines,
                c.zone == std::string("Etc/GMT+8") ? (o.events == baseEvents ? "; same events" : "; OTHER EVENTS") : "");
    if (c.wholeEclipse) {
      std::size_t partial = 0;
      for (const run::EventEntry& e : o.events) partial += e.partial;
      std::printf("  %-24s %zu of the minima only partly observable\n", "", partial);
    }
    if (c.wholeEclipse && !c.uncertainty) eclipseSeconds = cpu;
    if (c.uncertainty)
      std::printf("  %-24s %5.2f x the cpu without it (at most 1.1)\n", "",
                  cpu / (c.wholeEclipse ? eclipseSeconds : baseSeconds));
  }
}

// tevaro-cli as a user runs it: the full-capacity year from a star data file
// into a report file (written, synced and renamed), timed from start to exit.
void Cli(const std::string& self) {
  const fs::path cli = fs::absolute(fs::path(self)).parent_path() / "tevaro-cli";
  const fs::path dir = fs::temp_directory_path() / ("tevaro-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  bench::WriteStarFile(dir / "stars.csv", testing::MakeCatalogue(10000, 2));
  bench::WriteSiteFiles(dir);
  const std::vector<std::string> args = {cli.string(), "--stars", "stars.csv", "--site", "0", "--date", "2025-01-01",
                                         "--nights", "365", "--max-sun", "-12", "--min-star", "20",
                                         "--events", "I,.25,II,.75", "--columns", "altaz", "--dst",
                                         "-o", "report.txt"};
  std::fflush(stdout);
  const auto t0 = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage u{};
  wait4(pid, &status, 0, &u);
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  std::error_code ec;
  const auto size = fs::file_size(dir / "report.txt", ec);
  std::printf("tevaro-cli, full capacity, mode 1, -o to a file: exit %d, %.1f MB written\n",
              WIFEXITED(status) ? WEXITSTATUS(status) : -1, ec ? 0.0 : static_cast<double>(size) / 1e6);
  std::printf("  end to end         %9.3f s wall, %.3f s cpu\n", wall,
              static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                  static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6);
  std::printf("  peak memory %ld MiB\n", u.ru_maxrss / 1024);
  fs::remove_all(dir, ec);
}

// The full-capacity year from a star file, load, run and report, once from
// the design's nine-field layout and once from named columns holding the
// same stars. Both files have the same name, so that the reports are the
// same bytes.
void NamedColumns() {
  const data::StarTable stars = testing::MakeCatalogue(10000, 2);
  const fs::path dir = fs::temp_directory_path() / ("tevaro-bench-named-" + std::to_string(getpid()));
  fs::create_directories(dir / "design");
  fs::create_directories(dir / "named");
  bench::WriteStarFile(dir / "design" / "stars.csv", stars);
  bench::WriteStarFile(dir / "named" / "stars.csv", stars, true);
  const auto limits = ExampleLimits();
  const auto p = Site(365, {false, true, true, true, true}, 1);
  std::printf("star file layouts: full capacity, mode 1, load + run + report\n");
  double designCpu = 0;
  std::string designReport;
  for (const char* layout : {"design", "named"}) {
    std::string report;
    double load = 0, loadCpu = 0;
    const double total = Seconds([&] {
      data::LoadResult<data::StarTable> loaded = data::StarTable{};
      load = Seconds([&] { loaded = data::LoadStarFile((dir / layout / "stars.csv").string()); });
      loadCpu = lastCpu;
      if (!loaded) return;
      const auto o = run::RunPrediction(p, loaded.value(), limits, run::Engine::Fast);
      report = run::BuildReport(o, p, loaded.value(), {"Veltrin Observatory", "Limits.dat", "stars.csv"}).Bytes();
    });
    if (designCpu == 0) {
      designCpu = lastCpu;
      designReport = report;
    }
    std::printf("  %-6s columns     %9.3f s   (cpu %.3f s, %.2f x the design file's; "
                "load %.3f s, cpu %.3f s)%s\n",
                layout, total, lastCpu, lastCpu / designCpu, load, loadCpu,
                report.empty() ? "; NOT LOADED" : report == designReport ? "; same report" : "; OTHER REPORT");
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

void InChild(const std::function<void()>& f) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    f();
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

}  // namespace

// The events' files: a full-capacity year as CSV beside its report, and the
// iCalendar file of 30 nights of the example stars.
void Export() {
  run::ListedRun year{Site(365, {false, true, true, true, true}, 1), testing::MakeCatalogue(10000, 2),
                      ExampleLimits(), "Veltrin Observatory", std::nullopt};
  const run::PredictionOutcome& o = year.outcome();
  std::size_t reportLines = 0, csvBytes = 0;
  const double tReport = Seconds([&] {
    reportLines = run::BuildReport(o, year.params, year.stars, {"Veltrin Observatory", "Limits.dat", "bench"}).LineCount();
  });
  const double cReport = lastCpu;
  auto count = [&csvBytes](std::string_view piece) {
    csvBytes += piece.size();
    return true;
  };
  const double tCsv = Seconds([&] { exports::WriteEventsCsv(year, {}, count); });
  std::printf("events out: full capacity, mode 1: %zu events, %zu report lines, CSV %.1f MB\n", o.events.size(),
              reportLines, static_cast<double>(csvBytes) / 1e6);
  std::printf("  report             %9.3f s   (cpu %.3f s)\n", tReport, cReport);
  std::printf("  CSV                %9.3f s   (cpu %.3f s; %.1fx the report)\n", tCsv, lastCpu, tCsv / tReport);
  // The same file written where the bench runs, as Export events writes it.
  const std::string path = (fs::temp_directory_path() / "tevaro-bench-events.csv").string();
  const double tFile = Seconds([&] { exports::WriteEventsFile(year, path, *exports::FormatNamed("csv")); });
  std::printf("  CSV to a file      %9.3f s   (cpu %.3f s)\n", tFile, lastCpu);
  std::error_code ec;
  fs::remove(path, ec);

  auto stars = data::LoadStarFile(std::string(TEVARO_EXAMPLES_DIR) + "/stars.csv");
  if (!stars) return;
  run::ListedRun month{Site(30, {false, true, false, true, false}, 1), stars.value(), ExampleLimits(),
                       "Veltrin Observatory", std::nullopt};
  std::size_t icsBytes = 0;
  const std::size_t events = month.outcome().events.size();
  const double tIcs = Seconds([&] {
    exports::WriteEventsIcs(month, {}, [&](std::string_view piece) {
      icsBytes += piece.size();
      return true;
    });
  });
  std::printf("  iCalendar, example stars, 30 nights, I and II: %zu events, %.1f kB in %.3f s\n", events,
              static_cast<double>(icsBytes) / 1e3, tIcs);
}

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "all";
  std::string cpu = "unknown CPU";
  std::ifstream info("/proc/cpuinfo");
  for (std::string line; std::getline(info, line);)
    if (line.rfind("model name", 0) == 0) {
      cpu = line.substr(std::min(line.size(), line.find(':') + 2));
      break;
    }
  std::printf("machine: %s, %u hardware threads\n", cpu.c_str(), std::thread::hardware_concurrency());
  if (what == "typical" || what == "all") InChild(Typical);
  if (what == "full" || what == "all") {
    InChild([] { Full(1, true); });
    InChild([] { Full(2, false); });
    InChild([] { Full(3, false); });
  }
  if (what == "time" || what == "all") InChild(TimeChoices);
  if (what == "export" || what == "all") InChild(Export);
  if (what == "named" || what == "all") InChild(NamedColumns);
  if (what == "cli" || what == "all") Cli(argv[0]);
  return 0;
}
