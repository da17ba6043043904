// One night of a run as the night chart draws it: the Sun's and the Moon's
// altitudes from 18:00 to 06:00 local, the altitude curve of each star with a listed event
// that night split where its hour angle leaves or enters the star's limits,
// and the night's listed events with the report lines that print them and,
// for minima tested over the whole eclipse, the eclipse's start and end.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "astro/tables.h"
#include "data/star_file.h"
#include "run/prediction.h"
#include "run/validation.h"

namespace tevaro::run {

// A run's events, kept with the run or found on first use. The first use
// finds them once, whichever thread asks first (the chart's search and an
// export may ask at once); the others wait for it and get the same events.
class RunEvents {
 public:
  RunEvents() = default;
  RunEvents(std::nullopt_t) {}
  RunEvents(PredictionOutcome outcome) : outcome_(std::move(outcome)), found_(true) {}
  RunEvents(std::optional<PredictionOutcome> outcome) : outcome_(std::move(outcome)), found_(outcome_.has_value()) {}
  // Moved only as its run is made, before any thread asks.
  RunEvents(RunEvents&& other) noexcept : outcome_(std::move(other.outcome_)), found_(outcome_.has_value()) {}
  RunEvents& operator=(RunEvents&&) = delete;

  // Whether the events are there already.
  explicit operator bool() const { return found_.load(std::memory_order_acquire); }
  // The events; `find` gives them on first use.
  template <class Find>
  const PredictionOutcome& Get(Find find) const {
    if (!found_.load(std::memory_order_acquire)) {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!outcome_) {
        outcome_ = find();
        found_.store(true, std::memory_order_release);
      }
    }
    return *outcome_;
  }

 private:
  mutable std::mutex mutex_;
  mutable std::optional<PredictionOutcome> outcome_;
  mutable std::atomic<bool> found_{false};
};

// What a chart needs of a run that listed events, kept as the run left it:
// later edits of the fields or a new star file do not change it.
struct ListedRun {
  RunParameters params;  // the inputs of the run, zone in force included
  data::StarTable stars;
  astro::LimitsTable limits;
  std::string siteName;

  // The run's events. Unless the run kept them they are found again on
  // first use (the run gives the same events for the same inputs), so a
  // report that is only read does not keep its run's events in memory beside it.
  const PredictionOutcome& outcome() const;
  RunEvents cachedOutcome;
};

// The minutes between the chart's samples of the Sun and of the stars.
inline constexpr double kChartStepMinutes = 5;

// A stretch of a star's curve: samples `from` to `to` (inclusive) all inside
// or all outside the hour-angle limits. Neighbouring stretches share their
// boundary sample, where the hour angle crosses the limit.
struct CurveStretch {
  std::size_t from = 0, to = 0;
  bool inside = false;
};

struct NightStar {
  std::uint32_t star = 0;  // index into the run's StarTable
  std::string name;
  std::string type;  // the star's variability type, as the star file gives it
  double eastLimit = -12, westLimit = 12;  // hours, as the run looks them up
  // The curve: the chart's grid with the star's event times and limit
  // crossings put in, in time order.
  std::vector<double> times;      // RJD (UT)
  std::vector<double> altitudes;  // degrees
  std::vector<double> hourAngles; // hours, -12..12
  std::vector<CurveStretch> stretches;
};

struct NightEvent {
  double time = 0;      // RJD (UT)
  double altitude = 0;  // degrees, on the star's curve
  std::size_t starSlot = 0;  // index into NightChartData::stars
  std::uint8_t phase = 1;    // 1..4, see kPhaseLabels
  bool close = false;
  bool partial = false;  // a minimum whose eclipse is only partly observable
  bool nearMoon = false; // the report marks it " moon"
  // The part of the eclipse inside the chart's span, RJD (UT), for a
  // minimum tested over its whole eclipse; equal (no eclipse) otherwise.
  double eclipseStart = 0, eclipseEnd = 0;
  // The likely span of the event, its instant ± 2 sigma, inside the chart's
  // span, RJD (UT), when the run shows how far off each prediction may be
  // and the star gives errors; equal (no band) otherwise.
  double bandStart = 0, bandEnd = 0;
  double moonDistanceDeg = 0;  // the Moon's topocentric distance from the star
  std::size_t eventIndex = 0;  // index into the run's event list
  std::size_t reportLine = 0;  // 1-based line of the report that prints it
};

struct NightChartData {
  std::int32_t localDay = 0;  // local day (changing at local noon) of the night's events
  int year = 0, month = 0, day = 0;  // the evening date
  std::int16_t zone = 0;             // the run's zone in force
  RunClock clock;                    // the run's clock: the zone at each instant
  bool daylightSaving = false;
  std::string observatory;
  double maxSunAltitude = 0, minStarAltitude = 0;
  // The span drawn, UT: 18:00 to 06:00 local, widened to whole hours when
  // the night has events before or after it (a run keeps an event whenever
  // the Sun is low enough, so long winter nights list some).
  double rjdStart = 0, rjdEnd = 0;
  double eveningStart = 0;  // 18:00 local
  std::vector<double> sunTimes, sunAltitudes;
  std::vector<double> moonAltitudes;  // degrees, topocentric, at the sunTimes
  double moonIlluminated = 0;         // fraction lit at local midnight
  std::vector<NightStar> stars;    // in the order of their first event
  std::vector<NightEvent> events;  // in the report's order
};

// The 1-based report line of each listed event (entries before firstListed
// get 0): header lines first, a night line before every event whose local
// day differs from the one before it.
std::vector<std::size_t> ReportLinesOfEvents(const PredictionOutcome& outcome);

// The local days (floor(time - zone/24), changing at local noon) that have
// listed events, in the report's order: the nights of the report.
std::vector<std::int32_t> ReportNights(const PredictionOutcome& outcome);

// The night that report line `line` belongs to: an event line's own night, a
// header or night line the night of the next event line; the last night for
// a line past the end. Needs a run that listed events.
std::int32_t NightOfReportLine(const PredictionOutcome& outcome, std::size_t line);

// The local day of the evening date y-m-d.
std::int32_t LocalDayOfEvening(int year, int month, int day);

// The Sun's altitude at `t` as the run computes it.
double RunSunAltitude(double t, double longitude, double latitude);

// The chart of local day `localDay` of `run`.
NightChartData BuildNightChart(const ListedRun& run, std::int32_t localDay);

// The stars and events a chart shows.
struct ChartFilter {
  // Terms separated by commas; a star is shown when a term is part of its
  // name or of its type, in any case. Blank: every star.
  std::string text;
  bool hidePartial = false;  // leave out events marked " part"
  bool hideMoon = false;     // leave out events marked " moon"
};

// `chart` with only the events `filter` lets through and the stars that
// have one of them, in the order of their first event shown. Events keep their report lines and
// stars their place in the run's list (and so their look).
NightChartData FilterNightChart(const NightChartData& chart, const ChartFilter& filter);

}  // namespace tevaro::run
