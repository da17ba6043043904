// The iCalendar file (RFC 5545) of a run's listed events: one event per
// listed event, over its eclipse or an hour about a maximum.
#include <libical/ical.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "data/text.h"
#include "export/event_values.h"
#include "export/formats.h"
#include "export/text.h"
#include "run/report.h"

namespace tevaro::exports {

using namespace run;

namespace {

icaltimetype IcalUtc(double rjd) {
  const astro::CalendarTime c = astro::RjdToCalendar(rjd, 0);
  icaltimetype t = icaltime_null_time();
  t.year = c.year;
  t.month = c.month;
  t.day = c.day;
  t.hour = c.hour;
  t.minute = c.minute;
  t.second = c.second;
  t.is_date = 0;
  return icaltime_set_timezone(&t, icaltimezone_get_utc_timezone());
}

// 64-bit FNV-1a.
std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

std::string EventUid(const std::string& starName, double cycle, const std::string& siteName, double longitude,
                     double latitude) {
  std::string site = siteName + '\n';
  AppendNumber(site, longitude);
  site += ',';
  AppendNumber(site, latitude);
  std::string uid = "E";
  AppendNumber(uid, cycle);
  char hex[20];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(starName + '\n' + site)));
  return uid + '-' + hex + "@tevaro";
}

bool WriteEventsIcs(const ListedRun& run, const ExportChoices&, const data::ByteSink& sink) {
  const PredictionOutcome& o = run.outcome();
  const RunParameters& p = run.params;
  using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;
  Component cal(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                    icalproperty_new_prodid("-//Tevaro//eclipsing-binary events//EN"),
                                    icalproperty_new_calscale("GREGORIAN"), nullptr),
                &icalcomponent_free);
  // Text of RFC 5545 may hold no control character: the site's are blanked,
  // as the report blanks them.
  std::string location = data::BlankControls(run.siteName);
  if (location.empty()) {
    location = "longitude ";
    AppendNumber(location, p.longitudeDms);
    location += " W, latitude ";
    AppendNumber(location, p.latitudeDms);
  }
  icalgeotype geo{};
  geo.lat = p.latitude;
  geo.lon = -p.longitude;  // the run's longitude is positive west
  const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
  for (const EventValues& v : ListedEventValues(run)) {
    const EventEntry& e = o.events[v.index];
    const data::StarEntry& s = run.stars.entries.at(e.star);
    // With the uncertainty shown, the span widens by 2 sigma at each end.
    const double widening = SpanWidening(run, e);
    const double start = v.eclipseStart.value_or(v.time - 1.0 / 48) - widening;
    const double end = v.eclipseEnd.value_or(v.time + 1.0 / 48) + widening;
    std::string description = Trimmed(EventLine(e, s, v.zone, p.outputMode, p.uncertainty)) + "\nAltitude ";
    AppendFixed(description, v.altitude, 1);
    description += " deg";
    const std::string summary = s.name + " \xE2\x80\x94 " + EventName(e.phase);
    const std::string uid = EventUid(s.name, v.cycle, run.siteName, p.longitudeDms, p.latitudeDms);
    icalcomponent* ev = icalcomponent_vanew(
        ICAL_VEVENT_COMPONENT, icalproperty_new_uid(uid.c_str()), icalproperty_new_dtstamp(stamp),
        icalproperty_new_dtstart(IcalUtc(start)), icalproperty_new_dtend(IcalUtc(end)),
        icalproperty_new_summary(summary.c_str()), icalproperty_new_location(location.c_str()),
        icalproperty_new_geo(geo), icalproperty_new_description(description.c_str()), nullptr);
    icalcomponent_add_component(cal.get(), ev);
  }
  char* text = icalcomponent_as_ical_string_r(cal.get());
  if (!text) return false;
  const bool ok = sink(text);
  std::free(text);
  return ok;
}

}  // namespace tevaro::exports
