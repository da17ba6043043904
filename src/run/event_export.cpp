#include "run/event_export.h"

#include <libical/ical.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <memory>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "astro/moon.h"
#include "run/parallel.h"
#include "run/report.h"

namespace tevaro::run {

namespace {

// The shortest text that reads back as the same double, '.' in any locale.
void AppendNumber(std::string& out, double x) {
  std::array<char, 32> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), x);
  out.append(buf.data(), r.ptr);
}

void AppendFixed(std::string& out, double x, int decimals) {
  std::array<char, 48> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed, decimals);
  out.append(buf.data(), r.ptr);
}

// A CSV field, quoted when it holds a comma, a quote or a line end.
void AppendField(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(text);
    return;
  }
  out.push_back('"');
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

void AppendOptional(std::string& out, const std::optional<double>& x) {
  if (x) AppendNumber(out, *x);
}

// A magnitude as read: the number, the text when it was not one, or nothing.
void AppendMagnitude(std::string& out, const data::FieldValue& v) {
  if (v.IsNumber()) AppendNumber(out, v.number);
  else if (!v.IsEmpty()) AppendField(out, v.text);
}

// `digits` decimal digits of n >= 0, zero-padded.
void AppendDigits(std::string& out, long n, int digits) {
  char buf[20];
  for (int k = digits - 1; k >= 0; --k, n /= 10) buf[k] = static_cast<char>('0' + n % 10);
  out.append(buf, static_cast<std::size_t>(digits));
}

// ISO 8601 of `rjd` on a clock `zone` hours west, to the second, with "Z" or
// the offset.
void AppendIso(std::string& out, double rjd, double zone, bool utc) {
  const astro::CalendarTime c = astro::RjdToCalendar(rjd, zone);
  if (c.year < 0 || c.year > 9999) {
    out += "invalid";
    return;
  }
  AppendDigits(out, c.year, 4);
  out += '-';
  AppendDigits(out, c.month, 2);
  out += '-';
  AppendDigits(out, c.day, 2);
  out += 'T';
  AppendDigits(out, c.hour, 2);
  out += ':';
  AppendDigits(out, c.minute, 2);
  out += ':';
  AppendDigits(out, c.second, 2);
  if (utc) {
    out += 'Z';
    return;
  }
  const long offset = std::lround(-zone * 60);  // minutes east
  out += offset < 0 ? '-' : '+';
  AppendDigits(out, std::labs(offset) / 60, 2);
  out += ':';
  AppendDigits(out, std::labs(offset) % 60, 2);
}

// The cycle number, in quarters, of an event of phase `phase` whose element
// instant (on the epochs' scale) is about `time`: the quarter of the phase
// nearest to (time - epoch) / period.
double CycleOf(const data::StarEntry& s, double time, int phase) {
  const double q0 = std::nearbyint(4 * (time - s.epoch) / s.period);
  const long long r0 = static_cast<long long>(std::fmod(q0, 4.0));
  long long d = ((phase - 1 - r0) % 4 + 4) % 4;  // 0..3 quarters up to the phase
  if (d == 3) d = -1;
  else if (d == 2 && 4 * (time - s.epoch) / s.period < q0) d = -2;
  return (q0 + static_cast<double>(d)) / 4;
}

bool HasEclipse(const RunParameters& p, const data::StarEntry& s, int phase) {
  return p.wholeEclipse && s.durationHours && (phase == 1 || phase == 3);
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  std::size_t k = 0;
  while (k < s.size() && s[k] == ' ') ++k;
  return s.substr(k);
}

const char* EventName(std::uint8_t phase) {
  switch (phase) {
    case 1: return "primary minimum";
    case 3: return "secondary minimum";
    case 2: return "maximum .25";
    default: return "maximum .75";
  }
}

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

const char* EventLabel(std::uint8_t phase) {
  static constexpr const char* kLabels[5] = {"", "I", ".25", "II", ".75"};
  return kLabels[phase <= 4 ? phase : 0];
}

std::string IsoLocal(double rjd, double zone) {
  std::string s;
  AppendIso(s, rjd, zone, false);
  return s;
}

std::string IsoUtc(double rjd) {
  std::string s;
  AppendIso(s, rjd, 0, true);
  return s;
}

