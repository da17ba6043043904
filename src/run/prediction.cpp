#include "run/prediction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "astro/daylight.h"
#include "astro/sun.h"
#include "data/text.h"
#include "run/elements.h"
#include "run/number_input.h"
#include "run/parallel.h"
#include "run/star_check.h"

namespace tevaro::run {

namespace {

using astro::DegreesPerRadian;

// The scales a star's epoch may be given on, as indexes.
constexpr std::size_t kScaleCount = std::size(astro::kEpochScales);
std::size_t ScaleIndex(astro::EpochScale scale) { return static_cast<std::size_t>(scale); }

// The scale of a star's epoch in a run: its own or the run's.
astro::EpochScale ScaleOf(const RunParameters& p, const data::StarEntry& s) {
  return s.epochScale.value_or(p.epochScale);
}

// What a run fixes once: the zone in force, the span, the epoch and the
// light-time corrections.
struct RunFrame {
  std::int16_t zone = 0;
  bool daylightSaving = false;
  std::int32_t eveningDayNumber = 0;
  double rjdStart = 0;  // 18:00 local on the evening date, UT
  double rjdEnd = 0;    // 06:00 local after the last night
  double epoch = 2000;  // year with fraction, for precession
  RunClock clock;
  // The correction of each scale that a usable star's epoch is given on;
  // the others are left as the identity and never read.
  std::array<astro::LightTimeModel, kScaleCount> light;
  std::array<bool, kScaleCount> scaleUsed{};
  // The Moon over the span, with a day to spare; null with the Moon off.
  std::shared_ptr<const astro::MoonModel> moon;
};

RunFrame FrameOf(const RunParameters& p, const data::StarTable& stars) {
  RunFrame f;
  f.eveningDayNumber = astro::DayNumber(p.year, p.month, p.day);
  // The zone was looked up when its name was set: the run never looks up a
  // name, so it cannot quietly fall back to hours.
  const std::optional<astro::NamedZone>& named = p.namedZone;
  if (named) {
    // The night starts at 18:00 and ends at 06:00 on the clock of that
    // evening and morning; whole RJD values fall at local noon.
    f.rjdStart = named->UtcOfLocal(f.eveningDayNumber + 0.25);
    f.rjdEnd = named->UtcOfLocal(f.eveningDayNumber + p.dayCount - 0.25);
    const astro::ZoneSpan first = named->SpanAt(f.rjdStart);
    // A whole-hour zone takes the span's arithmetic of a zone in hours, so
    // that a zone that keeps its clock (Etc/GMT+8) gives that zone's run
    // bit for bit.
    if (first.offsetSeconds % 3600 == 0) {
      const auto hours = static_cast<std::int16_t>(-first.offsetSeconds / 3600);
      f.rjdStart = astro::CalendarToRjdAt(p.year, p.month, p.day, static_cast<std::int16_t>(hours + 18), 0, 0);
      if (named->SpanAt(f.rjdEnd).offsetSeconds == first.offsetSeconds) f.rjdEnd = f.rjdStart + p.dayCount - 0.5;
    }
    f.daylightSaving = first.daylightSaving;
    f.zone = NearestInt16(-first.offsetSeconds / 3600.0).value_or(0);
    f.clock = RunClock(*named, named->SpansOver(f.rjdStart - 1, f.rjdEnd + 1));
    f.epoch = RunEpochAt(p, f.rjdStart);
  } else {
    f.daylightSaving = p.dstEnabled && astro::IsDaylightSavingDate(p.year, p.month, p.day);
    f.zone = static_cast<std::int16_t>(f.daylightSaving ? p.standardZone - 1 : p.standardZone);
    f.rjdStart = astro::CalendarToRjdAt(p.year, p.month, p.day, static_cast<std::int16_t>(f.zone + 18), 0, 0);
    f.rjdEnd = f.rjdStart + p.dayCount - 0.5;
    f.epoch = RunEpoch(p, f.zone);
    f.clock = RunClock(f.zone);
  }
  // Stars that can give no event do not count: their scales are not used.
  for (const data::StarEntry& s : stars.entries)
    if (!UnusableReason(s)) f.scaleUsed[ScaleIndex(ScaleOf(p, s))] = true;
  for (const astro::EpochScaleTexts& t : astro::kEpochScales)
    if (f.scaleUsed[ScaleIndex(t.scale)] && t.scale != astro::EpochScale::HjdAsUt)
      f.light[ScaleIndex(t.scale)] = astro::LightTimeModel(t.scale, f.rjdStart - 1, f.rjdEnd + 1);
  if (p.moon) f.moon = std::make_shared<const astro::MoonModel>(f.rjdStart - 1, f.rjdEnd + 1, p.longitude, p.latitude);
  return f;
}

// Run-time values of one star. The walk steps by quarter cycles e: the
// event of e is the primary, a maximum or the secondary by e's phase.
struct StarSky : StarPlace {
  double eStart = 0;    // first quarter of the primaries and maxima (a half cycle)
  double eEnd = -1;     // their last quarter: at or before the end of the span
  double eStartII = 0;  // the same for the secondaries, whose instants lie
  double eEndII = -1;   // off the quarters' when the secondary phase is not 0.5
  double eFirst = 0;    // the walk: the first of both ranges to the last
  double eLast = -1;
  // How far an event may be seen from its quarter's element instant, days:
  // the light time and the secondary's displacement. The walk looks this
  // much beyond the span.
  double reach = 0;
  const astro::LightTimeModel* light = nullptr;  // the correction of the star's scale
  astro::Vector3 direction;  // J2000 direction, for the light time
  astro::Vector3 ofDate;     // on the Moon's axes, for its distance; only with the Moon on
};

// True when quarter e of `phase` is in the star's walk.
inline bool InWalk(const StarSky& sky, double e, int phase) {
  return phase == 3 ? e >= sky.eStartII && e <= sky.eEndII : e >= sky.eStart && e <= sky.eEnd;
}

// The cycle number of the event of quarter e: for the secondary of cycle E,
// E + its phase (e itself at phase 0.5); e for the others.
inline double CycleOf(const data::StarEntry& s, double e, int phase) {
  return phase == 3 && s.secondaryPhase != 0.5 ? std::floor(e) + s.secondaryPhase : e;
}

// The instant at which the event of cycle number `cycle` is seen from the Earth.
inline double EventTime(const data::StarEntry& s, const StarSky& sky, double cycle) {
  const double t = s.epoch + cycle * s.period;
  return sky.light->IsIdentity() ? t : sky.light->EarthUtc(t, sky.direction);
}

// False for a star that can yield no event: one whose period, epoch or
// position no run can use (named when its file loads).
bool SkyOf(const RunParameters& p, const data::StarEntry& s, const astro::LimitsTable& limits, const RunFrame& f,
           StarSky& sky) {
  if (UnusableReason(s)) return false;
  static_cast<StarPlace&>(sky) = PlaceOfDate(s, limits, f.epoch);
  sky.light = &f.light[ScaleIndex(ScaleOf(p, s))];
  // Listing starts after the last half cycle at or before the span's start;
  // the walk goes on to the last quarter cycle at or before its end, so a
  // maximum in the final half cycle is not lost. With light time an element
  // instant up to `shift` outside the span may be seen inside it.
  const double shift = sky.light->IsIdentity() ? 0 : astro::kMaxLightTimeShiftDays;
  sky.eStart = std::floor(2 * (f.rjdStart - shift - s.epoch) / s.period + 0.000000001) * 0.5;
  sky.eEnd = std::floor(4 * (f.rjdEnd + shift - s.epoch) / s.period + 0.000000001) * 0.25;
  // The secondary of quarter e (E + 0.5) lies `off` cycles from it: its
  // quarters are those whose secondaries fall in the same range of cycles.
  const double off = s.secondaryPhase - 0.5;
  sky.eStartII = sky.eStart;
  sky.eEndII = sky.eEnd;
  if (off != 0) {
    sky.eStartII = std::floor(2 * ((f.rjdStart - shift - s.epoch) / s.period - off) + 0.000000001) * 0.5;
    sky.eEndII = std::floor(4 * ((f.rjdEnd + shift - s.epoch) / s.period - off) + 0.000000001) * 0.25;
  }
  sky.eFirst = std::min(sky.eStart, sky.eStartII);
  sky.eLast = std::max(sky.eEnd, sky.eEndII);
  sky.reach = shift + std::fabs(off) * s.period;
  if (!sky.light->IsIdentity() || f.moon)
    sky.direction = astro::DirectionOf(astro::DmsToDegrees(s.raDms), astro::DmsToDegrees(s.decDms));
  if (f.moon) sky.ofDate = f.moon->OfDate(sky.direction);
  // A cycle number too large to step by a quarter, or a period so short that
  // the walk would take tens of millions of steps (no binary is that fast),
  // yields no event rather than a run that never ends.
  return std::isfinite(sky.eFirst) && std::isfinite(sky.eLast) && std::isfinite(off) &&
         sky.eFirst + 0.25 != sky.eFirst && sky.eLast - sky.eFirst <= 2.5e6;
}

// Phase index 1..4 of cycle number e; floored, so cycles before the epoch get
// all four phases too.
int PhaseOf(double e) {
  const auto q = static_cast<long long>(std::nearbyint(4 * e + 0.0000001));
  const long long r = q % 4;
  return static_cast<int>(r < 0 ? r + 4 : r) + 1;
}

bool IsEa(const data::StarEntry& s) { return data::CharacterPrefix(s.varType, 2) == "EA"; }

// The longest step between the instants at which an eclipse is tested, days.
constexpr double kEclipseStep = 10.0 / 1440;

// The length in hours of the eclipse over which the minimum of `phase` is
// tested; nothing when it is not tested (the choice off, a maximum, a star
// without a duration).
std::optional<double> TestedEclipseHours(const RunParameters& p, const data::StarEntry& s, int phase) {
  return p.wholeEclipse ? EclipseHours(s, phase) : std::nullopt;
}

// Half the span tested for the eclipse of `durationHours` at cycle `cycle`,
// days: half the eclipse and, when the run shows how far off a prediction
// may be, twice its sigma at each end, so that " part" then says that some of
// the eclipse's likely span is lost.
double EclipseHalfSpan(const RunParameters& p, const data::StarEntry& s, double durationHours, double cycle) {
  return durationHours / 48 + (p.uncertainty ? 2 * PredictionSigmaDays(s, cycle) : 0);
}

// True when the span of half-width `half` (days) centred on t (whose middle
// has passed) passes `observable` at its start and end and at evenly spaced
// instants between, at most kEclipseStep apart. Both engines test the same
// instants, so they mark the same events; `certainBetween(start, end)` may
// answer for the instants between when it knows that all of them pass.
template <class Observable, class Certain>
bool WholeEclipseObservable(double t, double half, Observable&& observable, Certain&& certainBetween) {
  const double start = t - half, end = t + half;
  if (!observable(start) || !observable(end)) return false;
  if (certainBetween(start, end)) return true;
  const double steps = std::ceil(2 * half / kEclipseStep);
  // However long the eclipse, the Sun rises above a limit of 0 degrees or
  // below within a year, so the walk ends at the first failing instant.
  for (double k = 1; k < steps; ++k)
    if (!observable(start + k * (2 * half / steps))) return false;
  return true;
}

// Appends the event of a candidate that passed all four tests, unless the EA
// filter drops it.
template <class Events>
void Append(Events& out, const RunParameters& p, const RunFrame& f, const data::StarEntry& s,
            std::uint32_t index, const StarSky& sky, double cycle, int phase, double t, double h,
            const astro::Horizon& hz, bool partial) {
  if (p.ignoreEaSecondary == 1 && phase == 3 && IsEa(s)) return;
  EventEntry e;
  e.time = t;
  e.cycle = cycle;
  e.star = index;
  e.phase = static_cast<std::uint8_t>(phase);
  switch (p.outputMode) {
    case 1:
      e.column1 = hz.azimuthDeg;
      e.column2 = 90 - hz.zenithDistanceDeg;
      break;
    case 2:
      e.column1 = h;
      e.column2 = Airmass(hz.zenithDistanceDeg);
      break;
    default:
      e.column1 = h;
      e.column2 = s.decDms;
      break;
  }
  e.close = h - sky.eastLimit < 1.5 || sky.westLimit - h < 1.5;
  e.partial = partial;
  if (f.moon) {
    // The distance only where the Moon is up: half the events or more.
    const astro::MoonPlace m = f.moon->At(t);
    e.nearMoon = m.altitudeDeg > 0 &&
                 MoonInTheWay(m.altitudeDeg, m.illuminated, astro::SeparationDeg(m.direction, sky.ofDate));
  }
  out.push_back(e);
}

// The four tests in full at instant t.
bool ObservableLiteral(const RunParameters& p, const StarSky& sky, double t) {
  const double lst = astro::LocalSiderealTime(t, p.longitude);
  const double altitude = 90 - astro::HorizonCoordinates(p.latitude, lst, sky.raOfDateDegrees, sky.decOfDate).zenithDistanceDeg;
  const double h = HourAngleAt(lst, sky);
  return altitude > p.minStarAltitude && SunAltitude(t, lst, p.latitude) < p.maxSunAltitude && h > sky.eastLimit &&
         h < sky.westLimit;
}

// The walk of one star, one candidate at a time with every test in full.
void WalkLiteral(std::vector<EventEntry>& out, const RunParameters& p, const RunFrame& f,
                 const data::StarEntry& s, std::uint32_t index, const StarSky& sky) {
  for (double e = sky.eFirst; e <= sky.eLast; e += 0.25) {
    const int phase = PhaseOf(e);
    if (!p.eventWanted[static_cast<std::size_t>(phase)] || !InWalk(sky, e, phase)) continue;
    const double cycle = CycleOf(s, e, phase);
    const double t = EventTime(s, sky, cycle);
    const double lst = astro::LocalSiderealTime(t, p.longitude);
    const astro::Horizon hz = astro::HorizonCoordinates(p.latitude, lst, sky.raOfDateDegrees, sky.decOfDate);
    const double altitude = 90 - hz.zenithDistanceDeg;
    const double sunAltitude = SunAltitude(t, lst, p.latitude);
    const double h = HourAngleAt(lst, sky);
    if (altitude > p.minStarAltitude && sunAltitude < p.maxSunAltitude && h > sky.eastLimit &&
        h < sky.westLimit) {
      const std::optional<double> hours = TestedEclipseHours(p, s, phase);
      const bool partial = hours && !WholeEclipseObservable(
                                        t, EclipseHalfSpan(p, s, *hours, cycle),
                                        [&](double u) { return ObservableLiteral(p, sky, u); },
                                        [](double, double) { return false; });
      Append(out, p, f, s, index, sky, cycle, phase, t, h, hz, partial);
    }
  }
}

// The Sun's altitude over the span, sampled every five minutes with the same
// routines as the literal walk. Between samples the altitude cannot differ
// from the straight line by more than (rate x step / 2) = 0.251 deg/min x
// 2.5 min = 0.63 deg, so a sample-based answer farther than kMargin from the
// limit is certain; closer ones are computed in full.
class SunTable {
 public:
  static constexpr double kStep = 1.0 / 288;  // days
  static constexpr double kMargin = 0.7;      // degrees

