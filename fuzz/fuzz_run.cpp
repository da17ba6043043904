// The run, the report and the events' files on small random catalogues and
// run inputs: no crash, work bounded by the input (at most 6 stars and 4
// nights), and the fast engines giving exactly the literal engines' events,
// report and event values.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "astro/angles.h"
#include "fuzz_check.h"
#include "export/event_values.h"
#include "export/formats.h"
#include "run/prediction.h"
#include "run/report.h"

using namespace tevaro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  run::RunParameters p;
  p.longitudeDms = in.ConsumeFloatingPointInRange(-400.0, 400.0);
  p.latitudeDms = in.ConsumeFloatingPointInRange(-95.0, 95.0);
  p.longitude = astro::DmsToDegrees(p.longitudeDms);
  p.latitude = astro::DmsToDegrees(p.latitudeDms);
  p.standardZone = in.ConsumeIntegralInRange<std::int16_t>(-30, 30);
  p.year = in.ConsumeIntegralInRange<std::int16_t>(1900, 2100);
  p.month = in.ConsumeIntegralInRange<std::int16_t>(1, 12);
  p.day = in.ConsumeIntegralInRange<std::int16_t>(0, 32);
  p.dayCount = in.ConsumeIntegralInRange<std::int16_t>(1, 4);
  p.maxSunAltitude = in.ConsumeFloatingPointInRange(-90.0, 0.0);
  p.minStarAltitude = in.ConsumeFloatingPointInRange(0.0, 90.0);
  for (std::size_t k = 1; k <= 4; ++k) p.eventWanted[k] = in.ConsumeBool();
  p.ignoreEaSecondary = in.ConsumeIntegralInRange<std::int16_t>(0, 2);
  p.outputMode = in.ConsumeIntegralInRange<std::int16_t>(1, 3);
  p.dstEnabled = in.ConsumeBool();

  astro::LimitsTable limits;
  const int rows = in.ConsumeIntegralInRange(0, 4);
  double dec = -90;
  for (int r = 0; r < rows; ++r) {
    // The provider may round a hair past its upper end; rows stay ascending.
    dec = std::min(90.0, in.ConsumeFloatingPointInRange(dec, 90.0));
    limits.rows.push_back({dec, in.ConsumeFloatingPointInRange(-13.0, 0.0), in.ConsumeFloatingPointInRange(0.0, 13.0)});
  }
  data::StarTable stars;
  const int count = in.ConsumeIntegralInRange(1, 6);
  for (int k = 0; k < count; ++k) {
    data::StarEntry s;
    s.name = in.ConsumeRandomLengthString(20);
    s.raDms = in.ConsumeFloatingPointInRange(-50.0, 50.0);
    s.decDms = in.ConsumeFloatingPointInRange(-95.0, 95.0);
    s.epoch = in.ConsumeFloatingPointInRange(-2e6, 2e6);
    s.period = in.ConsumeFloatingPointInRange(-1.0, 50.0);
    s.varType = in.ConsumeBool() ? "EA" : "EW";
    s.comment = in.ConsumeRandomLengthString(30);
    stars.entries.push_back(s);
  }
  // The time choices: an epoch scale and, now and then, a named zone.
  static const char* const kZones[] = {"", "Europe/Berlin", "Australia/Sydney", "Asia/Kolkata", "America/St_Johns"};
  p.epochScale = static_cast<astro::EpochScale>(in.ConsumeIntegralInRange(0, 2));
  run::ApplyFieldChange(run::Field::Zone, kZones[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kZones) - 1)], p);
  // The whole-eclipse choice and the stars' durations, up to beyond a period.
  p.wholeEclipse = in.ConsumeBool();
  for (data::StarEntry& s : stars.entries)
    if (in.ConsumeBool()) s.durationHours = in.ConsumeFloatingPointInRange(-10.0, 1300.0);
  // The Moon on the night lines and the marks, both engines alike.
  p.moon = in.ConsumeBool();
  // The uncertainty and the stars' errors, absurd ones included: both
  // engines widen the whole-eclipse test alike and write the same marks.
  p.uncertainty = in.ConsumeBool();
  for (data::StarEntry& s : stars.entries) {
    if (in.ConsumeBool()) s.epochError = in.ConsumeFloatingPointInRange(-1.0, 1e3);
    if (in.ConsumeBool()) s.periodError = in.ConsumeFloatingPointInRange(-1e-2, 1.0);
  }

  const run::PredictionOutcome literal = run::RunPrediction(p, stars, limits, run::Engine::Literal);
  const run::PredictionOutcome fast = run::RunPrediction(p, stars, limits, run::Engine::Fast);
  FUZZ_CHECK(literal.events == fast.events);
  FUZZ_CHECK(literal.firstListed == fast.firstListed);
  if (fast.HasListed()) {
    const run::ReportNames names{"Site", "Limits.dat", "fuzz.csv"};
    const run::ReportBuffer report = run::BuildReport(fast, p, stars, names);
    FUZZ_CHECK(report.LineCount() > run::ReportHeaderLines(fast));
    FUZZ_CHECK(report.Bytes() == run::BuildReport(fast, p, stars, names, run::Engine::Literal).Bytes());

    const run::ListedRun listed{p, stars, limits, "Site", fast};
    const auto same = [](double a, double b) {
      return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
    };
    const std::vector<exports::EventValues> values = exports::ListedEventValues(listed, run::Engine::Fast);
    const std::vector<exports::EventValues> reference = exports::ListedEventValues(listed, run::Engine::Literal);
    FUZZ_CHECK(values.size() == reference.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
      const exports::EventValues &a = values[k], &b = reference[k];
      FUZZ_CHECK(same(a.altitude, b.altitude) && same(a.azimuth, b.azimuth) && same(a.airmass, b.airmass) &&
                 same(a.sunAltitude, b.sunAltitude) && same(a.cycle, b.cycle) && same(a.hourAngle, b.hourAngle));
    }
    std::string bytes;
    const auto keep = [&bytes](std::string_view piece) {
      bytes.append(piece);
      return true;
    };
    FUZZ_CHECK(exports::WriteEventsCsv(listed, {}, keep));
    FUZZ_CHECK(exports::WriteEventsIcs(listed, {}, keep));
  }
  return 0;
}
