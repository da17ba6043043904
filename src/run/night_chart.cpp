#include "run/night_chart.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "astro/sun.h"
#include "astro/tables.h"
#include "run/elements.h"
#include "run/report.h"
#include "data/text.h"

namespace tevaro::run {

namespace {

double LocalDayOf(const PredictionOutcome& outcome, double time) { return outcome.LocalDay(time); }

bool Inside(double h, const StarPlace& s) { return h > s.eastLimit && h < s.westLimit; }

}  // namespace

const PredictionOutcome& ListedRun::outcome() const {
  return cachedOutcome.Get([this] { return RunPrediction(params, stars, limits); });
}

double RunSunAltitude(double t, double longitude, double latitude) {
  return SunAltitude(t, astro::LocalSiderealTime(t, longitude), latitude);
}

std::vector<std::size_t> ReportLinesOfEvents(const PredictionOutcome& outcome) {
  std::vector<std::size_t> lines(outcome.events.size(), 0);
  std::size_t line = ReportHeaderLines(outcome);  // the header's last line is the first night line
  for (std::size_t i = outcome.firstListed; i < outcome.events.size(); ++i) {
    if (i != outcome.firstListed &&
        LocalDayOf(outcome, outcome.events[i].time) != LocalDayOf(outcome, outcome.events[i - 1].time))
      ++line;
    lines[i] = ++line;
  }
  return lines;
}

std::vector<std::int32_t> ReportNights(const PredictionOutcome& outcome) {
  std::vector<std::int32_t> nights;
  for (std::size_t i = outcome.firstListed; i < outcome.events.size(); ++i) {
    const auto d = static_cast<std::int32_t>(LocalDayOf(outcome, outcome.events[i].time));
    if (nights.empty() || nights.back() != d) nights.push_back(d);
  }
  return nights;
}

std::int32_t NightOfReportLine(const PredictionOutcome& outcome, std::size_t line) {
  const std::vector<std::size_t> lines = ReportLinesOfEvents(outcome);
  for (std::size_t i = outcome.firstListed; i < outcome.events.size(); ++i)
    if (lines[i] >= line) return static_cast<std::int32_t>(LocalDayOf(outcome, outcome.events[i].time));
  return static_cast<std::int32_t>(LocalDayOf(outcome, outcome.events.back().time));
}

std::int32_t LocalDayOfEvening(int year, int month, int day) {
  // Whole RJD values fall at noon, so the evening's noon is its local day.
  return static_cast<std::int32_t>(std::lround(astro::CalendarToRjdAt(
      static_cast<std::int16_t>(year), static_cast<std::int16_t>(month), static_cast<std::int16_t>(day), 12, 0, 0)));
}

NightChartData BuildNightChart(const ListedRun& run, std::int32_t localDay) {
  const RunParameters& p = run.params;
  const PredictionOutcome& o = run.outcome();
  NightChartData c;
  c.localDay = localDay;
  c.zone = o.zone;
  c.clock = o.clock.IsNamed() ? o.clock : RunClock(o.zone);
  c.daylightSaving = o.daylightSaving;
  c.observatory = data::BlankControls(run.siteName);
  c.maxSunAltitude = p.maxSunAltitude;
  c.minStarAltitude = p.minStarAltitude;
  const astro::CalendarTime evening = astro::RjdToCalendar(localDay, 0);
  c.year = evening.year;
  c.month = evening.month;
  c.day = evening.day;
  // Local noon of the evening is RJD localDay + zone/24; the night runs from
  // six hours after it for twelve hours.
  c.eveningStart = o.clock.IsNamed() ? o.clock.UtcOfLocal(localDay + 0.25) : localDay + o.zone / 24.0 + 0.25;
  c.rjdStart = c.eveningStart;
  c.rjdEnd = c.rjdStart + 0.5;
  // The night's listed events, and one slot per star in the order of its
  // first event.
  const std::vector<std::size_t> lines = ReportLinesOfEvents(o);
  std::unordered_map<std::uint32_t, std::size_t> slotOf;
  std::vector<std::vector<double>> eventTimes;  // per star: times its curve must pass through
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) {
    const EventEntry& e = o.events[i];
    if (LocalDayOf(o, e.time) != localDay) continue;
    auto [it, added] = slotOf.emplace(e.star, c.stars.size());
    if (added) {
      NightStar s;
      s.star = e.star;
      s.name = run.stars.entries.at(e.star).name;
      s.type = run.stars.entries.at(e.star).varType;
      c.stars.push_back(std::move(s));
      eventTimes.emplace_back();
    }
    NightEvent ev;
    ev.time = e.time;
    ev.starSlot = it->second;
    ev.phase = e.phase;
    ev.close = e.close;
    ev.partial = e.partial;
    ev.nearMoon = e.nearMoon;
    ev.eventIndex = i;
    ev.reportLine = lines[i];
    c.events.push_back(ev);
    eventTimes[it->second].push_back(e.time);
  }