  SunTable(const RunParameters& p, const RunFrame& f, unsigned threads)
      : maxSun_(p.maxSunAltitude), latitude_(p.latitude) {
    start_ = f.rjdStart - 1;
    const auto n = static_cast<std::size_t>(std::ceil((f.rjdEnd + 1 - start_) / kStep)) + 2;
    alt_.resize(n);
    constexpr std::size_t kPiece = 4096;
    ForEachPiece((n + kPiece - 1) / kPiece, threads, [&](std::size_t piece) {
      for (std::size_t k = piece * kPiece; k < std::min(n, (piece + 1) * kPiece); ++k) {
        const double t = TimeAt(k);
        alt_[k] = SunAltitude(t, astro::LocalSiderealTime(t, p.longitude), latitude_);
      }
    });
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

  // True when Low is certainly true from `from` to `to` by the samples
  // alone: every sample whose interval meets the stretch is below the limit
  // by more than kMargin.
  bool LowThroughout(double from, double to) const {
    const double x0 = (from - start_) / kStep, x1 = (to - start_) / kStep;
    if (!(x0 >= 0 && x1 < static_cast<double>(alt_.size() - 1))) return false;
    const auto last = static_cast<std::size_t>(x1) + 1;
    for (auto k = static_cast<std::size_t>(x0); k <= last; ++k)
      if (!(alt_[k] < maxSun_ - kMargin)) return false;
    return true;
  }

  // The stretches of time, in order, outside which Low is certainly false:
  // runs of table intervals where the interpolated altitude comes within
  // kMargin of the limit somewhere, widened by `widen` days, and all time
  // before and after the table (open-ended, marked by infinities).
  std::vector<std::pair<double, double>> PossiblyLow(double widen) const {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, double>> spans{{-kInf, start_ + widen}};
    const double limit = maxSun_ + kMargin;
    for (std::size_t k = 0; k + 1 < alt_.size();) {
      if (!(std::min(alt_[k], alt_[k + 1]) <= limit) && !std::isnan(alt_[k] + alt_[k + 1])) {
        ++k;
        continue;
      }
      const std::size_t first = k;
      while (k + 1 < alt_.size() && !(std::min(alt_[k], alt_[k + 1]) > limit)) ++k;
      const double from = TimeAt(first) - widen, to = TimeAt(k) + widen;
      if (from <= spans.back().second)
        spans.back().second = std::max(spans.back().second, to);
      else
        spans.emplace_back(from, to);
    }
    const double tail = TimeAt(alt_.size() - 1) - widen;
    if (tail <= spans.back().second)
      spans.back().second = kInf;
    else
      spans.emplace_back(tail, kInf);
    return spans;
  }

 private:
  double TimeAt(std::size_t k) const { return start_ + static_cast<double>(k) * kStep; }

  double maxSun_, latitude_, start_;
  std::vector<double> alt_;
};

// The events of one block of stars in chunks of fixed size: growing never
// moves or copies what is already there, so the memory is touched once.
class EventChunks {
 public:
  static constexpr std::size_t kShift = 11, kChunk = std::size_t{1} << kShift;  // 64 KiB of events
  void push_back(const EventEntry& e) {
    if ((size_ & (kChunk - 1)) == 0) chunks_.push_back(std::make_unique<EventEntry[]>(kChunk));
    chunks_.back()[size_ & (kChunk - 1)] = e;
    ++size_;
  }
  std::size_t size() const { return size_; }
  const EventEntry& operator[](std::size_t k) const { return chunks_[k >> kShift][k & (kChunk - 1)]; }

