#include "export/formats.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <locale>
#include <map>
#include <set>
#include <string>

#include "export/event_values.h"
#include "export/text.h"
#include "run/report.h"
#include "run/session.h"

namespace tevaro::exports {
namespace {

using namespace run;

struct RunCase {
  const char* name;
  const char* starFile;
  int site;
  const char* year;
  const char* month;
  const char* day;
  const char* nights;
  bool wholeEclipse;
  int mode = 1;
  bool moon = false;
  astro::EpochScale scale = astro::EpochScale::HjdAsUt;
  const char* zone = nullptr;  // the site's when null
};

// The run of `c` in a session on the example files; null when it listed nothing.
std::shared_ptr<const ListedRun> RunOf(const RunCase& c) {
  Session s;
  const std::string dir = TEVARO_EXAMPLES_DIR;
  EXPECT_FALSE(s.LoadLocations(dir + "/Location.dat"));
  EXPECT_FALSE(s.LoadLimits(dir + "/Limits.dat"));
  EXPECT_FALSE(s.LoadStars(dir + "/" + c.starFile));
  const SiteFieldTexts t = s.SelectSite(c.site);
  InputFields in;
  in.siteIndex = c.site;
  in.longitude = t.longitude;
  in.latitude = t.latitude;
  in.zone = c.zone ? c.zone : t.zone;
  in.year = c.year;
  in.month = c.month;
  in.day = c.day;
  in.nights = c.nights;
  in.maxSun = "-12";
  in.minStar = "20";
  in.eventBox = {1, 0, 1, 0};
  in.option = c.mode;
  s.params.wholeEclipse = c.wholeEclipse;
  s.params.moon = c.moon;
  s.params.epochScale = c.scale;
  s.Calculate(in);
  return s.lastRun;
}

std::string Collect(const ListedRun& run, const EventFormat& kind) {
  std::string bytes;
  EXPECT_TRUE(WriteEvents(run, kind, [&](std::string_view piece) {
    bytes.append(piece);
    return true;
  }));
  return bytes;
}

double RjdOf(icaltimetype t) {
  EXPECT_TRUE(icaltime_is_utc(t));
  return static_cast<double>(icaltime_as_timet(t)) / 86400 + 40587.5;
}

struct ParsedEvent {
  std::string uid, summary, location, description;
  double start = 0, end = 0, lat = 0, lon = 0;
};

std::vector<ParsedEvent> ParseIcs(const std::string& text) {
  std::vector<ParsedEvent> events;
  icalcomponent* cal = icalparser_parse_string(text.c_str());
  EXPECT_NE(cal, nullptr);
  if (!cal) return events;
  for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
       ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
    ParsedEvent p;
    p.uid = icalcomponent_get_uid(ev);
    p.summary = icalcomponent_get_summary(ev);
    p.location = icalcomponent_get_location(ev);
    p.description = icalcomponent_get_description(ev);
    p.start = RjdOf(icalcomponent_get_dtstart(ev));
    p.end = RjdOf(icalcomponent_get_dtend(ev));
    const icalgeotype geo = icalproperty_get_geo(icalcomponent_get_first_property(ev, ICAL_GEO_PROPERTY));
    p.lat = geo.lat;
    p.lon = geo.lon;
    events.push_back(p);
  }
  icalcomponent_free(cal);
  return events;
}

constexpr double kSecond = 1.0 / 86400;

// The iCalendar file read back by libical: one event per listed event, its
// times, summary, place and report line.
TEST(EventExport, IcsReadBackByLibical) {
  const RunCase cases[] = {
      {"one hour around each event", "stars.csv", 0, "2025", "1", "10", "30", false},
      {"the whole eclipse when its duration is known", "stars-durations.csv", 0, "2025", "1", "10", "5", true},
      {"the eclipse also with Whole eclipse off", "stars-durations.csv", 0, "2025", "1", "10", "3", false},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto run = RunOf(c);
    ASSERT_TRUE(run);
    const std::string text = Collect(*run, *FormatNamed("ics"));
    std::size_t from = 0, lines = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1, ++lines) {
      ASSERT_GT(end, from);
      EXPECT_EQ(text[end - 1], '\r') << "line " << lines + 1;
      EXPECT_LE(end - 1 - from, 75u) << "line " << lines + 1 << " not folded";
    }
    const std::vector<ParsedEvent> parsed = ParseIcs(text);
    const PredictionOutcome& o = run->outcome();
    ASSERT_EQ(parsed.size(), o.events.size() - o.firstListed);
    std::set<std::string> uids;
    for (std::size_t k = 0; k < parsed.size(); ++k) {
      const ParsedEvent& p = parsed[k];
      const EventEntry& e = o.events[o.firstListed + k];
      const data::StarEntry& star = run->stars.entries[e.star];
      uids.insert(p.uid);
      const bool eclipse = star.durationHours && (e.phase == 1 || e.phase == 3);
      const double half = eclipse ? *star.durationHours / 48 : 1.0 / 48;
      EXPECT_NEAR(p.start, e.time - half, kSecond) << p.summary;
      EXPECT_NEAR(p.end, e.time + half, kSecond) << p.summary;
      EXPECT_EQ(p.summary.rfind(star.name + " \xE2\x80\x94 ", 0), 0u) << p.summary;
      EXPECT_NE(p.summary.find(e.phase == 1 ? "primary minimum" : "secondary minimum"), std::string::npos);
      EXPECT_EQ(p.location, run->siteName);
      EXPECT_NEAR(p.lat, run->params.latitude, 1e-6);
      EXPECT_NEAR(p.lon, -run->params.longitude, 1e-6);
      std::string line = EventLine(e, star, o.ZoneAt(e.time), run->params.outputMode);
      while (!line.empty() && line.back() == ' ') line.pop_back();
      EXPECT_NE(p.description.find(line.substr(line.find_first_not_of(' '))), std::string::npos) << p.description;
      EXPECT_NE(p.description.find("Altitude "), std::string::npos);
    }
    EXPECT_EQ(uids.size(), parsed.size()) << "two events share a UID";
  }
}

