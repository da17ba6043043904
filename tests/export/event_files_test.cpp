// The observing windows and the files made of them: the plan against its
// golden file and read back, the target list, the CSV's window and sigma
// columns, names that break the formats, and a decimal-comma locale.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "astro/calendar.h"
#include "export/event_values.h"
#include "export_runs.h"

namespace tevaro::exports {
namespace {

using namespace run;

constexpr double kSecond = 1.0 / 86400;

// RJD of "YYYY-MM-DDTHH:MM:SSZ".
double RjdOfIso(const std::string& t) {
  const auto n = [&](std::size_t at, std::size_t size) {
    return static_cast<std::int16_t>(std::stoi(t.substr(at, size)));
  };
  return astro::CalendarToRjdAt(n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), n(17, 2));
}

// The plan: its golden file, and read back, each event's three lines, whose
// times are the CSV's window ends taken to the whole minute outwards. The
// target list: its header, one row per star with a listed event, positions in
// the importer's units.
TEST(EventFiles, PlanAndTargetListOfTheExampleRun) {
  const auto run = ExampleRun("2025-01-10", 3, {1, 0, 1, 0});
  ASSERT_TRUE(run);
  const ExportChoices choices{30, ""};
  const std::string plan = Collect(*run, "plan", choices);
  std::ifstream golden(TEVARO_EXPECTED_DIR "/plan_3_nights.txt", std::ios::binary);
  EXPECT_EQ(plan, std::string(std::istreambuf_iterator<char>(golden), {}))
      << "regenerate with tevaro-cli --plan and check it by hand";

  const auto rows = CsvRows(Collect(*run, "csv", choices));
  std::vector<std::string> lines;
  for (const std::string& l : Split(plan, "\r\n"))
    if (!l.empty() && !l.starts_with(";")) lines.push_back(l);
  ASSERT_EQ(lines.size(), 3 * rows.size()) << "one window per CSV row";
  const std::regex wait(R"(#WAITUNTIL 1, (\d\d)/(\d\d)/(\d{4}) (\d\d:\d\d))"),
      quit(R"(#QUITAT (\d\d)/(\d\d)/(\d{4}) (\d\d:\d\d))");
  const auto rjdOfPlan = [](const std::smatch& m) {
    return RjdOfIso(m.str(3) + "-" + m.str(1) + "-" + m.str(2) + "T" + m.str(4) + ":00Z");
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    std::smatch w, q;
    ASSERT_TRUE(std::regex_match(lines[3 * k], w, wait)) << lines[3 * k];
    ASSERT_TRUE(std::regex_match(lines[3 * k + 2], q, quit)) << lines[3 * k + 2];
    const double start = RjdOfIso(rows[k].at("window_start_utc")), end = RjdOfIso(rows[k].at("window_end_utc"));
    EXPECT_TRUE(rjdOfPlan(w) <= start + kSecond && start - rjdOfPlan(w) < 60 * kSecond) << lines[3 * k] << " " << start;
    EXPECT_TRUE(rjdOfPlan(q) >= end - kSecond && rjdOfPlan(q) - end < 60 * kSecond) << lines[3 * k + 2] << " " << end;
    EXPECT_TRUE(lines[3 * k + 1].starts_with(rows[k].at("star") + " " + rows[k].at("event") + " "))
        << lines[3 * k + 1];
  }

  const std::vector<std::string> targets = Split(Collect(*run, "targets"), "\r\n");
  EXPECT_EQ(targets[0], "Familiar Name,Catalogue Entry,Right Ascension (J2000),Declination (J2000)");
  std::set<std::uint32_t> stars;
  const PredictionOutcome& o = run->outcome();
  for (std::size_t i = o.firstListed; i < o.events.size(); ++i) stars.insert(o.events[i].star);
  ASSERT_EQ(targets.size(), stars.size() + 2);
  const std::regex row(R"(([^,]+),\1,\d\dh [0-5]\dm [0-5]\ds,[+-]\d\d\xC2\xB0 [0-5]\d' [0-5]\d")");
  for (std::size_t k = 1; k <= stars.size(); ++k) EXPECT_TRUE(std::regex_match(targets[k], row)) << targets[k];
}

// The window's half width and the CSV's sigma over duration, margin and
// uncertainty: E = 3,000 cycles from the epoch with a period error of 1e-5 d
// is 43.2 min of sigma, which the window and the iCalendar span widen by twice.
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
  bare.durationHours = bare.durationIIHours = bare.periodError = std::nullopt;
  struct Case {
    const char* what;
    data::StarEntry star;
    bool uncertainty;
    double margin;
    std::uint8_t phase;
    double halfMinutes;
    const char* sigma;  // the CSV's sigma_minutes, "-" for no column
  } const cases[] = {
      {"primary, half its 3 h + margin", s, false, 30, 1, 120, "-"},
      {"secondary, half its own 5 h + margin", s, false, 10, 3, 160, "-"},
      {"maximum: half an hour + margin", s, false, 30, 2, 60, "-"},
      {"no duration: half an hour + margin", bare, false, 0, 1, 30, "-"},
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
    const auto row = CsvRows(Collect(run, "csv", ExportChoices{c.margin, ""}))
        [static_cast<std::size_t>(at - o.events.begin()) - o.firstListed];
    EXPECT_EQ(row.count("sigma_minutes") ? row.at("sigma_minutes") : "-", c.sigma);
    EXPECT_NEAR(RjdOfIso(row.at("window_start_utc")), w.start, kSecond);
    if (c.star.durationHours && c.phase == 1) {  // the iCalendar span: the eclipse and 2 sigma
      const double widening = c.uncertainty ? 86.4 / 1440 : 0;
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
  const ListedRun run = HandRun({s});
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

// Every format but the iCalendar (checked with the CSV) is the same bytes
// under a German locale.
TEST(EventFiles, SameBytesUnderDecimalCommaLocale) {
  const auto run = ExampleRun("2025-01-10", 3, {1, 0, 1, 0});
  ASSERT_TRUE(run);
  const auto files = [&] {
    std::vector<std::string> bytes;
    for (const EventFormat& f : EventFormats())
      if (f.option != "--ics") bytes.push_back(Collect(*run, f.option.substr(2), {12.5, "/seq/a.esq"}));
    return bytes;
  };
  const std::vector<std::string> before = files();
  const std::string cBefore = std::setlocale(LC_ALL, nullptr);
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::locale old = std::locale::global(
      german ? std::locale("de_DE.UTF-8") : std::locale(std::locale::classic(), new CommaPoint));
  const std::vector<std::string> after = files();
  std::setlocale(LC_ALL, cBefore.c_str());
  std::locale::global(old);
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace tevaro::exports
