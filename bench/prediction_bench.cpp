// tevaro-bench [typical|full|all]: times the prediction run on a generated
// catalogue at the example site (Veltrin Observatory with the example limits).
// Each scenario runs in a child process so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "astro/angles.h"
#include "run/prediction.h"
#include "run/report.h"
#include "support/catalogue.h"

namespace {

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

double Seconds(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
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
  run::PredictionOutcome fast;
  std::size_t lines = 0, bytes = 0;
  const double tFast = Seconds([&] { fast = run::RunPrediction(p, stars, limits, run::Engine::Fast); });
  const double tReport = Seconds([&] {
    const auto r = run::BuildReport(fast, p, stars, {"Veltrin Observatory", "Limits.dat", "bench"});
    lines = r.LineCount();
    bytes = r.Bytes().size();
  });
  std::printf("full capacity: 10000 stars, 365 nights, all four phases, mode %d: %zu events, %zu lines, %.1f MB\n",
              mode, fast.events.size(), lines, static_cast<double>(bytes) / 1e6);
  std::printf("  fast run           %9.3f s\n", tFast);
  std::printf("  report             %9.3f s   (run + report %.3f s)\n", tReport, tFast + tReport);
  if (literalToo) {
    run::PredictionOutcome lit;
    const double tLit = Seconds([&] { lit = run::RunPrediction(p, stars, limits, run::Engine::Literal); });
    std::printf("  literal run        %9.3f s   (fast is %.1fx faster)\n", tLit, tLit / tFast);
    std::printf("  same events: %s\n", lit.events == fast.events ? "yes" : "NO");
  }
  std::printf("  peak memory %ld MiB\n", PeakMiB());
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

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "all";
  if (what == "typical" || what == "all") InChild(Typical);
  if (what == "full" || what == "all") {
    InChild([] { Full(1, true); });
    InChild([] { Full(2, false); });
    InChild([] { Full(3, false); });
  }
  return 0;
}
