// The observing windows and the files made of them: the plan against its
// golden file and read back, the target list, the CSV's window and sigma
// columns, names that break the formats, and a decimal-comma locale.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "astro/calendar.h"
#include "export/event_values.h"
#include "export/formats.h"
#include "run/session.h"

namespace tevaro::exports {
namespace {

using namespace run;

// The example stars with durations, site 0, from 2025-01-10 for three
// nights, primary and secondary minima.
std::shared_ptr<const ListedRun> ExampleRun() {
  Session s;
  const std::string dir = TEVARO_EXAMPLES_DIR;
  EXPECT_FALSE(s.LoadLocations(dir + "/Location.dat"));
  EXPECT_FALSE(s.LoadLimits(dir + "/Limits.dat"));
  EXPECT_FALSE(s.LoadStars(dir + "/stars-durations.csv"));
  const SiteFieldTexts t = s.SelectSite(0);
  InputFields in;
  in.siteIndex = 0;
  in.longitude = t.longitude;
  in.latitude = t.latitude;
  in.zone = t.zone;
  in.year = "2025", in.month = "1", in.day = "10", in.nights = "3";
  in.maxSun = "-12", in.minStar = "20";
  in.eventBox = {1, 0, 1, 0};
  in.option = 1;
  s.Calculate(in);
  return s.lastRun;
}

std::string Collect(const ListedRun& run, std::string_view format, const ExportChoices& choices = {}) {
  std::string bytes;
  EXPECT_TRUE(WriteEvents(run, *FormatNamed(format), [&](std::string_view piece) {
    bytes.append(piece);
    return true;
  }, choices));
  return bytes;
}

std::vector<std::string> Split(const std::string& text, const std::string& by) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(by, from)) != std::string::npos; from = at + by.size())
    parts.push_back(text.substr(from, at - from));
  parts.push_back(text.substr(from));
  return parts;
}

// RJD of "YYYY-MM-DDTHH:MM:SSZ" or of the plan's "MM/DD/YYYY HH:MM".
double RjdOfIso(const std::string& t) {
  return astro::CalendarToRjdAt(static_cast<std::int16_t>(std::stoi(t.substr(0, 4))),
                                static_cast<std::int16_t>(std::stoi(t.substr(5, 2))),
                                static_cast<std::int16_t>(std::stoi(t.substr(8, 2))),
                                static_cast<std::int16_t>(std::stoi(t.substr(11, 2))),
                                static_cast<std::int16_t>(std::stoi(t.substr(14, 2))),
                                static_cast<float>(std::stoi(t.substr(17, 2))));
}
double RjdOfPlan(const std::string& t) {
  return RjdOfIso(t.substr(6, 4) + "-" + t.substr(0, 2) + "-" + t.substr(3, 2) + "T" + t.substr(11, 5) + ":00Z");
}

constexpr double kSecond = 1.0 / 86400;

// The plan: its golden file, and read back, each event's three lines, whose
// times are the CSV's window ends taken to the whole minute outwards.
TEST(EventFiles, PlanMatchesItsGoldenFileAndTheCsvWindows) {
  const auto run = ExampleRun();
  ASSERT_TRUE(run);
  const ExportChoices choices{30, ""};
  const std::string plan = Collect(*run, "plan", choices);
  std::ifstream golden(TEVARO_EXPECTED_DIR "/plan_3_nights.txt", std::ios::binary);
  std::stringstream expected;
  expected << golden.rdbuf();
  EXPECT_EQ(plan, expected.str()) << "regenerate with tevaro-cli --plan and check it by hand";

  const std::vector<std::string> csv = Split(Collect(*run, "csv", choices), "\r\n");
  const std::vector<std::string> head = Split(csv[0], ",");
  const auto column = [&](const char* name) { return std::find(head.begin(), head.end(), name) - head.begin(); };
  std::vector<std::string> lines = Split(plan, "\r\n");
  ASSERT_EQ(lines.back(), "");
  lines.pop_back();
  EXPECT_EQ(plan.find('\n'), plan.find("\r\n") + 1);
  std::size_t k = 0;
  while (k < lines.size() && lines[k].starts_with(";")) ++k;
  EXPECT_GE(k, 3u);
  ASSERT_EQ((lines.size() - k) % 3, 0u);
  ASSERT_EQ((lines.size() - k) / 3, csv.size() - 2) << "one window per CSV row";
  const std::regex wait(R"(#WAITUNTIL 1, (\d\d/\d\d/\d{4} \d\d:\d\d))"), quit(R"(#QUITAT (\d\d/\d\d/\d{4} \d\d:\d\d))"),
      target(R"(([^\t]+)\t(\d\d):(\d\d):(\d\d\.\d)\t([+-])(\d\d):(\d\d):(\d\d))");
  for (std::size_t row = 1; k < lines.size(); k += 3, ++row) {
    std::smatch w, t, q;
    ASSERT_TRUE(std::regex_match(lines[k], w, wait)) << lines[k];
    ASSERT_TRUE(std::regex_match(lines[k + 1], t, target)) << lines[k + 1];
    ASSERT_TRUE(std::regex_match(lines[k + 2], q, quit)) << lines[k + 2];
    const std::vector<std::string> r = Split(csv[row], ",");
    const double start = RjdOfIso(r[column("window_start_utc")]), end = RjdOfIso(r[column("window_end_utc")]);
    const double waitAt = RjdOfPlan(w[1]), quitAt = RjdOfPlan(q[1]);
    EXPECT_TRUE(waitAt <= start + kSecond && start - waitAt < 60 * kSecond) << lines[k] << " " << r[column("window_start_utc")];
    EXPECT_TRUE(quitAt >= end - kSecond && quitAt - end < 60 * kSecond) << lines[k + 2] << " " << r[column("window_end_utc")];
    EXPECT_TRUE(t[1].str().starts_with(r[column("star")] + " " + r[column("event")] + " "));
  }
}