namespace {

// Computes the values of listed events, from any thread: each listed star's
// place of date and direction on the Moon's axes are found once, up front.
class ValueMaker {
 public:
  explicit ValueMaker(const ListedRun& run)
      : run_(run), o_(run.outcome()), places_(run.stars.entries.size()),
        moonDirections_(o_.moon ? run.stars.entries.size() : 0),
        light_(o_.epochScale, o_.rjdStart - 1, o_.rjdEnd + 1) {
    for (std::size_t i = o_.firstListed; i < o_.events.size(); ++i) {
      const std::uint32_t k = o_.events[i].star;
      if (places_[k]) continue;
      const data::StarEntry& s = run.stars.entries.at(k);
      places_[k] = PlaceOfDate(s, run.limits, o_.epoch);
      if (o_.moon)
        moonDirections_[k] =
            o_.moon->OfDate(astro::DirectionOf(astro::DmsToDegrees(s.raDms), astro::DmsToDegrees(s.decDms)));
    }
  }

  EventValues Of(std::size_t i) const {
    const RunParameters& p = run_.params;
    const EventEntry& e = o_.events[i];
    const data::StarEntry& s = run_.stars.entries.at(e.star);
    const StarPlace& place = *places_[e.star];
    EventValues v;
    v.index = i;
    v.time = e.time;
    v.zone = o_.ZoneAt(e.time);
    // The element instant is the seen one less the light-time shift (up to
    // 9.5 minutes, more than a quarter period of the fastest stars); the
    // shift at the seen instant is that at the element instant to a
    // millisecond.
    const double shift = light_.IsIdentity() ? 0
                             : light_.EarthUtc(e.time, astro::DirectionOf(astro::DmsToDegrees(s.raDms),
                                                                          astro::DmsToDegrees(s.decDms))) -
                                   e.time;
    v.cycle = CycleOf(s, e.time - shift, e.phase);
    v.elementRjd = s.epoch + v.cycle * s.period;
    const double lst = astro::LocalSiderealTime(e.time, p.longitude);
    const astro::Horizon hz = astro::HorizonCoordinates(p.latitude, lst, place.raOfDateDegrees, place.decOfDate);
    v.altitude = 90 - hz.zenithDistanceDeg;
    v.azimuth = hz.azimuthDeg;
    v.hourAngle = HourAngleAt(lst, place);
    // The report's airmass, which divides by 57.296, so both agree.
    v.airmass = 1 / std::cos(hz.zenithDistanceDeg / 57.296);
    v.decOfDate = place.decOfDate;
    v.sunAltitude = SunAltitude(e.time, lst, p.latitude);
    if (o_.moon) {
      const astro::MoonPlace m = o_.moon->At(e.time);
      v.moonAltitude = m.altitudeDeg;
      v.moonIlluminated = m.illuminated;
      v.moonDistance = astro::SeparationDeg(m.direction, *moonDirections_[e.star]);
    }
    if (HasEclipse(p, s, e.phase)) {
      v.eclipseStart = e.time - *s.durationHours / 48;
      v.eclipseEnd = e.time + *s.durationHours / 48;
    }
    return v;
  }

 private:
  const ListedRun& run_;
  const PredictionOutcome& o_;
  std::vector<std::optional<StarPlace>> places_;
  std::vector<std::optional<astro::Vector3>> moonDirections_;
  astro::LightTimeModel light_;  // the run's light-time correction
};


// The CSV rows of listed events from..to-1, appended to `out`.
void AppendCsvRows(std::string& out, const ListedRun& run, const ValueMaker& maker, std::size_t from,
                   std::size_t to) {
  const PredictionOutcome& o = run.outcome();
  const bool moon = static_cast<bool>(o.moon);
  const bool eclipse = run.params.wholeEclipse;
  for (std::size_t i = from; i < to; ++i) {
    const EventValues v = maker.Of(i);
    const EventEntry& e = o.events[i];
    const data::StarEntry& s = run.stars.entries.at(e.star);
    AppendField(out, s.name);
    out += ',';
    AppendField(out, s.varType);
    out += ',';
    out += EventLabel(e.phase);
    out += ',';
    AppendIso(out, v.time, v.zone, false);
    out += ',';
    AppendIso(out, v.time, 0, true);
    out += ',';
    AppendFixed(out, v.time + 2400000, 5);
    out += ',';
    AppendNumber(out, v.elementRjd + 2400000);
    for (double x : {v.cycle, v.altitude, v.azimuth, v.hourAngle, v.airmass, v.decOfDate, v.sunAltitude}) {
      out += ',';
      AppendNumber(out, x);
    }
    out += ',';
    AppendMagnitude(out, s.maxMag);
    out += ',';
    AppendMagnitude(out, s.minMag);
    out += ',';
    AppendField(out, s.comment);
    out += e.close ? ",true" : ",false";
    if (moon) {
      out += e.nearMoon ? ",true," : ",false,";
      AppendOptional(out, v.moonAltitude);
      out += ',';
      AppendOptional(out, v.moonIlluminated);
      out += ',';
      AppendOptional(out, v.moonDistance);
    }
    if (eclipse) {
      out += ',';
      if (v.eclipseStart) AppendIso(out, *v.eclipseStart, 0, true);
      out += ',';
      if (v.eclipseEnd) AppendIso(out, *v.eclipseEnd, 0, true);
      out += ',';
      if (v.eclipseStart) out += e.partial ? "false" : "true";
    }
    out += "\r\n";
  }
}

}  // namespace