 private:
  std::vector<std::unique_ptr<EventEntry[]>> chunks_;
  std::size_t size_ = 0;
};

// A stretch of possible night with the sidereal time at its start.
struct NightSpan {
  double from, to;  // RJD; infinite for the open ends
  double lstFrom;   // sidereal time at `from`, hours; unused for open ends
};

// What the fast walk keeps for the whole run.
struct FastContext {
  const RunParameters& p;
  const RunFrame& f;
  const SunTable& sun;
  std::vector<NightSpan> nights;
  double sinLat, cosLat;
  double cosZenithLimit;  // cos of the zenith distance at the star altitude limit
  bool noneHighEnough;    // a limit of 90 degrees or more: no star passes
};

// Hour angle gained per day of time.
constexpr double kSiderealHoursPerDay = 24 * 1.00273790934;
// Widening of the hour-angle windows, hours: far beyond any difference between
// the straight-line sidereal time of a night and the computed one.
constexpr double kHourAngleSlack = 0.05;
// Widening of the night stretches, days.
constexpr double kNightSlack = 0.002;
// Cycle numbers below this magnitude step by a quarter exactly.
constexpr double kExactQuarters = 0x1p50;

// The fast walk of one star: the same candidates and the same arithmetic,
// taken only where the Sun may be low and the hour angle may be inside the
// limits (ranges of cycle numbers per night), with the cheap hour-angle test
// first, the star's trigonometry kept, and the star altitude and Sun decided
// from safe bounds where they are certain.
class FastWalk {
 public:
  FastWalk(EventChunks& out, const FastContext& c, const data::StarEntry& s, std::uint32_t index,
           const StarSky& sky)
      : out_(out), c_(c), s_(s), index_(index), sky_(sky) {
    const double dec = sky.decOfDate / DegreesPerRadian;
    sinDec_ = std::sin(dec);
    cosDec_ = std::cos(dec);
    // An error of 1e-6 in a cosine is far above the rounding of the full
    // computation (1e-8 degrees in the zenith distance).
    cLow_ = c.cosZenithLimit - 1e-6;
    cHigh_ = c.cosZenithLimit + 1e-6;
    for (std::size_t k = 1; k <= 4; ++k) wanted_[k] = c.p.eventWanted[k];
    // The EA filter drops every secondary minimum of the star that passes.
    if (c.p.ignoreEaSecondary == 1 && IsEa(s)) wanted_[3] = false;
    next_ = sky.eFirst;
  }