  // Whole hours of the grid before 18:00 and after 06:00 that the events need.
  const double hour = 1.0 / 24;
  long before = 0, after = 0;
  for (const NightEvent& ev : c.events) {
    before = std::max(before, static_cast<long>(std::ceil((c.eveningStart - ev.time) / hour)));
    after = std::max(after, static_cast<long>(std::ceil((ev.time - (c.eveningStart + 0.5)) / hour)));
  }
  const double step = kChartStepMinutes / 1440;
  const long perHour = std::lround(60 / kChartStepMinutes);
  const long firstSample = -before * perHour, lastSample = (12 + after) * perHour;
  c.rjdStart = c.eveningStart + static_cast<double>(firstSample) * step;
  c.rjdEnd = c.eveningStart + static_cast<double>(lastSample) * step;
  std::vector<double> grid;
  grid.reserve(static_cast<std::size_t>(lastSample - firstSample + 1));
  for (long k = firstSample; k <= lastSample; ++k) grid.push_back(c.eveningStart + static_cast<double>(k) * step);
  // Each eclipse within the span drawn, its ends put into its star's curve.
  for (NightEvent& ev : c.events) {
    const data::StarEntry& star = run.stars.entries.at(c.stars[ev.starSlot].star);
    const std::optional<double> hours = EclipseHours(star, ev.phase);
    if (!(p.wholeEclipse && hours)) continue;
    const double half = *hours / 48;
    ev.eclipseStart = std::max(ev.time - half, c.rjdStart);
    ev.eclipseEnd = std::min(ev.time + half, c.rjdEnd);
    eventTimes[ev.starSlot].push_back(ev.eclipseStart);
    eventTimes[ev.starSlot].push_back(ev.eclipseEnd);
  }
  // Each event's band of ± 2 sigma, within the span drawn.
  for (NightEvent& ev : c.events) {
    const EventEntry& e = o.events[ev.eventIndex];
    const double twoSigma = p.uncertainty ? 2 * PredictionSigmaDays(run.stars.entries.at(e.star), e.cycle) : 0;
    if (!(twoSigma > 0)) continue;
    ev.bandStart = std::max(ev.time - twoSigma, c.rjdStart);
    ev.bandEnd = std::min(ev.time + twoSigma, c.rjdEnd);
  }
  c.sunTimes = grid;
  c.sunAltitudes.reserve(grid.size());
  for (double t : grid) c.sunAltitudes.push_back(RunSunAltitude(t, p.longitude, p.latitude));
  // The Moon always, whether or not the run marks it.
  const astro::MoonModel moon(c.rjdStart, c.rjdEnd, p.longitude, p.latitude);
  c.moonAltitudes.reserve(grid.size());
  for (double t : grid) c.moonAltitudes.push_back(moon.At(t).altitudeDeg);
  c.moonIlluminated = moon.At(c.eveningStart + 0.25).illuminated;
  for (NightEvent& ev : c.events) {
    const data::StarEntry& star = run.stars.entries.at(c.stars[ev.starSlot].star);
    const astro::Vector3 n = moon.OfDate(astro::DirectionOf(astro::DmsToDegrees(star.raDms), astro::DmsToDegrees(star.decDms)));
    ev.moonDistanceDeg = astro::SeparationDeg(moon.At(ev.time).direction, n);
  }

  const double epoch = o.epoch;
  for (std::size_t slot = 0; slot < c.stars.size(); ++slot) {
    NightStar& s = c.stars[slot];
    const StarPlace place = PlaceOfDate(run.stars.entries.at(s.star), run.limits, epoch);
    s.eastLimit = place.eastLimit;
    s.westLimit = place.westLimit;
    auto hourAngleAt = [&](double t) { return HourAngleAt(astro::LocalSiderealTime(t, p.longitude), place); };

    std::vector<double>& times = s.times;
    times = grid;
    times.insert(times.end(), eventTimes[slot].begin(), eventTimes[slot].end());
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());

