#include "run/prediction.h"

#include "run/star_check.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "astro/daylight.h"
#include "astro/sun.h"
#include "data/text.h"
#include "run/star_check.h"

namespace tevaro::run {

namespace {

using astro::DegreesPerRadian;

// What a run fixes once: the zone in force, the span and the epoch.
struct RunFrame {
  std::int16_t zone = 0;
  bool daylightSaving = false;
  std::int32_t eveningDayNumber = 0;
  double rjdStart = 0;  // 18:00 local on the evening date, UT
  double rjdEnd = 0;    // 06:00 local after the last night
  double epoch = 2000;  // year with fraction, for precession
};

RunFrame FrameOf(const RunParameters& p) {
  RunFrame f;
  f.eveningDayNumber = astro::DayNumber(p.year, p.month, p.day);
  f.daylightSaving = p.dstEnabled && astro::IsDaylightSavingDate(p.year, p.month, p.day);
  f.zone = static_cast<std::int16_t>(f.daylightSaving ? p.standardZone - 1 : p.standardZone);
  const double rjdJan1 = astro::CalendarToRjdAt(p.year, 1, 1, 0, 0, 0);
  f.rjdStart = astro::CalendarToRjdAt(p.year, p.month, p.day, static_cast<std::int16_t>(f.zone + 18), 0, 0);
  f.rjdEnd = f.rjdStart + p.dayCount - 0.5;
  f.epoch = p.year + (f.rjdStart - rjdJan1) / 365.2422;
  return f;
}

// Run-time values of one star.
struct StarSky {
  double raOfDateDegrees = 0;
  double decOfDate = 0;
  double eastLimit = -12;
  double westLimit = 12;
  double eStart = 0;  // first cycle of the walk (a half cycle)
  double eEnd = -1;   // last quarter cycle at or before the end of the span
};

// False for a star that can yield no event: one whose period, epoch or
// position no run can use (named when its file loads).
bool SkyOf(const data::StarEntry& s, const astro::LimitsTable& limits, const RunFrame& f, StarSky& sky) {
  if (UnusableReason(s)) return false;
  const double raHours = astro::DmsToDegrees(s.raDms);
  const double decDegrees = astro::DmsToDegrees(s.decDms);
  const astro::Equatorial ofDate = astro::PrecessCoordinates(2000.0, raHours, decDegrees, f.epoch);
  sky.raOfDateDegrees = ofDate.raHours * 15;
  sky.decOfDate = ofDate.decDeg;
  if (!limits.rows.empty()) {
    const astro::HourAngleLimits l = astro::LookupSiteLimits(limits, decDegrees);
    sky.eastLimit = l.eastHours;
    sky.westLimit = l.westHours;
  }
  // Listing starts after the last half cycle at or before the span's start;
  // the walk goes on to the last quarter cycle at or before its end, so a
  // maximum in the final half cycle is not lost.
  sky.eStart = std::floor(2 * (f.rjdStart - s.epoch) / s.period + 0.000000001) * 0.5;
  sky.eEnd = std::floor(4 * (f.rjdEnd - s.epoch) / s.period + 0.000000001) * 0.25;
  // A cycle number too large to step by a quarter, or a period so short that
  // the walk would take tens of millions of steps (no binary is that fast),
  // yields no event rather than a run that never ends.
  return std::isfinite(sky.eStart) && std::isfinite(sky.eEnd) && sky.eStart + 0.25 != sky.eStart &&
         sky.eEnd - sky.eStart <= 2.5e6;
}

// Phase index 1..4 of cycle number e; floored, so cycles before the epoch get
// all four phases too.
int PhaseOf(double e) {
  const auto q = static_cast<long long>(std::nearbyint(4 * e + 0.0000001));
  const long long r = q % 4;
  return static_cast<int>(r < 0 ? r + 4 : r) + 1;
}

double HourAngleOf(double lst, const StarSky& sky) {
  double h = lst - sky.raOfDateDegrees / 15;
  if (h > 12) h -= 24;
  if (h < -12) h += 24;
  return h;
}

double SunAltitude(double t, double lst, double latitude) {
  const double lambda = astro::SunLongitude(t);
  const astro::EquatorialDeg sun = astro::EclipticToEquatorial(lambda, 0);
  return 90 - astro::HorizonCoordinates(latitude, lst, sun.raDeg, sun.decDeg).zenithDistanceDeg;
}

bool IsEa(const data::StarEntry& s) { return data::CharacterPrefix(s.varType, 2) == "EA"; }

// Appends the event of a candidate that passed all four tests, unless the EA
// filter drops it.
void Append(std::vector<EventEntry>& out, const RunParameters& p, const data::StarEntry& s,
            std::uint32_t index, const StarSky& sky, int phase, double t, double h,
            const astro::Horizon& hz) {
  if (p.ignoreEaSecondary == 1 && phase == 3 && IsEa(s)) return;
  EventEntry e;
  e.time = t;
  e.star = index;
  e.phase = static_cast<std::uint8_t>(phase);
  switch (p.outputMode) {
    case 1:
      e.column1 = hz.azimuthDeg;
      e.column2 = 90 - hz.zenithDistanceDeg;
      break;
    case 2:
      e.column1 = h;
      // The airmass divides by 57.296, not DegreesPerRadian: the printed
      // airmass has always been computed so, and reports must not change.
      e.column2 = 1 / std::cos(hz.zenithDistanceDeg / 57.296);
      break;
    default:
      e.column1 = h;
      e.column2 = s.decDms;
      break;
  }
  e.close = h - sky.eastLimit < 1.5 || sky.westLimit - h < 1.5;
  out.push_back(e);
}

// The walk of one star, one candidate at a time with every test in full.
void WalkLiteral(std::vector<EventEntry>& out, const RunParameters& p, const data::StarEntry& s,
                 std::uint32_t index, const StarSky& sky) {
  for (double e = sky.eStart; e <= sky.eEnd; e += 0.25) {
    const int phase = PhaseOf(e);
    if (!p.eventWanted[static_cast<std::size_t>(phase)]) continue;
    const double t = s.epoch + e * s.period;
    const double lst = astro::LocalSiderealTime(t, p.longitude);
    const astro::Horizon hz = astro::HorizonCoordinates(p.latitude, lst, sky.raOfDateDegrees, sky.decOfDate);
    const double altitude = 90 - hz.zenithDistanceDeg;
    const double sunAltitude = SunAltitude(t, lst, p.latitude);
    const double h = HourAngleOf(lst, sky);
    if (altitude > p.minStarAltitude && sunAltitude < p.maxSunAltitude && h > sky.eastLimit &&
        h < sky.westLimit)
      Append(out, p, s, index, sky, phase, t, h, hz);
  }
}

// The Sun's altitude over the span, sampled every five minutes with the same
// routines as the literal walk. Between samples the altitude cannot differ
// from the straight line by more than (rate x step / 2) = 0.252 deg/min x
// 2.5 min = 0.63 deg, so a sample-based answer farther than kMargin from the
// limit is certain; closer ones are computed in full.
class SunTable {
 public:
  static constexpr double kStep = 1.0 / 288;  // days
  static constexpr double kMargin = 1.0;      // degrees