// The UID: the same for the same star's same event at the same site in
// runs of overlapping spans; different at another site.
TEST(EventExport, UidStableAcrossRuns) {
  struct Pair {
    const char* name;
    RunCase a, b;
    bool sameSite;
  };
  const Pair pairs[] = {
      {"overlapping spans", {"", "stars.csv", 0, "2025", "1", "10", "4", false},
       {"", "stars.csv", 0, "2025", "1", "12", "5", false}, true},
      {"overlapping spans, whole eclipse", {"", "stars-durations.csv", 0, "2025", "1", "10", "3", true},
       {"", "stars-durations.csv", 0, "2025", "1", "11", "3", true}, true},
      {"another site", {"", "stars.csv", 0, "2025", "1", "10", "3", false},
       {"", "stars.csv", 1, "2025", "1", "10", "3", false}, false},
  };
  for (const Pair& pc : pairs) {
    SCOPED_TRACE(pc.name);
    const auto a = RunOf(pc.a), b = RunOf(pc.b);
    ASSERT_TRUE(a && b);
    // Events of both runs keyed by star and time (the same element gives
    // the same instant).
    std::map<std::pair<std::string, long long>, std::string> uidsOfA;
    for (const ParsedEvent& p : ParseIcs(Collect(*a, *FormatNamed("ics"))))
      uidsOfA[{p.summary, std::llround((p.start + p.end) * 43200)}] = p.uid;
    std::size_t shared = 0, sameUid = 0;
    std::set<std::string> uidsA;
    for (const auto& [key, uid] : uidsOfA) uidsA.insert(uid);
    for (const ParsedEvent& p : ParseIcs(Collect(*b, *FormatNamed("ics")))) {
      const auto it = uidsOfA.find({p.summary, std::llround((p.start + p.end) * 43200)});
      if (it != uidsOfA.end()) {
        ++shared;
        if (it->second == p.uid) ++sameUid;
      } else {
        EXPECT_EQ(uidsA.count(p.uid), 0u) << "a new event takes the UID of another: " << p.summary;
      }
    }
    if (pc.sameSite) {
      EXPECT_GT(shared, 5u);
      EXPECT_EQ(sameUid, shared);
    } else {
      EXPECT_EQ(sameUid, 0u);
    }
  }
}