bool WriteEventsCsv(const ListedRun& run, const data::ByteSink& sink) {
  const PredictionOutcome& o = run.outcome();
  std::string header =
      "star,type,event,local_time,utc,jd_utc,element_jd_" + std::string(astro::EpochScaleName(o.epochScale)) +
      ",cycle,altitude_deg,azimuth_deg,hour_angle_h,airmass,dec_of_date_deg,sun_altitude_deg,max_mag,min_mag,"
      "comment,close";
  if (o.moon) header += ",near_moon,moon_altitude_deg,moon_illuminated,moon_distance_deg";
  if (run.params.wholeEclipse) header += ",eclipse_start_utc,eclipse_end_utc,eclipse_all_observable";
  header += "\r\n";
  if (!sink(header)) return false;
  if (!o.HasListed()) return true;
  // Pieces of rows made on every core a batch at a time and handed to the
  // sink in order, so a year's file is never held whole.
  constexpr std::size_t kPieceEvents = 16384, kBatchPieces = 16;
  const ValueMaker maker(run);
  const std::size_t count = o.events.size() - o.firstListed;
  const std::size_t pieces = (count + kPieceEvents - 1) / kPieceEvents;
  std::vector<std::string> texts(kBatchPieces);
  for (std::size_t first = 0; first < pieces; first += kBatchPieces) {
    const std::size_t n = std::min(kBatchPieces, pieces - first);
    ForEachPiece(n, ThreadsFor(0, n, 1), [&](std::size_t k) {
      const std::size_t from = o.firstListed + (first + k) * kPieceEvents;
      texts[k].clear();
      AppendCsvRows(texts[k], run, maker, from, std::min(from + kPieceEvents, o.events.size()));
    });
    for (std::size_t k = 0; k < n; ++k)
      if (!sink(texts[k])) return false;
  }
  return true;
}

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

std::vector<EventValues> ListedEventValues(const ListedRun& run) {
  const PredictionOutcome& o = run.outcome();
  std::vector<EventValues> rows;
  const ValueMaker maker(run);
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) rows.push_back(maker.Of(i));
  return rows;
}

bool WriteEventsIcs(const ListedRun& run, const data::ByteSink& sink) {
  const PredictionOutcome& o = run.outcome();
  const RunParameters& p = run.params;
  using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;
  Component cal(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                    icalproperty_new_prodid("-//Tevaro//eclipsing-binary events//EN"),
                                    icalproperty_new_calscale("GREGORIAN"), nullptr),
                &icalcomponent_free);
  std::string location = run.siteName;
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
    const double start = v.eclipseStart.value_or(v.time - 1.0 / 48);
    const double end = v.eclipseEnd.value_or(v.time + 1.0 / 48);
    std::string description = Trimmed(EventLine(e, s, v.zone, p.outputMode)) + "\nAltitude ";
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

EventFileKind EventFileKindOf(const std::string& path) {
  if (path.size() < 4) return EventFileKind::Csv;
  std::string end = path.substr(path.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return end == ".ics" ? EventFileKind::Ics : EventFileKind::Csv;
}

bool WriteEvents(const ListedRun& run, EventFileKind kind, const data::ByteSink& sink) {
  return kind == EventFileKind::Ics ? WriteEventsIcs(run, sink) : WriteEventsCsv(run, sink);
}

data::WriteResult WriteEventsFile(const ListedRun& run, const std::string& path, EventFileKind kind) {
  return data::WriteFileAtomicallyFrom(path, [&](const data::ByteSink& sink) { return WriteEvents(run, kind, sink); });
}

}  // namespace tevaro::run