  SunTable(const RunParameters& p, const RunFrame& f) : maxSun_(p.maxSunAltitude), latitude_(p.latitude) {
    start_ = f.rjdStart - 1;
    const auto n = static_cast<std::size_t>(std::ceil((f.rjdEnd + 1 - start_) / kStep)) + 2;
    alt_.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      const double t = start_ + static_cast<double>(k) * kStep;
      alt_[k] = SunAltitude(t, astro::LocalSiderealTime(t, p.longitude), latitude_);
    }
  }

  // True when the Sun is strictly below the limit at t (lst is the sidereal time at t).
  bool Low(double t, double lst) const {
    const double x = (t - start_) / kStep;
    if (x >= 0 && x < static_cast<double>(alt_.size() - 1)) {
      const auto k = static_cast<std::size_t>(x);
      const double u = x - static_cast<double>(k);
      const double v = alt_[k] + (alt_[k + 1] - alt_[k]) * u;
      if (v < maxSun_ - kMargin) return true;
      if (v > maxSun_ + kMargin) return false;
    }
    return SunAltitude(t, lst, latitude_) < maxSun_;
  }

 private:
  double maxSun_, latitude_, start_;
  std::vector<double> alt_;
};

// What the fast walk keeps for the whole run.
struct FastContext {
  const RunParameters& p;
  const SunTable& sun;
  double sinLat, cosLat;
  double cosZenithLimit;  // cos of the zenith distance at the star altitude limit
  bool noneHighEnough;    // a limit of 90 degrees or more: no star passes
};

// The fast walk of one star: the same candidates and the same arithmetic,
// with the cheap hour-angle test first, the star's trigonometry kept, and the
// star altitude and Sun decided from safe bounds where they are certain.
void WalkFast(std::vector<EventEntry>& out, const FastContext& c, const data::StarEntry& s,
              std::uint32_t index, const StarSky& sky) {
  const RunParameters& p = c.p;
  if (c.noneHighEnough || !(sky.eastLimit < sky.westLimit)) return;
  const double dec = sky.decOfDate / DegreesPerRadian;
  const double sinDec = std::sin(dec), cosDec = std::cos(dec);
  // An error of 1e-6 in a cosine is far above the rounding of the full
  // computation (1e-8 degrees in the zenith distance).
  const double cLow = c.cosZenithLimit - 1e-6, cHigh = c.cosZenithLimit + 1e-6;

  for (double e = sky.eStart; e <= sky.eEnd; e += 0.25) {
    const int phase = PhaseOf(e);
    if (!p.eventWanted[static_cast<std::size_t>(phase)]) continue;
    const double t = s.epoch + e * s.period;
    const double lst = astro::LocalSiderealTime(t, p.longitude);
    const double h = HourAngleOf(lst, sky);
    if (!(h > sky.eastLimit && h < sky.westLimit)) continue;

    const double hRad = (lst * 15 - sky.raOfDateDegrees) / DegreesPerRadian;
    const double cz = astro::CosZenithDistance(c.sinLat, c.cosLat, sinDec, cosDec, hRad);
    if (cz < cLow) continue;
    if (cz <= cHigh && !(90 - astro::ArcCosDeg(cz) > p.minStarAltitude)) continue;
    if (!c.sun.Low(t, lst)) continue;

    const astro::Horizon hz = astro::HorizonCoordinates(p.latitude, lst, sky.raOfDateDegrees, sky.decOfDate);
    Append(out, p, s, index, sky, phase, t, h, hz);
  }
}

}  // namespace