  void Run() {
    if (c_.noneHighEnough || !(sky_.eastLimit < sky_.westLimit)) return;
    if (!(std::fabs(sky_.eFirst) < kExactQuarters && std::fabs(sky_.eLast) < kExactQuarters)) {
      // Quarter steps that round: the literal order of steps, every candidate.
      for (double e = sky_.eFirst; e <= sky_.eLast; e += 0.25) Candidate(e);
      return;
    }
    const double raHours = sky_.raOfDateDegrees / 15;
    const double east = sky_.eastLimit - kHourAngleSlack, west = sky_.westLimit + kHourAngleSlack;
    for (const NightSpan& n : c_.nights) {
      if (!(std::isfinite(n.from) && std::isfinite(n.to)) || west - east >= 24) {
        Between(n.from, n.to);
        continue;
      }
      // Hour angle u(t) = h0 + rate (t - from), not wrapped; the star is
      // inside its limits where u - 24 j lies between them.
      const double h0 = n.lstFrom - raHours;
      const double reach = kSiderealHoursPerDay * (n.to - n.from);
      for (double j = std::floor((h0 - west) / 24); 24 * j + east <= h0 + reach; ++j) {
        const double lo = n.from + (24 * j + east - h0) / kSiderealHoursPerDay;
        const double hi = n.from + (24 * j + west - h0) / kSiderealHoursPerDay;
        if (hi >= n.from) Between(std::max(lo, n.from), std::min(hi, n.to));
      }
      if (next_ > sky_.eLast) return;
    }
  }