// The target list: the exact header, one row per star with a listed event,
// positions in the importer's units.
TEST(EventFiles, TargetListHasOneRowPerStarWithAnEvent) {
  const auto run = ExampleRun();
  ASSERT_TRUE(run);
  std::vector<std::string> rows = Split(Collect(*run, "targets"), "\r\n");
  ASSERT_EQ(rows.back(), "");
  rows.pop_back();
  EXPECT_EQ(rows[0], "Familiar Name,Catalogue Entry,Right Ascension (J2000),Declination (J2000)");
  std::set<std::uint32_t> stars;
  const PredictionOutcome& o = run->outcome();
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) stars.insert(o.events[i].star);
  EXPECT_EQ(rows.size() - 1, stars.size());
  const std::regex row(R"(([^,]+),\1,\d\dh [0-5]\dm [0-5]\ds,[+-]\d\d\xC2\xB0 [0-5]\d' [0-5]\d")");
  for (std::size_t k = 1; k < rows.size(); ++k) EXPECT_TRUE(std::regex_match(rows[k], row)) << rows[k];
}

// A hand-made run at longitude and latitude 0 of stars with known elements.
ListedRun HandRun(const std::vector<data::StarEntry>& list, bool uncertainty) {
  RunParameters p;
  p.longitude = p.longitudeDms = 0;
  p.latitude = p.latitudeDms = 0;
  p.standardZone = 0;
  p.dstEnabled = false;
  p.year = 2025, p.month = 1, p.day = 10, p.dayCount = 3;
  p.maxSunAltitude = 90, p.minStarAltitude = -90;
  p.eventWanted = {false, true, true, true, false};
  p.uncertainty = uncertainty;
  data::StarTable stars;
  stars.entries = list;
  return ListedRun{p, stars, {}, "Site", std::nullopt};
}