PredictionOutcome RunPrediction(const RunParameters& p, const data::StarTable& stars,
                                const astro::LimitsTable& limits, Engine engine, unsigned threads) {
  const RunFrame f = FrameOf(p);
  PredictionOutcome outcome;
  outcome.zone = f.zone;
  outcome.eveningDayNumber = f.eveningDayNumber;
  outcome.daylightSaving = f.daylightSaving;
  outcome.label23Caption = f.daylightSaving ? "DAYLIGHT SAVINGS TIME" : "";

  const std::size_t n = stars.entries.size();
  std::vector<EventEntry>& events = outcome.events;
  if (engine == Engine::Literal) {
    for (std::size_t i = 0; i < n; ++i) {
      StarSky sky;
      if (SkyOf(stars.entries[i], limits, f, sky))
        WalkLiteral(events, p, stars.entries[i], static_cast<std::uint32_t>(i), sky);
    }
  } else {
    const SunTable sun(p, f);
    const double zLimit = 90 - p.minStarAltitude;
    const FastContext c{p, sun, std::sin(p.latitude / DegreesPerRadian), std::cos(p.latitude / DegreesPerRadian),
                        std::cos(zLimit / DegreesPerRadian), !(zLimit > 0)};
    // Stars in blocks, each block's events in its own list, joined in star
    // order: the list is the same as one walk in star order gives.
    constexpr std::size_t kBlock = 64;
    const std::size_t blocks = (n + kBlock - 1) / kBlock;
    std::vector<std::vector<EventEntry>> found(blocks);
    std::atomic<std::size_t> next{0};
    auto work = [&] {
      for (std::size_t b; (b = next.fetch_add(1)) < blocks;) {
        for (std::size_t i = b * kBlock; i < std::min(n, (b + 1) * kBlock); ++i) {
          StarSky sky;
          if (SkyOf(stars.entries[i], limits, f, sky))
            WalkFast(found[b], c, stars.entries[i], static_cast<std::uint32_t>(i), sky);
        }
      }
    };
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, blocks)));
    std::vector<std::thread> pool;
    for (unsigned k = 1; k < threads; ++k) pool.emplace_back(work);
    work();
    for (auto& th : pool) th.join();
    std::size_t total = 0;
    for (const auto& v : found) total += v.size();
    events.reserve(total);
    for (auto& v : found) events.insert(events.end(), v.begin(), v.end());
  }

  astro::SortEventList(events, [](const EventEntry& e) { return e.time; });
  outcome.firstListed = events.size();
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (f.rjdStart < events[i].time && events[i].time < f.rjdEnd) {
      outcome.firstListed = i;
      break;
    }
  }
  return outcome;
}

}  // namespace tevaro::run