 private:
  // The candidates whose time may lie in [from, to], each once, in order.
  void Between(double from, double to) {
    if (!(from <= to)) return;
    // Events whose quarter's element instant is up to `reach` away are seen
    // in [from, to].
    from -= sky_.reach;
    to += sky_.reach;
    const double four = 4 / s_.period;
    // The stretches are already widened far beyond the rounding of this
    // division or of epoch + e x period.
    double eFrom = std::isfinite(from) ? std::ceil((from - s_.epoch) * four) * 0.25 : sky_.eFirst;
    double eTo = std::isfinite(to) ? std::floor((to - s_.epoch) * four) * 0.25 : sky_.eLast;
    eFrom = std::max(eFrom, next_);
    eTo = std::min(eTo, sky_.eLast);
    for (double e = eFrom; e <= eTo; e += 0.25) Candidate(e);
    if (eTo + 0.25 > next_) next_ = eTo + 0.25;
  }

  // The tests at t: what the event line needs where they pass.
  struct Sky {
    double lst, h, hRad, cz;
  };
  std::optional<Sky> Observable(double t) const {
    Sky k;
    k.lst = astro::LocalSiderealTime(t, c_.p.longitude);
    k.h = HourAngleAt(k.lst, sky_);
    if (!(k.h > sky_.eastLimit && k.h < sky_.westLimit)) return std::nullopt;

    k.hRad = (k.lst * 15 - sky_.raOfDateDegrees) / DegreesPerRadian;
    k.cz = astro::CosZenithDistance(c_.sinLat, c_.cosLat, sinDec_, cosDec_, k.hRad);
    if (k.cz < cLow_) return std::nullopt;
    if (k.cz <= cHigh_ && !(90 - astro::ArcCosDeg(k.cz) > c_.p.minStarAltitude)) return std::nullopt;
    if (!c_.sun.Low(t, k.lst)) return std::nullopt;
    return k;
  }

  // True when every instant between `from` and `to` (both passing) certainly
  // passes: the hour angle grows from one end to the other without wrapping,
  // so it stays inside the limits and the altitude, lowest at an end, stays
  // above its limit; and every Sun sample over the stretch is well below
  // the Sun's limit.
  bool CertainThroughout(double from, double to) const {
    constexpr double kSlack = 1e-6;  // hours, and in the cosine: far above the rounding
    if (!((to - from) * kSiderealHoursPerDay < 23)) return false;
    const std::optional<Sky> a = Observable(from), b = Observable(to);
    return a && b && a->h <= b->h && a->h > sky_.eastLimit + kSlack && b->h < sky_.westLimit - kSlack &&
           std::min(a->cz, b->cz) > cHigh_ + kSlack && c_.sun.LowThroughout(from, to);
  }

  void Candidate(double e) {
    const int phase = PhaseOf(e);
    if (!wanted_[static_cast<std::size_t>(phase)] || !InWalk(sky_, e, phase)) return;
    const double cycle = CycleOf(s_, e, phase);
    const double t = EventTime(s_, sky_, cycle);
    const std::optional<Sky> k = Observable(t);
    if (!k) return;

    // HorizonCoordinates from the pieces already at hand: the same
    // expressions, so the same bits; the azimuth only where it is shown.
    const double z = astro::ArcCosDeg(k->cz);
    const double azimuth = c_.p.outputMode == 1 ? astro::AzimuthOf(z, c_.sinLat, c_.cosLat, sinDec_, k->hRad) : 0;
    const std::optional<double> hours = TestedEclipseHours(c_.p, s_, phase);
    const bool partial = hours && !WholeEclipseObservable(
                                      t, EclipseHalfSpan(c_.p, s_, *hours, cycle),
                                      [this](double u) { return Observable(u).has_value(); },
                                      [this](double from, double to) { return CertainThroughout(from, to); });
    Append(out_, c_.p, c_.f, s_, index_, sky_, cycle, phase, t, k->h, astro::Horizon{azimuth, z}, partial);
  }

  EventChunks& out_;
  const FastContext& c_;
  const data::StarEntry& s_;
  std::uint32_t index_;
  const StarSky& sky_;
  double sinDec_, cosDec_, cLow_, cHigh_;
  bool wanted_[5] = {false, false, false, false, false};
  double next_;  // first cycle number not yet taken
};

// The events of all blocks in block order: the list one walk in star order
// gives, read in place.
struct FoundEvents {
  std::vector<EventChunks> blocks;
  std::vector<std::size_t> base;  // index of each block's first event; last = total