// The window's half width and the CSV's sigma over duration, margin and
// uncertainty: E = 3,000 cycles from the epoch with a period error of 1e-5 d
// is 43.2 min of sigma, which the window widens by twice.
TEST(EventFiles, WindowWidthsAndSigma) {
  data::StarEntry s;
  s.name = "S";
  s.raDms = 12;
  s.period = 1;
  s.epoch = astro::CalendarToRjdAt(2025, 1, 11, 0, 0, 0) - 3000;  // E = 3000 in the span
  s.durationHours = 3;
  s.durationIIHours = 5;
  s.periodError = 1e-5;
  data::StarEntry bare = s;
  bare.name = "bare";
  bare.durationHours.reset();
  bare.durationIIHours.reset();
  bare.periodError.reset();
  struct Case {
    const char* what;
    data::StarEntry star;
    bool uncertainty;
    double margin;
    std::uint8_t phase;
    double halfMinutes;
    const char* sigma;  // the CSV's sigma_minutes
  } const cases[] = {
      {"primary, half its 3 h + margin", s, false, 30, 1, 120, nullptr},
      {"secondary, half its own 5 h + margin", s, false, 10, 3, 160, nullptr},
      {"maximum: half an hour + margin", s, false, 30, 2, 60, nullptr},
      {"no duration: half an hour + margin", bare, false, 0, 1, 30, nullptr},
      {"uncertainty on: 2 x 43.2 min more", s, true, 30, 1, 120 + 86.4, "43.2"},
      {"uncertainty on, star without errors", bare, true, 30, 1, 60, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ListedRun run = HandRun({c.star}, c.uncertainty);
    const PredictionOutcome& o = run.outcome();
    const auto at = std::find_if(o.events.begin() + static_cast<std::ptrdiff_t>(o.firstListed), o.events.end(),
                                 [&](const EventEntry& e) { return e.phase == c.phase && std::fabs(e.cycle - 3000) < 1; });
    ASSERT_NE(at, o.events.end());
    const ObservingWindow w = WindowOf(run, *at, c.margin);
    EXPECT_NEAR((at->time - w.start) * 1440, c.halfMinutes, 1e-6);
    EXPECT_NEAR((w.end - at->time) * 1440, c.halfMinutes, 1e-6);
    const std::vector<std::string> lines = Split(Collect(run, "csv", ExportChoices{c.margin, ""}), "\r\n");
    const std::vector<std::string> head = Split(lines[0], ",");
    const std::vector<std::string> row = Split(lines[1 + static_cast<std::size_t>(at - o.events.begin()) - o.firstListed], ",");
    const auto column = [&](const char* name) { return std::find(head.begin(), head.end(), name) - head.begin(); };
    EXPECT_EQ(column("sigma_minutes") < static_cast<std::ptrdiff_t>(head.size()), c.sigma != nullptr);
    if (c.sigma) {
      EXPECT_EQ(row[column("sigma_minutes")], c.sigma);
    }
    EXPECT_NEAR(RjdOfIso(row[column("window_start_utc")]), w.start, kSecond);
    // The iCalendar span: the eclipse, widened by 2 sigma with the uncertainty.
    if (c.star.durationHours && c.phase == 1) {
      const double widening = c.uncertainty ? 2 * 43.2 / 1440 : 0;
      const astro::CalendarTime t = astro::RjdToCalendar(at->time - 1.5 / 24 - widening + 0.5 * kSecond, 0);
      char start[40];
      std::snprintf(start, sizeof start, "DTSTART:%04d%02d%02dT%02d%02d", t.year, t.month, t.day, t.hour, t.minute);
      EXPECT_NE(Collect(run, "ics").find(start), std::string::npos) << start;
    }
  }
}

// A name holding each character the formats treat: the plan's target line
// keeps its three fields, the target list its four.
TEST(EventFiles, NamesThatBreakTheFormats) {
  data::StarEntry s;
  s.name = "A<B & \"C\", 'D'\tE";
  s.raDms = 12;
  s.period = 1;
  s.epoch = astro::CalendarToRjdAt(2025, 1, 11, 0, 0, 0);
  const ListedRun run = HandRun({s}, false);
  const std::vector<std::string> plan = Split(Collect(run, "plan"), "\r\n");
  const auto target = std::find_if(plan.begin(), plan.end(), [](const std::string& l) { return l.starts_with("A<B"); });
  ASSERT_NE(target, plan.end());
  EXPECT_EQ(std::count(target->begin(), target->end(), '\t'), 2) << *target;
  EXPECT_TRUE(target->starts_with("A<B & \"C\", 'D' E I 2025-01-1")) << *target;
  const std::vector<std::string> targets = Split(Collect(run, "targets"), "\r\n");
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(std::count(targets[1].begin(), targets[1].end(), ','), 3) << targets[1];
  EXPECT_TRUE(targets[1].starts_with("\"A<B & \"\"C\"\"  'D'\tE\",")) << targets[1];
}

// A locale whose decimal point is a comma, where the system has no German one.
struct CommaPoint : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

// Every format is the same bytes under a German locale.
TEST(EventFiles, SameBytesUnderDecimalCommaLocale) {
  const auto run = ExampleRun();
  ASSERT_TRUE(run);
  const ExportChoices choices{12.5, "/seq/a.esq"};
  std::vector<std::string> before;
  for (const EventFormat& f : EventFormats())
    if (f.option != "--ics") before.push_back(Collect(*run, f.option.substr(2), choices));
  const std::string cBefore = std::setlocale(LC_ALL, nullptr);
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::locale old = std::locale::global(
      german ? std::locale("de_DE.UTF-8") : std::locale(std::locale::classic(), new CommaPoint));
  std::vector<std::string> after;
  for (const EventFormat& f : EventFormats())
    if (f.option != "--ics") after.push_back(Collect(*run, f.option.substr(2), choices));
  std::setlocale(LC_ALL, cBefore.c_str());
  std::locale::global(old);
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace tevaro::exports