// The CSV's numbers are the exact decimal rounding printf makes (checked
// against to_chars), with carries, signs and the values beyond 2^53.
TEST(EventExport, CsvNumbersAreRoundedExactly) {
  const auto exact = [](double x, int decimals) {
    char buf[400];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals).ptr);
  };
  struct Case {
    double x;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, "0"}, {7, 0, "7"}, {10, 0, "10"}, {100, 2, "100.00"}, {0.25, 1, "0.2"}, {0.75, 1, "0.8"},
      {9.9999996, 6, "10.000000"}, {-0.0000004, 6, "0.000000"}, {-0.0, 2, "0.00"}, {-12.346, 2, "-12.35"},
      {2460676.1234567891, 9, "2460676.123456789"}, {0.1 + 0.2, 9, "0.300000000"}, {1e17, 2, "100000000000000000.00"},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvNumber(c.x, c.decimals), c.text) << c.x;
  EXPECT_EQ(CsvNumber(std::nan(""), 6), exact(std::nan(""), 6));
  // Random values of every size the CSV writes, against the exact rounding.
  std::uint64_t state = 12345;
  for (int k = 0; k < 200000; ++k) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const double mantissa = static_cast<double>(state >> 11) / 9007199254740992.0;
    const double x = (mantissa - 0.5) * std::pow(10.0, static_cast<int>(state % 9) - 1);
    const int decimals = static_cast<int>((state >> 5) % 10);
    ASSERT_EQ(CsvNumber(x, decimals), exact(std::fabs(x) * std::pow(10.0, decimals) < 0.5 ? 0.0 : x, decimals))
        << x << " to " << decimals;
  }
}

// The CSV file holds the run's values: the fast values equal the literal
// ones bit for bit, and each row's fields are those values, rounded as
// stated, with the times of the literal calendar.
TEST(EventExport, CsvRowsHoldTheLiteralValues) {
  using astro::EpochScale;
  const RunCase cases[] = {
      {"altitude and azimuth, winter", "stars.csv", 0, "2025", "1", "10", "6", false},
      {"airmass, Moon, BJD", "stars.csv", 1, "2025", "6", "18", "6", false, 2, true, EpochScale::Bjd},
      {"declination, eclipses, a named zone across its change", "stars-durations.csv", 0, "2025", "3", "27", "5",
       true, 3, true, EpochScale::Hjd, "Europe/Berlin"},
      // Stars of their own scales: the element column cannot name one scale.
      {"named columns, mixed scales", "stars-named.csv", 0, "2025", "1", "10", "20", true},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto run = RunOf(c);
    ASSERT_TRUE(run);
    const std::vector<EventValues> literal = ListedEventValues(*run, Engine::Literal);
    const std::vector<EventValues> fast = ListedEventValues(*run, Engine::Fast);
    ASSERT_EQ(fast.size(), literal.size());
    for (std::size_t k = 0; k < fast.size(); ++k) ASSERT_TRUE(fast[k] == literal[k]) << "event " << k;

    const std::string csv = Collect(*run, *FormatNamed("csv"));
    std::vector<std::vector<std::string>> rows;
    for (std::size_t from = 0, end; (end = csv.find("\r\n", from)) != std::string::npos; from = end + 2) {
      std::vector<std::string>& row = rows.emplace_back(1);
      bool quoted = false;  // a quoted name's comma is its own; no example name holds a quote
      for (char ch : csv.substr(from, end - from))
        if (ch == '"') quoted = !quoted;
        else if (ch == ',' && !quoted) row.emplace_back();
        else row.back() += ch;
    }
    ASSERT_EQ(rows.size(), literal.size() + 1);
    const std::vector<std::string>& header = rows[0];
    const auto column = [&header](const std::string& name) {
      const auto at = std::find(header.begin(), header.end(), name);
      EXPECT_NE(at, header.end()) << name;
      return static_cast<std::size_t>(at - header.begin());
    };
    const bool mixed = std::string(c.starFile) == "stars-named.csv";
    const std::size_t elementColumn =
        column(std::string("element_jd_") + (mixed ? "mixed" : astro::EpochScaleName(c.scale)));
    for (std::size_t k = 0; k < literal.size(); ++k) {
      const EventValues& v = literal[k];
      const std::vector<std::string>& row = rows[k + 1];
      ASSERT_EQ(row.size(), header.size()) << "row " << k + 1;
      EXPECT_EQ(row[column("local_time")], IsoLocal(v.time, v.zone));
      EXPECT_EQ(row[column("utc")], IsoUtc(v.time));
      const std::pair<std::size_t, double> numbers[] = {
          {column("jd_utc"), v.time + 2400000}, {elementColumn, v.elementRjd + 2400000},
          {column("cycle"), v.cycle},           {column("altitude_deg"), v.altitude},
          {column("azimuth_deg"), v.azimuth},   {column("hour_angle_h"), v.hourAngle},
          {column("airmass"), v.airmass},       {column("dec_of_date_deg"), v.decOfDate},
          {column("sun_altitude_deg"), v.sunAltitude}};
      for (const auto& [at, value] : numbers) {
        const std::string& text = row[at];
        const std::size_t point = text.find('.');
        const double unit = std::pow(10.0, -static_cast<double>(text.size() - point - 1));
        EXPECT_LE(std::fabs(std::stod(text) - value), unit / 2 * (1 + 1e-9)) << header[at] << " " << text;
      }
      if (c.wholeEclipse && v.eclipseStart) {
        EXPECT_EQ(row[column("eclipse_start_utc")], IsoUtc(*v.eclipseStart));
      }
      if (mixed) {
        const data::StarEntry& star = run->stars.entries[run->outcome().events[v.index].star];
        EXPECT_EQ(row[column("epoch_scale")], astro::EpochScaleName(star.epochScale.value_or(c.scale)));
      }
    }
  }
}