  std::size_t size() const { return base.back(); }
  template <class Visit>
  void ForEach(Visit&& visit) const {
    for (std::size_t b = 0; b < blocks.size(); ++b)
      for (std::size_t k = 0; k < blocks[b].size(); ++k) visit(base[b] + k, blocks[b][k]);
  }
};

// Puts each group of equal times of `sorted` (ascending time, equal times in
// the order of their index in the found list, `origin`) into the order of the
// selection sort that SortEventList replays (astro::SelectionSortOrder): step
// i takes the first entry of least time and exchanges it with the entry at
// position i, so a group is taken in the order of the positions its members
// hold when its turn comes. An entry moves only when it stands at position i
// at step i: it goes to where the entry taken at step i stood. So the
// position before step r of the entry first at p follows: while p < r,
// p = from(p), with from(i) the position the entry taken at step i stood on,
// found the same way. Only the positions such chains reach are worked out,
// which is few when equal times are few.
void OrderEqualTimes(std::vector<EventEntry>& sorted, std::vector<std::uint32_t>& origin) {
  const std::size_t m = sorted.size();
  std::unordered_map<std::uint32_t, std::uint32_t> from;  // step -> position of the entry it took
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pending;  // (step, position reached so far)
  auto positionBefore = [&](std::uint32_t p, std::uint32_t limit) {
    while (p < limit) {
      if (auto it = from.find(p); it != from.end()) {
        p = it->second;
        continue;
      }
      pending.emplace_back(p, origin[p]);
      while (!pending.empty()) {
        const auto [step, at] = pending.back();
        if (at >= step) {
          from.emplace(step, at);
          pending.pop_back();
          if (!pending.empty()) pending.back().second = at;
        } else if (auto it = from.find(at); it != from.end()) {
          pending.back().second = it->second;
        } else {
          pending.emplace_back(at, origin[at]);
        }
      }
      p = from.at(p);
    }
    return p;
  };
  std::vector<std::pair<std::uint32_t, std::size_t>> group;  // (position at its turn, slot)
  std::vector<EventEntry> entries;
  std::vector<std::uint32_t> origins;
  for (std::size_t g = 0; g < m;) {
    std::size_t end = g + 1;
    while (end < m && !(sorted[g].time < sorted[end].time)) ++end;
    if (end - g > 1) {
      group.clear();
      for (std::size_t k = g; k < end; ++k)
        group.emplace_back(positionBefore(origin[k], static_cast<std::uint32_t>(g)), k);
      std::sort(group.begin(), group.end());
      entries.assign(sorted.begin() + static_cast<std::ptrdiff_t>(g), sorted.begin() + static_cast<std::ptrdiff_t>(end));
      origins.assign(origin.begin() + static_cast<std::ptrdiff_t>(g), origin.begin() + static_cast<std::ptrdiff_t>(end));
      for (std::size_t k = g; k < end; ++k) {
        sorted[k] = entries[group[k - g].second - g];
        origin[k] = origins[group[k - g].second - g];
      }
    }
    g = end;
  }
}

// The found events in time order, as SortEventList leaves them: one pass
// deals them by time into a thousand or so buckets, in found order, then each
// bucket is sorted on its own (on all threads) by time, found order breaking
// ties, and groups of equal times are put into the selection sort's order.
std::vector<EventEntry> SortedByTime(const FoundEvents& found, unsigned threads) {
  constexpr double kNeverTaken = 9999999999.0;  // the selection sort's start value
  const std::size_t n = found.size(), blocks = found.blocks.size();
  // The range of the times, block by block on all threads.
  std::vector<double> blockLo(blocks, kNeverTaken), blockHi(blocks, -kNeverTaken);
  std::vector<char> blockTaken(blocks, 1);
  ForEachPiece(blocks, threads, [&](std::size_t b) {
    for (std::size_t k = 0; k < found.blocks[b].size(); ++k) {
      const double t = found.blocks[b][k].time;
      if (!(t < kNeverTaken)) blockTaken[b] = 0;
      blockLo[b] = std::min(blockLo[b], t);
      blockHi[b] = std::max(blockHi[b], t);
    }
  });
  double lo = kNeverTaken, hi = -kNeverTaken;
  bool allTaken = true;
  for (std::size_t b = 0; b < blocks; ++b) {
    allTaken = allTaken && blockTaken[b];
    lo = std::min(lo, blockLo[b]);
    hi = std::max(hi, blockHi[b]);
  }
  if (!allTaken) {
    // NaN or enormous times, which the selection sort never takes: its replay.
    std::vector<EventEntry> all;
    all.reserve(n);
    found.ForEach([&](std::size_t, const EventEntry& e) { all.push_back(e); });
    astro::SortEventList(all, [](const EventEntry& e) { return e.time; });
    return all;
  }
  const std::size_t buckets = std::clamp<std::size_t>(n / 1024, 1, 4096);
  double scale = static_cast<double>(buckets) / (hi - lo);
  if (!(std::isfinite(scale) && scale > 0)) scale = 0;  // one bucket
  // Monotone in the time, so the buckets in order hold ascending times.
  auto bucketOf = [&](double t) { return std::min(buckets - 1, static_cast<std::size_t>((t - lo) * scale)); };
  // Each block's count per bucket; then each block's first place in each
  // bucket, blocks in found order, so that every bucket holds its entries in
  // found order.
  std::vector<std::size_t> place(blocks * buckets, 0);
  ForEachPiece(blocks, threads, [&](std::size_t b) {
    std::size_t* count = place.data() + b * buckets;
    for (std::size_t k = 0; k < found.blocks[b].size(); ++k) ++count[bucketOf(found.blocks[b][k].time)];
  });
  std::vector<std::size_t> start(buckets + 1, 0);
  for (std::size_t k = 0; k < buckets; ++k) {
    std::size_t at = start[k];
    for (std::size_t b = 0; b < blocks; ++b) {
      const std::size_t count = place[b * buckets + k];
      place[b * buckets + k] = at;
      at += count;
    }
    start[k + 1] = at;
  }
  std::vector<EventEntry> sorted(n);
  std::vector<std::uint32_t> origin(n);
  ForEachPiece(blocks, threads, [&](std::size_t b) {
    std::size_t* fill = place.data() + b * buckets;
    for (std::size_t k = 0; k < found.blocks[b].size(); ++k) {
      const EventEntry& e = found.blocks[b][k];
      const std::size_t at = fill[bucketOf(e.time)]++;
      sorted[at] = e;
      origin[at] = static_cast<std::uint32_t>(found.base[b] + k);
    }
  });
  ForEachPiece(buckets, threads, [&](std::size_t b) {
    // Within a bucket the entries stand in found order, so a stable sort by
    // time leaves equal times in found order.
    const auto first = static_cast<std::ptrdiff_t>(start[b]), last = static_cast<std::ptrdiff_t>(start[b + 1]);
    if (last - first < 2) return;
    std::vector<std::pair<double, std::uint32_t>> order;
    order.reserve(static_cast<std::size_t>(last - first));
    for (std::ptrdiff_t k = first; k < last; ++k) order.emplace_back(sorted[static_cast<std::size_t>(k)].time, static_cast<std::uint32_t>(k - first));
    std::sort(order.begin(), order.end());
    const std::vector<EventEntry> entries(sorted.begin() + first, sorted.begin() + last);
    const std::vector<std::uint32_t> origins(origin.begin() + first, origin.begin() + last);
    for (std::size_t k = 0; k < order.size(); ++k) {
      sorted[static_cast<std::size_t>(first) + k] = entries[order[k].second];
      origin[static_cast<std::size_t>(first) + k] = origins[order[k].second];
    }
  });
  bool distinct = true;
  for (std::size_t i = 1; distinct && i < n; ++i) distinct = sorted[i - 1].time < sorted[i].time;
  if (!distinct) OrderEqualTimes(sorted, origin);
  return sorted;
}

}  // namespace

double RunEpoch(const RunParameters& p, std::int16_t zone) {
  return RunEpochAt(p, astro::CalendarToRjdAt(p.year, p.month, p.day, static_cast<std::int16_t>(zone + 18), 0, 0));
}

double RunEpochAt(const RunParameters& p, double rjdStart) {
  const double rjdJan1 = astro::CalendarToRjdAt(p.year, 1, 1, 0, 0, 0);
  return p.year + (rjdStart - rjdJan1) / 365.2422;
}

StarPlace PlaceOfDate(const data::StarEntry& s, const astro::LimitsTable& limits, double epoch) {
  StarPlace place;
  const double decDegrees = astro::DmsToDegrees(s.decDms);
  const astro::Equatorial ofDate = astro::PrecessCoordinates(2000.0, astro::DmsToDegrees(s.raDms), decDegrees, epoch);
  // Into 0..24 h, so that one wrap brings any hour angle into -12..12: near
  // a pole the precession can move the right ascension by tens of hours.
  place.raOfDateDegrees = astro::ReduceToPeriod(ofDate.raHours, 24) * 15;
  place.decOfDate = ofDate.decDeg;
  if (!limits.rows.empty()) {
    const astro::HourAngleLimits l = astro::LookupSiteLimits(limits, decDegrees);
    place.eastLimit = l.eastHours;
    place.westLimit = l.westHours;
  }
  return place;
}

double HourAngleAt(double lst, const StarPlace& place) {
  double h = lst - place.raOfDateDegrees / 15;
  if (h > 12) h -= 24;
  if (h < -12) h += 24;
  return h;
}

double SunAltitude(double t, double lst, double latitude) {
  const double lambda = astro::SunLongitude(t);
  const astro::EquatorialDeg sun = astro::EclipticToEquatorial(lambda, 0);
  return 90 - astro::HorizonCoordinates(latitude, lst, sun.raDeg, sun.decDeg).zenithDistanceDeg;
}

SiteSun::SiteSun(double latitude)
    : sinLat_(std::sin(latitude / DegreesPerRadian)), cosLat_(std::cos(latitude / DegreesPerRadian)) {}

double SiteSun::Altitude(double t, double lst) const {
  // HorizonCoordinates' zenith distance of the Sun's place.
  const astro::EquatorialDeg sun = astro::SunEquatorial(astro::SunLongitude(t));
  const double h = (lst * 15 - sun.raDeg) / DegreesPerRadian;
  const double dec = sun.decDeg / DegreesPerRadian;
  return 90 - astro::ArcCosDeg(astro::CosZenithDistance(sinLat_, cosLat_, std::sin(dec), std::cos(dec), h));
}

PredictionOutcome RunPrediction(const RunParameters& p, const data::StarTable& stars,
                                const astro::LimitsTable& limits, Engine engine, unsigned threads,
                                std::size_t maxEvents, const std::atomic<bool>* cancel) {
  const RunFrame f = FrameOf(p, stars);
  PredictionOutcome outcome;
  outcome.zone = f.zone;
  outcome.eveningDayNumber = f.eveningDayNumber;
  outcome.daylightSaving = f.daylightSaving;
  outcome.label23Caption = f.daylightSaving ? "DAYLIGHT SAVINGS TIME" : "";
  outcome.clock = f.clock;
  // The one scale of the stars, or the run's when none is used or several are.
  outcome.epochScale = p.epochScale;
  if (std::count(f.scaleUsed.begin(), f.scaleUsed.end(), true) > 1) {
    outcome.mixedEpochScales = true;
  } else {
    for (const astro::EpochScaleTexts& t : astro::kEpochScales)
      if (f.scaleUsed[ScaleIndex(t.scale)]) outcome.epochScale = t.scale;
  }
  outcome.rjdStart = f.rjdStart;
  outcome.rjdEnd = f.rjdEnd;
  outcome.epoch = f.epoch;
  outcome.moon = f.moon;

  const std::size_t n = stars.entries.size();
  // A star-night of the fast search takes well under a microsecond: a run
  // of fewer than about 50,000 of them per thread is done sooner on one.
  constexpr std::size_t kStarNightsPerThread = 50'000;
  threads = ThreadsFor(threads, n * static_cast<std::size_t>(std::max<int>(p.dayCount, 1)), kStarNightsPerThread);
  std::vector<EventEntry>& events = outcome.events;
  // One star's walk finds a bounded number of events (its period has a
  // floor), so checking the count after each star bounds the memory.
  auto tooMany = [&outcome] {
    outcome.events = {};
    outcome.firstListed = 0;
    outcome.tooManyEvents = true;
    return outcome;
  };
  auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
  auto stopped = [&outcome] {
    outcome.events = {};
    outcome.firstListed = 0;
    outcome.cancelled = true;
    return outcome;
  };
  // The stars whose walk looked beyond the span's end for the light time.
  std::vector<char> beyond(n, 0);
  if (engine == Engine::Literal) {
    for (std::size_t i = 0; i < n; ++i) {
      if (cancelled()) return stopped();
      StarSky sky;
      if (SkyOf(p, stars.entries[i], limits, f, sky)) {
        WalkLiteral(events, p, f, stars.entries[i], static_cast<std::uint32_t>(i), sky);
        beyond[i] = !sky.light->IsIdentity();
      }
      if (events.size() > maxEvents) return tooMany();
    }
  } else {
    const SunTable sun(p, f, threads);
    const double zLimit = 90 - p.minStarAltitude;
    FastContext c{p, f, sun, {}, std::sin(p.latitude / DegreesPerRadian), std::cos(p.latitude / DegreesPerRadian),
                  std::cos(zLimit / DegreesPerRadian), !(zLimit > 0)};
    for (const auto& [from, to] : sun.PossiblyLow(kNightSlack))
      c.nights.push_back({from, to, std::isfinite(from) ? astro::LocalSiderealTime(from, p.longitude) : 0});

    std::vector<StarSky> skies(n);
    std::vector<char> usable(n);
    std::vector<double> cost(n, 0);
    double total = 0;
    for (std::size_t i = 0; i < n; ++i) {
      usable[i] = SkyOf(p, stars.entries[i], limits, f, skies[i]);
      if (usable[i]) total += cost[i] = 16 + 4 * (skies[i].eLast - skies[i].eFirst);
      beyond[i] = usable[i] && !skies[i].light->IsIdentity();
    }
    // Stars in blocks of about equal numbers of candidates, each block's
    // events in its own list, joined in star order: the list is the same as
    // one walk in star order gives.
    const double perBlock = std::max(1.0, total / (64.0 * ThreadCount(threads)));
    std::vector<std::size_t> bounds{0};
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
      sum += cost[i];
      if (sum >= perBlock) {
        bounds.push_back(i + 1);
        sum = 0;
      }
    }
    if (bounds.back() != n) bounds.push_back(n);
    FoundEvents found;
    found.blocks.resize(bounds.size() - 1);
    std::atomic<std::size_t> foundCount{0};
    std::atomic<bool> overflow{false};
    ForEachPiece(found.blocks.size(), threads, [&](std::size_t b) {
      if (cancelled()) return;
      for (std::size_t i = bounds[b]; i < bounds[b + 1] && !overflow.load(std::memory_order_relaxed); ++i) {
        if (!usable[i]) continue;
        const std::size_t before = found.blocks[b].size();
        FastWalk(found.blocks[b], c, stars.entries[i], static_cast<std::uint32_t>(i), skies[i]).Run();
        const std::size_t added = found.blocks[b].size() - before;
        if (foundCount.fetch_add(added, std::memory_order_relaxed) + added > maxEvents) overflow = true;
      }
    });
    if (overflow) return tooMany();
    if (cancelled()) return stopped();
    found.base.assign(1, 0);
    for (const auto& block : found.blocks) found.base.push_back(found.base.back() + block.size());
    events = SortedByTime(found, threads);
  }
  if (engine == Engine::Literal) astro::SortEventList(events, [](const EventEntry& e) { return e.time; });
  // With light time the walk looked beyond the span's end: what is seen
  // at or after it is not the run's. (Uncorrected walks end inside the
  // span.) After the sort, which the removed entries take part in as they
  // always have.
  if (std::find(beyond.begin(), beyond.end(), 1) != beyond.end())
    std::erase_if(events, [&](const EventEntry& e) { return beyond[e.star] && !(e.time < f.rjdEnd); });

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