    // Where the test flips between two points, the crossing found by halving
    // to well under a second.
    std::vector<double> crossings;
    for (std::size_t k = 0; k + 1 < times.size(); ++k) {
      double a = times[k], b = times[k + 1];
      const bool inA = Inside(hourAngleAt(a), place);
      if (inA == Inside(hourAngleAt(b), place)) continue;
      for (int n = 0; n < 40 && b - a > 1e-7; ++n) {
        const double m = (a + b) / 2;
        (Inside(hourAngleAt(m), place) == inA ? a : b) = m;
      }
      crossings.push_back(b);
    }
    std::vector<char> isCrossing(times.size(), 0);
    if (!crossings.empty()) {
      std::vector<double> merged;
      merged.reserve(times.size() + crossings.size());
      std::merge(times.begin(), times.end(), crossings.begin(), crossings.end(), std::back_inserter(merged));
      times = std::move(merged);
      isCrossing.assign(times.size(), 0);
      for (double x : crossings)
        isCrossing[static_cast<std::size_t>(std::lower_bound(times.begin(), times.end(), x) - times.begin())] = 1;
    }

    s.altitudes.reserve(times.size());
    s.hourAngles.reserve(times.size());
    for (double t : times) {
      const double lst = astro::LocalSiderealTime(t, p.longitude);
      const astro::Horizon hz = astro::HorizonCoordinates(p.latitude, lst, place.raOfDateDegrees, place.decOfDate);
      s.altitudes.push_back(90 - hz.zenithDistanceDeg);
      s.hourAngles.push_back(HourAngleAt(lst, place));
    }

    // Stretches end at crossings; a stretch is inside when its points other
    // than the crossings pass the test.
    auto insideAfter = [&](std::size_t k) {
      const std::size_t j = k + 1 < times.size() && isCrossing[k] ? k + 1 : k;
      return Inside(s.hourAngles[j], place);
    };
    std::size_t from = 0;
    for (std::size_t k = 1; k < times.size(); ++k) {
      if (isCrossing[k] || k + 1 == times.size()) {
        s.stretches.push_back({from, k, insideAfter(from)});
        from = k;
      }
    }
    if (times.size() == 1) s.stretches.push_back({0, 0, Inside(s.hourAngles[0], place)});
  }

  for (NightEvent& ev : c.events) {
    const NightStar& s = c.stars[ev.starSlot];
    const auto k = static_cast<std::size_t>(std::lower_bound(s.times.begin(), s.times.end(), ev.time) - s.times.begin());
    ev.altitude = s.altitudes.at(k);
  }
  return c;
}

NightChartData FilterNightChart(const NightChartData& chart, const ChartFilter& filter) {
  // ASCII case folding: star names and types are ASCII in practice, and
  // other bytes compare as they are.
  auto folded = [](std::string_view text) {
    std::string out(text);
    for (char& ch : out)
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return out;
  };
  std::vector<std::string> terms;
  for (std::size_t from = 0; from <= filter.text.size();) {
    std::size_t to = filter.text.find(',', from);
    if (to == std::string::npos) to = filter.text.size();
    std::string_view term(filter.text.data() + from, to - from);
    while (!term.empty() && (term.front() == ' ' || term.front() == '\t')) term.remove_prefix(1);
    while (!term.empty() && (term.back() == ' ' || term.back() == '\t')) term.remove_suffix(1);
    if (!term.empty()) terms.push_back(folded(term));
    from = to + 1;
  }
  std::vector<bool> starShown(chart.stars.size(), terms.empty());
  for (std::size_t i = 0; i < chart.stars.size() && !terms.empty(); ++i) {
    const std::string name = folded(chart.stars[i].name), type = folded(chart.stars[i].type);
    starShown[i] = std::any_of(terms.begin(), terms.end(), [&](const std::string& t) {
      return name.find(t) != std::string::npos || type.find(t) != std::string::npos;
    });
  }

  NightChartData out = chart;
  out.stars.clear();
  out.events.clear();
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> newSlot(chart.stars.size(), kNone);
  for (NightEvent ev : chart.events) {
    if (!starShown[ev.starSlot] || (filter.hidePartial && ev.partial) || (filter.hideMoon && ev.nearMoon)) continue;
    std::size_t& slot = newSlot[ev.starSlot];
    if (slot == kNone) {
      slot = out.stars.size();
      out.stars.push_back(chart.stars[ev.starSlot]);
    }
    ev.starSlot = slot;
    out.events.push_back(ev);
  }
  return out;
}

}  // namespace tevaro::run
