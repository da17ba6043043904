// The minima search: every wanted light-curve event of every star in the span
// that passes the Sun, star-altitude and hour-angle tests, sorted by time.
#pragma once

#include <cmath>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "astro/light_time.h"
#include "astro/moon.h"
#include "astro/tables.h"
#include "data/star_file.h"
#include "run/run_clock.h"
#include "run/validation.h"

namespace tevaro::run {

// PhaseLabels, indexed by phase 1..4 (slot 0 unused).
inline constexpr const char* kPhaseLabels[5] = {"", " I ", ".25", "II ", ".75"};

// One found event. The fields are ordered so that the one-byte ones share the
// star's word: a full-capacity year holds 1.65 million of these.
struct EventEntry {
  double time = 0;         // RJD (UT): the instant the event is seen from the Earth
  double cycle = 0;        // E, in quarters (a secondary's E + its phase): the element instant is epoch + E x period
  double column1 = 0;      // mode 1 azimuth (deg), else hour angle (h)
  double column2 = 0;      // mode 1 altitude (deg), 2 airmass, 3 catalogue declination DD.MMSS
  std::uint32_t star = 0;  // index into the StarTable's entries
  std::uint8_t phase = 1;  // 1..4, see kPhaseLabels
  bool close = false;      // within 1.5 h of an hour-angle limit
  bool nearMoon = false;   // the Moon is up, bright and near the star (MoonInTheWay); only with the Moon on
  bool partial = false;    // a minimum whose eclipse is only partly observable
  bool operator==(const EventEntry&) const = default;
};
static_assert(sizeof(EventEntry) <= 40, "an event's size bounds a run's memory (see kMaxEvents)");

struct PredictionOutcome {
  std::vector<EventEntry> events;  // sorted by time
  std::size_t firstListed = 0;     // first entry inside the span; events.size() when none
  std::int16_t zone = 0;           // zone in force for the run (a named zone's, rounded, at the start)
  std::int32_t eveningDayNumber = 0;
  bool daylightSaving = false;     // in force at the start of the run
  RunClock clock;                  // the clock the run's times are shown on
  // The scale of the epochs of the stars that can give events: the run's,
  // or the one their own scales name; with several, mixedEpochScales and
  // the run's.
  astro::EpochScale epochScale = astro::EpochScale::HjdAsUt;
  bool mixedEpochScales = false;
  double rjdStart = 0, rjdEnd = 0;  // the span, UT: 18:00 local on the first evening to 06:00 after the last night
  double epoch = 2000;              // the precession epoch, year with fraction
  std::string label23Caption;      // "DAYLIGHT SAVINGS TIME" or empty
  // The Moon at the site over the span; null unless the run was asked for it.
  std::shared_ptr<const astro::MoonModel> moon;
  bool tooManyEvents = false;      // the run stopped at the event bound; no events kept
  bool cancelled = false;          // the run was stopped from outside; no events kept
  bool HasListed() const { return firstListed < events.size(); }
  // The zone in force at UT instant t, hours west: the run's zone, or a
  // named zone's at t.
  double ZoneAt(double t) const { return clock.IsNamed() ? clock.ZoneAt(t) : zone; }
  // The local day of t, changing at local noon.
  double LocalDay(double t) const { return std::floor(t - ZoneAt(t) / 24); }
};

enum class Engine {
  Literal,  // one candidate at a time, every test in full: the reference
  Fast,     // cheap tests first, per-star constants, all cores; same result
};

// The prediction run over `p` (which it does not change: the caller stores
// zone and eveningDayNumber from the outcome). threads 0 uses every core.
// A star's place in a run: its position of date and its hour-angle limits.
struct StarPlace {
  double raOfDateDegrees = 0;  // 0..360
  double decOfDate = 0;
  double eastLimit = -12;  // hours
  double westLimit = 12;
};

// The precession epoch of a run (year with fraction) whose first night
// starts at 18:00 local in zone `zone`.
double RunEpoch(const RunParameters& p, std::int16_t zone);
// The same for a run whose first night starts at `rjdStart` (UT).
double RunEpochAt(const RunParameters& p, double rjdStart);

// The place of `s` in a run of precession epoch `epoch`.
StarPlace PlaceOfDate(const data::StarEntry& s, const astro::LimitsTable& limits, double epoch);

// The hour angle in -12..12 h of a star at local sidereal time `lst`.
double HourAngleAt(double lst, const StarPlace& place);

// The Sun's altitude at `t` (RJD, UT) and local sidereal time `lst`.
double SunAltitude(double t, double lst, double latitude);

// SunAltitude at one site, the same bits, with the latitude's sines taken
// once and no azimuth: for code that asks it for every event.
class SiteSun {
 public:
  explicit SiteSun(double latitude);
  double Altitude(double t, double lst) const;
  double sinLat() const { return sinLat_; }
  double cosLat() const { return cosLat_; }

 private:
  double sinLat_, cosLat_;
};

// The rule of the " moon" mark: the Moon's centre above the horizon and
// illuminated x 100 + 1000 / distance (degrees) above 100. A full Moon that is
// up marks every event; a half Moon within 20 degrees; a thin crescent within
// about 10.
inline constexpr double kMoonScoreLimit = 100;
// The airmass of the report and the event files at zenith distance
// `zenithDistanceDeg`: it divides by 57.296, not DegreesPerRadian, as the
// printed airmass always has, so reports do not change.
inline double Airmass(double zenithDistanceDeg) { return 1 / std::cos(zenithDistanceDeg / 57.296); }

inline bool MoonInTheWay(double altitudeDeg, double illuminated, double distanceDeg) {
  return altitudeDeg > 0 && illuminated * 100 + 1000 / distanceDeg > kMoonScoreLimit;
}

// The most events one run may find. An event and its report line take about
// 200 bytes in the run, the sort and the report, so a run stays under 2 GB; a
// full-capacity year (10,000 stars, 365 nights, every event) finds 1.65 million.
inline constexpr std::size_t kMaxEvents = 10'000'000;

// A run that would find more than `maxEvents` events stops early and keeps
// none, with tooManyEvents set. A run whose `cancel` flag turns true (from
// another thread) stops after the stars in hand and keeps none, with
// cancelled set.
PredictionOutcome RunPrediction(const RunParameters& p, const data::StarTable& stars,
                                const astro::LimitsTable& limits, Engine engine = Engine::Fast,
                                unsigned threads = 0, std::size_t maxEvents = kMaxEvents,
                                const std::atomic<bool>* cancel = nullptr);

}  // namespace tevaro::run
