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
#include <cstring>
#include <limits>
#include <memory>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "astro/moon.h"
#include "data/text.h"
#include "run/parallel.h"
#include "run/report.h"
#include "run/report_fields.h"

namespace tevaro::run {

namespace {

using astro::DegreesPerRadian;

// The shortest text that reads back as the same double, '.' in any locale.
void AppendNumber(std::string& out, double x) {
  std::array<char, 32> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), x);
  out.append(buf.data(), r.ptr);
}

// The most characters PutFixed writes: a double's integer digits, a sign,
// a point and nine decimals.
constexpr std::size_t kFixedRoom = 330;

// x rounded to `decimals` (0..9) decimals at `p`, as exactly as printf
// rounds, '.' in any locale; a value that rounds to zero has no sign.
// Returns the end.
char* PutFixed(char* p, double x, int decimals) {
  static constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double scaled = std::fabs(x) * kScale[decimals];
  if (!(scaled < 9e15))  // beyond the integers a double holds exactly, or not a number
    return std::to_chars(p, p + kFixedRoom, x, std::chars_format::fixed, decimals).ptr;
  static constexpr auto kPairs = [] {
    std::array<char, 200> pairs{};
    for (int k = 0; k < 100; ++k) {
      pairs[2 * k] = static_cast<char>('0' + k / 10);
      pairs[2 * k + 1] = static_cast<char>('0' + k % 10);
    }
    return pairs;
  }();
  // The nearest integer to the exact |x| x 10^d, ties to even: the
  // product's own rounding error (exact, from an fma) settles the cases
  // where the rounded product sits on or beyond a half.
  double nearest = std::nearbyint(scaled);
  const double rest = (scaled - nearest) + std::fma(std::fabs(x), kScale[decimals], -scaled);
  if (rest > 0.5) nearest += 1;
  else if (rest < -0.5) nearest -= 1;
  auto n = static_cast<std::uint64_t>(nearest);
  const bool negative = x < 0 && n != 0;
  // The digits from the last, into the end of a buffer, then moved to p.
  char buf[24];
  char* q = buf + sizeof buf;
  int k = 0;
  for (; k + 2 <= decimals; k += 2, n /= 100) std::memcpy(q -= 2, &kPairs[2 * (n % 100)], 2);
  if (k < decimals) {
    *--q = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  if (decimals > 0) *--q = '.';
  for (; n >= 10; n /= 100) std::memcpy(q -= 2, &kPairs[2 * (n % 100)], 2);
  if (n > 0 || q == buf + sizeof buf || *q == '.') *--q = static_cast<char>('0' + n);
  if (negative) *--q = '-';
  const auto length = static_cast<std::size_t>(buf + sizeof buf - q);
  std::memcpy(p, q, length);
  return p + length;
}

void AppendFixed(std::string& out, double x, int decimals) {
  char buf[kFixedRoom];
  out.append(buf, PutFixed(buf, x, decimals));
}

// The decimals of the CSV's numbers: finer than the routines compute them.
constexpr int kDegreeDecimals = 6;   // 0.0036 arcsec
constexpr int kHourDecimals = 7;     // 0.00036 s
constexpr int kFractionDecimals = 6; // airmass and the Moon's lit fraction
constexpr int kElementDecimals = 9;  // days, 0.09 ms: all a double holds near 2.4 million

// A plain decimal number: an optional sign, digits with or without a point,
// an optional exponent.
bool IsPlainNumber(std::string_view t) {
  std::size_t i = t.empty() || (t[0] != '+' && t[0] != '-') ? 0 : 1;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i - from;
  };
  std::size_t mantissa = digits();
  if (i < t.size() && t[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

// A CSV field, quoted when it holds a comma, a quote or a line end. A text
// that a spreadsheet would run as a formula, one that opens with =, +, -, @,
// tab or CR and is not a plain number, is written after a ' (OWASP's advice
// against CSV injection).
void AppendField(std::string& out, std::string_view text) {
  std::string guarded;
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos &&
      !IsPlainNumber(text)) {
    guarded = "'" + std::string(text);
    text = guarded;
  }
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

// A magnitude as read: the number, the text when it was not one, or nothing.
void AppendMagnitude(std::string& out, const data::FieldValue& v) {
  if (v.IsNumber()) AppendNumber(out, v.number);
  else if (!v.IsEmpty()) AppendField(out, v.text);
}

// The most characters PutIso writes.
constexpr std::size_t kIsoRoom = 25;

// ISO 8601 of local calendar fields `c` on a clock `zone` hours west, to the
// second, with "Z" or the offset, at `p`. Returns the end.
char* PutIso(char* p, const astro::CalendarTime& c, double zone, bool utc) {
  if (c.year < 0 || c.year > 9999) {
    std::memcpy(p, "invalid", 7);
    return p + 7;
  }
  const auto two = [&p](long v, char after) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
    p += 2;
    if (after) *p++ = after;
  };
  two(c.year / 100, 0);
  two(c.year % 100, '-');
  two(c.month, '-');
  two(c.day, 'T');
  two(c.hour, ':');
  two(c.minute, ':');
  two(c.second, 0);
  if (utc) {
    *p++ = 'Z';
    return p;
  }
  const long offset = std::lround(-zone * 60);  // minutes east
  *p++ = offset < 0 ? '-' : '+';
  two(std::labs(offset) / 60 % 100, ':');
  two(std::labs(offset) % 60, 0);
  return p;
}

void AppendIso(std::string& out, double rjd, double zone, bool utc) {
  char buf[kIsoRoom];
  out.append(buf, PutIso(buf, astro::RjdToCalendar(rjd, zone), zone, utc));
}

// The same through a clock that keeps the day of the last instant.
char* PutIso(char* p, fields::LocalClock& clock, double rjd, bool utc) {
  astro::CalendarTime c;
  if (!clock.Split(rjd, c)) c = astro::RjdToCalendar(rjd, clock.zone());
  return PutIso(p, c, clock.zone(), utc);
}

bool HasEclipse(const data::StarEntry& s, int phase) {
  return s.durationHours && (phase == 1 || phase == 3);
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

std::string CsvNumber(double x, int decimals) {
  std::string s;
  AppendFixed(s, x, std::clamp(decimals, 0, 9));
  return s;
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
// place of date, its sines and its directions are found once, up front.
class ValueMaker {
 public:
  explicit ValueMaker(const ListedRun& run)
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

  EventValues Of(std::size_t i, Engine engine) const {
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
    if (HasEclipse(s, e.phase)) {
      v.eclipseStart = e.time - *s.durationHours / 48;
      v.eclipseEnd = e.time + *s.durationHours / 48;
    }
    return v;
  }

 private:
  struct Star {
    StarPlace place;
    double sinDec = 0, cosDec = 0;
    astro::Vector3 moonDirection;  // on the Moon's axes
  };
  const ListedRun& run_;
  const PredictionOutcome& o_;
  std::vector<std::optional<Star>> stars_;
  SiteSun sun_;
};

// Writes CSV rows. A star's texts are made once; the calendar days of the
// run's clock and of UTC are kept from row to row.
class CsvRows {
 public:
  CsvRows(const ListedRun& run, const ValueMaker& maker, const std::vector<std::string>& heads,
          const std::vector<std::string>& tails)
      : run_(run), maker_(maker), heads_(heads), tails_(tails) {}

  // The rows of listed events from..to-1, appended to `out`.
  void Append(std::string& out, std::size_t from, std::size_t to) {
    const PredictionOutcome& o = run_.outcome();
    const bool moon = static_cast<bool>(o.moon);
    const bool eclipse = run_.params.wholeEclipse;
    for (std::size_t i = from; i < to; ++i) {
      const EventValues v = maker_.Of(i, Engine::Fast);
      const EventEntry& e = o.events[i];
      if (v.zone != local_.zone()) local_ = fields::LocalClock(v.zone);
      // Each row is made in one buffer with room for its longest form and
      // appended whole.
      const std::string& head = heads_[e.star];
      const std::string& tail = tails_[e.star];
      row_.resize(std::max(row_.size(), head.size() + tail.size() + kNumbersRoom));
      char* p = row_.data();
      const auto put = [&p](std::string_view text) {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
      };
      const auto number = [&p](double x, int decimals) {
        *p++ = ',';
        p = PutFixed(p, x, decimals);
      };
      put(head);
      put(EventLabel(e.phase));
      *p++ = ',';
      p = PutIso(p, local_, v.time, false);
      *p++ = ',';
      p = PutIso(p, utc_, v.time, true);
      number(v.time + 2400000, 5);
      number(v.elementRjd + 2400000, kElementDecimals);
      number(v.cycle, 2);
      number(v.altitude, kDegreeDecimals);
      number(v.azimuth, kDegreeDecimals);
      number(v.hourAngle, kHourDecimals);
      number(v.airmass, kFractionDecimals);
      number(v.decOfDate, kDegreeDecimals);
      number(v.sunAltitude, kDegreeDecimals);
      *p++ = ',';
      put(tail);
      put(e.close ? ",true" : ",false");
      if (moon) {
        put(e.nearMoon ? ",true" : ",false");
        const auto optional = [&](const std::optional<double>& x, int decimals) {
          if (x) number(*x, decimals);
          else *p++ = ',';
        };
        optional(v.moonAltitude, kDegreeDecimals);
        optional(v.moonIlluminated, kFractionDecimals);
        optional(v.moonDistance, kDegreeDecimals);
      }
      if (eclipse) {
        *p++ = ',';
        if (v.eclipseStart) p = PutIso(p, eclipse_, *v.eclipseStart, true);
        *p++ = ',';
        if (v.eclipseEnd) p = PutIso(p, eclipse_, *v.eclipseEnd, true);
        *p++ = ',';
        if (v.eclipseStart) put(e.partial ? "false" : "true");
      }
      put("\r\n");
      out.append(row_.data(), p);
    }
  }

 private:
  const ListedRun& run_;
  const ValueMaker& maker_;
  const std::vector<std::string>& heads_;  // per star: "name,type,"
  const std::vector<std::string>& tails_;  // per star: "max,min,comment"
  fields::LocalClock local_{std::numeric_limits<double>::quiet_NaN()}, utc_{0}, eclipse_{0};
  // Room for a row's texts other than the star's: 12 numbers, 4 times and
  // the labels, marks and separators.
  static constexpr std::size_t kNumbersRoom = 12 * (kFixedRoom + 1) + 4 * (kIsoRoom + 1) + 64;
  std::vector<char> row_;
};

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
  // Each listed star's own fields, quoted once.
  std::vector<std::string> heads(run.stars.entries.size()), tails(run.stars.entries.size());
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) {
    const std::uint32_t k = o.events[i].star;
    if (!heads[k].empty()) continue;
    const data::StarEntry& s = run.stars.entries.at(k);
    AppendField(heads[k], s.name);
    heads[k] += ',';
    AppendField(heads[k], s.varType);
    heads[k] += ',';
    AppendMagnitude(tails[k], s.maxMag);
    tails[k] += ',';
    AppendMagnitude(tails[k], s.minMag);
    tails[k] += ',';
    AppendField(tails[k], s.comment);
  }
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
      texts[k].reserve(kPieceEvents * 256);
      CsvRows(run, maker, heads, tails).Append(texts[k], from, std::min(from + kPieceEvents, o.events.size()));
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

std::vector<EventValues> ListedEventValues(const ListedRun& run, Engine engine) {
  const PredictionOutcome& o = run.outcome();
  std::vector<EventValues> rows;
  const ValueMaker maker(run);
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) rows.push_back(maker.Of(i, engine));
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
