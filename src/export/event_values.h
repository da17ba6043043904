// Every value of a run's listed events that the files write. The cycle
// number comes with the event; its other values are computed again here from
// the run's own routines (the event keeps only the report's two columns).
// The report and its files are not touched.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "run/night_chart.h"

namespace tevaro::exports {

// Every value of one listed event. Angles in degrees, hour angle in hours,
// instants RJD (UT) unless named otherwise.
struct EventValues {
  std::size_t index = 0;  // into the run's event list
  double time = 0;
  double zone = 0;          // hours west in force at the event
  double cycle = 0;         // E, in quarters
  double elementRjd = 0;    // epoch + E x period, on the run's epoch scale
  double altitude = 0, azimuth = 0, hourAngle = 0, airmass = 0, decOfDate = 0, sunAltitude = 0;
  // With the Moon on.
  std::optional<double> moonAltitude, moonIlluminated, moonDistance;
  // A minimum of a star with a duration (the secondary's own for a secondary).
  std::optional<double> eclipseStart, eclipseEnd;
  bool operator==(const EventValues&) const = default;
};

// Computes the values of listed events, from any thread: each listed star's
// place of date, its sines and its directions are found once, up front.
class ValueMaker {
 public:
  explicit ValueMaker(const run::ListedRun& run);
  EventValues Of(std::size_t i, run::Engine engine) const;

 private:
  struct Star {
    run::StarPlace place;
    double sinDec = 0, cosDec = 0;
    astro::Vector3 moonDirection;  // on the Moon's axes
  };
  const run::ListedRun& run_;
  const run::PredictionOutcome& o_;
  std::vector<std::optional<Star>> stars_;
  run::SiteSun sun_;
};

// The values of the listed events (firstListed on), in report order. The
// fast engine, which the CSV file uses, takes each star's and the site's
// sines once and the Sun without its azimuth; it gives the same bits.
std::vector<EventValues> ListedEventValues(const run::ListedRun& run, run::Engine engine = run::Engine::Literal);

// The default margin of an observing window for the out-of-eclipse light
// on each side, minutes.
inline constexpr double kDefaultMarginMinutes = 30;

// The span to observe an event in, RJD (UT): from T - before to T + after,
// each half the eclipse's duration (the secondary's for a secondary; half an
// hour for a maximum or a star without a duration) plus `marginMinutes`,
// widened by 2 sigma when the run shows the uncertainty and the star has
// errors.
struct ObservingWindow {
  double start = 0, end = 0;
};
ObservingWindow WindowOf(const run::ListedRun& run, const run::EventEntry& e, double marginMinutes);

// One sigma of the event's predicted instant, days, when the run shows the
// uncertainty and the star gives errors; nothing otherwise.
std::optional<double> SigmaShown(const run::ListedRun& run, const run::EventEntry& e);
// How far the uncertainty widens each end of an event's spans, days: 2 sigma,
// at most a year.
double SpanWidening(const run::ListedRun& run, const run::EventEntry& e);


// The job or target name of an event: the star, the event's label and the
// local date of its instant on the run's clock, "RZ Cas I 2025-01-10".
std::string EventTitle(const run::ListedRun& run, const run::EventEntry& e);

// A star's position as its file gives it, taken as J2000: right ascension
// in hours, declination in degrees.
struct J2000Position {
  double raHours = 0, decDeg = 0;
};
J2000Position PositionOf(const data::StarEntry& s);

}  // namespace tevaro::exports
