#include "export/event_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "astro/moon.h"
#include "run/elements.h"
#include "run/report.h"
#include "export/text.h"

namespace tevaro::exports {

using namespace run;
using astro::DegreesPerRadian;

ValueMaker::ValueMaker(const run::ListedRun& run)
    : run_(run), o_(run.outcome()), stars_(run.stars.entries.size()), sun_(run.params.latitude) {
  for (std::size_t i = o_.firstListed; i < o_.events.size(); ++i) {
    const std::uint32_t k = o_.events[i].star;
    if (stars_[k]) continue;
    const data::StarEntry& s = run.stars.entries.at(k);
    Star& star = stars_[k].emplace();
    star.place = PlaceOfDate(s, run.limits, o_.epoch);
    const double dec = star.place.decOfDate / DegreesPerRadian;
    star.sinDec = std::sin(dec);
    star.cosDec = std::cos(dec);
    if (o_.moon) {
      const astro::Vector3 j2000 = astro::DirectionOf(astro::DmsToDegrees(s.raDms), astro::DmsToDegrees(s.decDms));
      star.moonDirection = o_.moon->OfDate(j2000);
    }
  }
}

EventValues ValueMaker::Of(std::size_t i, run::Engine engine) const {
  const RunParameters& p = run_.params;
  const EventEntry& e = o_.events[i];
  const data::StarEntry& s = run_.stars.entries.at(e.star);
  const Star& star = *stars_[e.star];
  const StarPlace& place = star.place;
  EventValues v;
  v.index = i;
  v.time = e.time;
  v.zone = o_.ZoneAt(e.time);
  v.cycle = e.cycle;
  v.elementRjd = s.epoch + v.cycle * s.period;
  const double lst = astro::LocalSiderealTime(e.time, p.longitude);
  astro::Horizon hz;
  if (engine == Engine::Literal) {
    hz = astro::HorizonCoordinates(p.latitude, lst, place.raOfDateDegrees, place.decOfDate);
    v.sunAltitude = SunAltitude(e.time, lst, p.latitude);
  } else {
    // HorizonCoordinates with the sines of the site and the star kept.
    const double h = (lst * 15 - place.raOfDateDegrees) / DegreesPerRadian;
    hz.zenithDistanceDeg =
        astro::ArcCosDeg(astro::CosZenithDistance(sun_.sinLat(), sun_.cosLat(), star.sinDec, star.cosDec, h));
    hz.azimuthDeg = astro::AzimuthOf(hz.zenithDistanceDeg, sun_.sinLat(), sun_.cosLat(), star.sinDec, h);
    v.sunAltitude = sun_.Altitude(e.time, lst);
  }
  v.altitude = 90 - hz.zenithDistanceDeg;
  v.azimuth = hz.azimuthDeg;
  v.hourAngle = HourAngleAt(lst, place);
  v.airmass = Airmass(hz.zenithDistanceDeg);
  v.decOfDate = place.decOfDate;
  if (o_.moon) {
    const astro::MoonPlace m = o_.moon->At(e.time);
    v.moonAltitude = m.altitudeDeg;
    v.moonIlluminated = m.illuminated;
    v.moonDistance = astro::SeparationDeg(m.direction, star.moonDirection);
  }
  if (const std::optional<double> hours = run::EclipseHours(s, e.phase)) {
    v.eclipseStart = e.time - *hours / 48;
    v.eclipseEnd = e.time + *hours / 48;
  }
  return v;
}

std::vector<EventValues> ListedEventValues(const ListedRun& run, Engine engine) {
  const PredictionOutcome& o = run.outcome();
  std::vector<EventValues> rows;
  const ValueMaker maker(run);
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) rows.push_back(maker.Of(i, engine));
  return rows;
}

std::optional<double> SigmaShown(const ListedRun& run, const EventEntry& e) {
  const data::StarEntry& s = run.stars.entries.at(e.star);
  if (!run.params.uncertainty || !HasElementErrors(s)) return std::nullopt;
  return PredictionSigmaDays(s, e.cycle);
}

double SpanWidening(const ListedRun& run, const EventEntry& e) {
  // Absurd errors would widen a span past the calendar's years; a year each
  // side already says the event may fall on any night.
  return std::min(2 * SigmaShown(run, e).value_or(0), 366.0);
}

ObservingWindow WindowOf(const ListedRun& run, const EventEntry& e, double marginMinutes) {
  const data::StarEntry& s = run.stars.entries.at(e.star);
  const double halfHours = EclipseHours(s, e.phase).value_or(1.0) / 2;
  const double side = halfHours / 24 + marginMinutes / 1440 + SpanWidening(run, e);
  return {e.time - side, e.time + side};
}


std::string EventTitle(const run::ListedRun& run, const run::EventEntry& e) {
  const astro::CalendarTime c = astro::RjdToCalendar(e.time, run.outcome().ZoneAt(e.time));
  char date[40];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", std::clamp(static_cast<int>(c.year), 0, 9999),
                static_cast<int>(c.month), static_cast<int>(c.day));
  return run.stars.entries.at(e.star).name + ' ' + EventLabel(e.phase) + ' ' + date;
}

J2000Position PositionOf(const data::StarEntry& s) {
  return {astro::DmsToDegrees(s.raDms), astro::DmsToDegrees(s.decDms)};
}

}  // namespace tevaro::exports