// A locale whose decimal point is a comma, where the system has no German one.
struct CommaPoint : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// The files are the same bytes under a German locale (decimal comma, point
// for thousands) in both C++ and the C library: numbers keep '.'.
TEST(EventExport, SameBytesUnderDecimalCommaLocale) {
  const RunCase c{"", "stars-durations.csv", 0, "2025", "1", "10", "3", true, 2, true};
  const auto run = RunOf(c);
  ASSERT_TRUE(run);
  const std::string csv = Collect(*run, *FormatNamed("csv"));
  const std::string ics = Collect(*run, *FormatNamed("ics"));
  const std::string cBefore = std::setlocale(LC_ALL, nullptr);
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german) EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  else ADD_FAILURE() << "no de_DE.UTF-8 locale (scripts/deps makes it); a made-up one stands in";
  const std::locale before = std::locale::global(
      german ? std::locale("de_DE.UTF-8") : std::locale(std::locale::classic(), new CommaPoint));
  const std::string csvComma = Collect(*run, *FormatNamed("csv"));
  std::string icsComma = Collect(*run, *FormatNamed("ics"));
  std::setlocale(LC_ALL, cBefore.c_str());
  std::locale::global(before);
  EXPECT_EQ(csvComma, csv);
  // DTSTAMP is the time of writing: compare everything else.
  auto withoutStamps = [](std::string t) {
    for (std::size_t at; (at = t.find("DTSTAMP:")) != std::string::npos;) t.erase(at, t.find('\n', at) + 1 - at);
    return t;
  };
  EXPECT_EQ(withoutStamps(icsComma), withoutStamps(ics));
}

// The cycle number of stars faster than the light-time shift (a quarter
// period of 1.4 to 7 minutes against up to 9.5): the element instant it gives
// is the one whose corrected instant the run listed, for every scale.
TEST(EventExport, CycleOfStarsFasterThanTheLightTime) {
  for (astro::EpochScale scale : {astro::EpochScale::HjdAsUt, astro::EpochScale::Hjd, astro::EpochScale::Bjd}) {
    RunParameters p;
    p.longitude = p.longitudeDms = 0;
    p.latitude = p.latitudeDms = 0;
    p.standardZone = 0;
    p.dstEnabled = false;
    p.year = 2021, p.month = 3, p.day = 20, p.dayCount = 1;
    p.maxSunAltitude = 90, p.minStarAltitude = -90;
    p.eventWanted = {false, true, true, true, true};
    p.epochScale = scale;
    data::StarTable stars;
    for (double period : {0.004, 0.01, 0.02, 0.7}) {
      data::StarEntry s;
      s.name = "P" + std::to_string(period);
      s.raDms = 12;  // at opposition: the largest shift
      s.epoch = 59293.1;
      s.period = period;
      stars.entries.push_back(s);
    }
    const ListedRun run{p, stars, {}, "Site", std::nullopt};
    const astro::LightTimeModel light(scale, run.outcome().rjdStart - 1, run.outcome().rjdEnd + 1);
    const std::vector<EventValues> values = ListedEventValues(run);
    ASSERT_GT(values.size(), 100u);
    for (const EventValues& v : values) {
      const EventEntry& e = run.outcome().events[v.index];
      const data::StarEntry& s = stars.entries[e.star];
      EXPECT_NEAR(v.elementRjd, s.epoch + v.cycle * s.period, 1e-9);
      EXPECT_NEAR(light.EarthUtc(v.elementRjd, astro::DirectionOf(12, 0)), e.time, 1e-9)
          << s.name << " " << astro::EpochScaleName(scale) << " cycle " << v.cycle;
    }
  }
}

}  // namespace
}  // namespace tevaro::exports
