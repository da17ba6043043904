#include "run/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "astro/angles.h"
#include "run/elements.h"
#include "run/pagination.h"
#include "support/catalogue.h"

namespace tevaro::run {
namespace {

// Lines below are written with "␣" for each blank, as they are easier to count.
std::string Blanks(std::string s) {
  const std::string mark = "␣";
  for (std::size_t at; (at = s.find(mark)) != std::string::npos;) s.replace(at, mark.size(), " ");
  return s;
}

data::StarEntry V1234Cyg() {
  data::StarEntry s;
  s.name = "V1234 Cyg";
  s.raDms = 20.3000;
  s.decDms = 38.4512;
  s.epoch = 55000;
  s.period = 1.5;
  s.varType = "EA";
  s.maxMag = data::FieldValue::Of(12.3);
  s.minMag = data::FieldValue::Of(13.4);
  s.comment = "nc";
  return s;
}

EventEntry Event(double time, int phase, int mode) {
  EventEntry e;
  e.time = time;
  e.star = 0;
  e.phase = static_cast<std::uint8_t>(phase);
  if (mode == 1) {
    e.column1 = 123.4;
    e.column2 = 45.6;
  } else {
    e.column1 = -2.345;
    e.column2 = mode == 2 ? 1.2345 : 38.4512;
  }
  return e;
}

TEST(EventLineTest, WorkedLinesOfTheThreeLayouts) {
  const data::StarEntry star = V1234Cyg();
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 1), star, 8, 1),
            Blanks("␣55686.6543␣␣V1234␣Cyg␣␣␣EA␣␣12.3␣␣13.4␣␣2011_May_␣4␣␣19:42␣123.␣46.␣␣␣I␣␣␣nc"));
  EventEntry secondary = Event(55686.6543, 3, 2);
  secondary.close = true;
  EXPECT_EQ(EventLine(secondary, star, 8, 2),
            Blanks("␣55686.6543␣␣V1234␣Cyg␣␣␣EA␣␣12.3␣␣13.4␣␣2011_May_␣4␣␣19:42␣-2.35␣␣1.23␣␣II␣␣␣nc␣close"));
  EXPECT_EQ(EventLine(Event(55686.6543, 2, 3), star, 8, 3),
            Blanks("␣55686.6543␣␣V1234␣Cyg␣␣␣EA␣␣12.3␣␣13.4␣␣2011_May_␣4␣␣19:42␣-2.35␣␣38.␣␣.25␣␣nc"));
  EXPECT_EQ(NightLine(55686.6543), "Wednesday night --------------------------");
}

TEST(EventLineTest, ColumnsStartWhereTheHeadingsAre) {
  const data::StarEntry star = V1234Cyg();
  // The comment begins in column 76, 79 and 78 of the three layouts.
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 1), star, 8, 1).find("nc"), 75u);
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 2), star, 8, 2).find("nc"), 78u);
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 3), star, 8, 3).find("nc"), 77u);
}

TEST(EventLineTest, TimeShowsFourDecimalsTruncated) {
  const data::StarEntry star = V1234Cyg();
  EXPECT_EQ(EventLine(Event(55686.5, 1, 1), star, 8, 1).substr(0, 13), " 55686.5000  ");
  EXPECT_EQ(EventLine(Event(55686.65432109, 1, 1), star, 8, 1).substr(0, 13), " 55686.6543  ");
  EXPECT_EQ(EventLine(Event(55686.65439, 1, 1), star, 8, 1).substr(0, 13), " 55686.6543  ");
  EXPECT_EQ(EventLine(Event(55686.65, 1, 1), star, 8, 1).substr(0, 13), " 55686.6500  ");
  // A whole time is not padded.
  EXPECT_EQ(EventLine(Event(55686, 1, 1), star, 8, 1).substr(0, 10), " 55686  V1");
}

TEST(EventLineTest, NameAndTypeAreCutOrPadded) {
  data::StarEntry star = V1234Cyg();
  star.name = "ABCDEFGHIJKL";
  star.varType = "EA/SD";
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 1), star, 8, 1).substr(11, 16), "  ABCDEFGHIJ  EA");
  star.name = "XYZ";
  star.varType = "E ";
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 1), star, 8, 1).substr(11, 16), "  XYZ         E ");
  star.varType = "";
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 1), star, 8, 1).substr(23, 10), "      12.3");
}

TEST(EventLineTest, SingleDigitDateAndClockFieldsHaveABlank) {
  const data::StarEntry star = V1234Cyg();
  // 2011 May 7, 09:05 in zone 8 is 17:05 UT.
  const std::string line = EventLine(Event(55688.5 + 17.0 / 24 + 5.0 / 1440 + 1e-6, 1, 1), star, 8, 1);
  EXPECT_EQ(line.substr(39, 20), "  2011_May_ 7   9: 5");
  // 19:42:50 stays 19:42; a hair below 10:00 is 10:00, not 9:59:60.
  EXPECT_EQ(EventLine(Event(55686.5 + 3.0 / 24 + 42.0 / 1440 + 50.0 / 86400, 1, 1), star, 8, 1).substr(39, 20),
            "  2011_May_ 4  19:42");
  EXPECT_EQ(EventLine(Event(51545.25 - 1e-9, 1, 1), star, 8, 1).substr(39, 20), "  2000_Jan_ 1  10: 0");
}

TEST(EventLineTest, ModeColumnsRoundAsTheFixedFormatDoes) {
  const data::StarEntry star = V1234Cyg();
  EventEntry e = Event(55686.6543, 1, 2);
  e.column2 = 12.345;
  EXPECT_EQ(EventLine(e, star, 8, 2).substr(59, 12), " -2.35  12.3");
  e.column2 = 1.2345;
  EXPECT_EQ(EventLine(e, star, 8, 2).substr(59, 12), " -2.35  1.23");
  e.column1 = 11.5;
  e.column2 = 31.4159;
  EXPECT_EQ(EventLine(e, star, 8, 2).substr(59, 12), " 11.50  31.4");

  e = Event(55686.6543, 1, 1);
  e.column1 = 359.6;
  e.column2 = 89.5;
  EXPECT_EQ(EventLine(e, star, 8, 1).substr(59, 9), " 360. 90.");
  e.column1 = 5.2;
  e.column2 = 0.4;
  EXPECT_EQ(EventLine(e, star, 8, 1).substr(59, 9), "   5.  0.");

  e = Event(55686.6543, 1, 3);
  e.column2 = -5.3012;
  EXPECT_EQ(EventLine(e, star, 8, 3).substr(59, 11), " -2.35  -5.");
}

TEST(EventLineTest, EmptyOrTextMagnitudesLeaveBlankColumns) {
  data::StarEntry star = V1234Cyg();
  star.maxMag = data::FieldValue::Empty();
  star.minMag = data::FieldValue::OfText("var");
  const std::string line = EventLine(Event(55686.6543, 1, 1), star, 8, 1);
  EXPECT_EQ(line.substr(25, 20), "EA" + std::string(14, ' ') + "2011");
  star.maxMag = data::FieldValue::Of(0);
  star.minMag = data::FieldValue::Of(-1.25);
  EXPECT_EQ(EventLine(Event(55686.6543, 1, 1), star, 8, 1).substr(25, 14), "EA   0.0  -1.2");
}

TEST(NightLineTest, WeekdayOfTheUtDayThatBeganAtNoon) {
  EXPECT_EQ(NightLine(55686.0), "Wednesday night --------------------------");
  EXPECT_EQ(NightLine(55685.99), "Tuesday night --------------------------");
  EXPECT_EQ(NightLine(55690.2), "Sunday night --------------------------");
  EXPECT_EQ(NightLine(55691.9), "Monday night --------------------------");
  EXPECT_EQ(NightLine(55692.0), "Tuesday night --------------------------");
}

// A report over events of the single star V1234 Cyg.
struct ReportCase {
  RunParameters p;
  data::StarTable stars;
  PredictionOutcome outcome;
  ReportNames names{"Veltrin Observatory", "Limits.dat", "stars.csv"};

  explicit ReportCase(int mode) {
    p.longitudeDms = -11.3;
    p.latitudeDms = 50.123;
    p.zone = 8;
    p.standardZone = 8;
    p.maxSunAltitude = -12;
    p.minStarAltitude = 20.5;
    p.outputMode = static_cast<std::int16_t>(mode);
    stars.entries.push_back(V1234Cyg());
    outcome.zone = 7;
  }
  void Add(double time, int phase = 1) { outcome.events.push_back(Event(time, phase, p.outputMode)); }
  ReportBuffer Build() { return BuildReport(outcome, p, stars, names); }
};

TEST(BuildReportTest, FourteenHeaderLines) {
  const char* const heads[4] = {
      "", "     JD      Star       Typ   Mag   Mag  Date         time   Azi Alt Event Comment",
      "     JD      Star       Typ   Mag   Mag  Date         time    HA    Z   Event Comment",
      "     JD      Star       Typ   Mag   Mag  Date         time    HA   Dec. Event Comment"};
  for (int mode = 1; mode <= 3; ++mode) {
    ReportCase c(mode);
    c.Add(55686.6543);
    const ReportBuffer r = c.Build();
    ASSERT_EQ(r.LineCount(), 15u);
    EXPECT_EQ(r.Line(1).substr(0, 33), "                      T e v a r o");
    EXPECT_EQ(r.Line(2), "");
    EXPECT_EQ(r.Line(3), " Location = Veltrin Observatory");
    EXPECT_EQ(r.Line(4), " Longitude = -11.3 (ddd.mmss)");
    EXPECT_EQ(r.Line(5), " Latitude = 50.123 (ddd.mmss)");
    // The zone in force for the run, not the standard one.
    EXPECT_EQ(r.Line(6), " Time zone = 7 (8=PST, 7=PDT=MST, 6=MDT=CST, 5=CDT=EST, etc.)");
    EXPECT_EQ(r.Line(7), " Maximum Sun elevation = -12 degrees");
    EXPECT_EQ(r.Line(8), " Minimum star elevation  = 20.5 degrees");
    EXPECT_EQ(r.Line(9), " Star limits file = Limits.dat");
    EXPECT_EQ(r.Line(10), " Star data file: stars.csv");
    EXPECT_EQ(r.Line(11), "                              Brt   Fnt               LOCAL");
    EXPECT_EQ(r.Line(12), heads[mode]);
    EXPECT_EQ(r.Line(13), std::string(87, '='));
    EXPECT_EQ(r.Line(14), "Wednesday night --------------------------");
    EXPECT_EQ(r.Line(15), EventLine(c.outcome.events[0], c.stars.entries[0], 7, static_cast<std::int16_t>(mode)));
  }
}

TEST(BuildReportTest, ControlCharactersOfTheNamesReadAsBlanks) {
  ReportCase c(1);
  c.names = {"Evil\x1b[2J\x07Site", "lim\tits\x7f.dat", "st\xc2\x9b" "ars\r.csv"};
  c.Add(55686.6543);
  const ReportBuffer r = c.Build();
  EXPECT_EQ(r.Line(3), " Location = Evil [2J Site");
  EXPECT_EQ(r.Line(9), " Star limits file = lim its .dat");
  EXPECT_EQ(r.Line(10), " Star data file: st ars .csv");
  EXPECT_EQ(PageFooterLeft("Evil\x1b[2J", 2025, 1, 10), "Evil [2J, evening of 2025-01-10");
}

TEST(BuildReportTest, HeaderWithNoNamesAndFractionsBelowOne) {
  ReportCase c(1);
  c.names = {};
  c.p.longitudeDms = 0.5;
  c.p.latitudeDms = -0.25;
  c.p.maxSunAltitude = 0;
  c.p.minStarAltitude = 0;
  c.outcome.zone = -1;
  c.Add(55686.6543);
  const ReportBuffer r = c.Build();
  EXPECT_EQ(r.Line(3), " Location = ");
  EXPECT_EQ(r.Line(4), " Longitude = .5 (ddd.mmss)");
  EXPECT_EQ(r.Line(5), " Latitude = -.25 (ddd.mmss)");
  EXPECT_EQ(r.Line(6), " Time zone = -1 (8=PST, 7=PDT=MST, 6=MDT=CST, 5=CDT=EST, etc.)");
  EXPECT_EQ(r.Line(7), " Maximum Sun elevation = 0 degrees");
  EXPECT_EQ(r.Line(8), " Minimum star elevation  = 0 degrees");
  EXPECT_EQ(r.Line(9), " Star limits file = ");
  EXPECT_EQ(r.Line(10), " Star data file: ");
}

TEST(BuildReportTest, OneNightWithThreeEventsGivesSeventeenLines) {
  ReportCase c(1);
  c.outcome.zone = 8;
  c.Add(55686.60);
  c.Add(55686.65, 3);
  c.Add(55686.70);
  const ReportBuffer r = c.Build();
  ASSERT_EQ(r.LineCount(), 17u);
  EXPECT_EQ(r.Line(14), "Wednesday night --------------------------");
  EXPECT_EQ(r.Line(15).substr(0, 11), " 55686.6000");
  EXPECT_EQ(r.Line(16).substr(0, 11), " 55686.6500");
  EXPECT_EQ(r.Line(17).substr(0, 11), " 55686.7000");
}

TEST(BuildReportTest, ANewNightLineAfterEachLocalNoon) {
  ReportCase c(1);
  c.outcome.zone = 8;  // local noon is at .3333 of the RJD
  c.Add(55686.65);
  c.Add(55687.30);  // next UT day, still before local noon: same night
  c.Add(55687.34);  // after local noon: a new night
  c.Add(55687.60);
  c.Add(55689.50);  // a night without events in between
  const ReportBuffer r = c.Build();
  const std::vector<std::string> expected = {
      "Wednesday night --------------------------", " 55686.6500", " 55687.3000",
      "Thursday night --------------------------",  " 55687.3400", " 55687.6000",
      "Saturday night --------------------------",  " 55689.5000"};
  ASSERT_EQ(r.LineCount(), 13 + expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(std::string(r.Line(14 + i)).substr(0, expected[i].size()), expected[i]) << "line " << 14 + i;
}

TEST(BuildReportTest, ListingStartsAtTheFirstListedEvent) {
  ReportCase c(1);
  c.outcome.zone = 8;
  c.Add(55685.40);  // before the span: found, not listed
  c.Add(55686.65);
  c.Add(55686.70);
  c.outcome.firstListed = 1;
  const ReportBuffer r = c.Build();
  ASSERT_EQ(r.LineCount(), 16u);
  EXPECT_EQ(r.Line(14), "Wednesday night --------------------------");
  EXPECT_EQ(r.Line(15).substr(0, 11), " 55686.6500");
  EXPECT_EQ(r.Line(16).substr(0, 11), " 55686.7000");
}

// sigma = sqrt(epochError^2 + (E x periodError)^2): the worked case (E 3,000,
// period error 1e-5 d: 43.2 min), E with and without an epoch error, and the
// mark's edges: under a minute none, whole minutes up to 119, hours with one
// decimal once the minutes round to 120.
TEST(SigmaMarkTest, SigmaOverCyclesAndItsMark) {
  const struct {
    double cycle;
    std::optional<double> epochError, periodError;
    double minutes;
    const char* mark;
  } cases[] = {
      {3000, std::nullopt, 1e-5, 43.2, " ±43m"},
      {-3000, std::nullopt, 1e-5, 43.2, " ±43m"},  // cycles before the epoch
      {3000.5, std::nullopt, 1e-5, 43.2072, " ±43m"},  // a secondary counts its half cycle
      {3000, 0.01, 1e-5, 45.5368, " ±46m"},
      {0, 0.01, 1e-5, 14.4, " ±14m"},
      {1e6, 0.01, std::nullopt, 14.4, " ±14m"},  // no period error: the epoch's alone
      {10000, std::nullopt, 1e-5, 144, " ±2.4h"},
      {1, 59.0 / 86400, std::nullopt, 59.0 / 60, ""},
      {1, 1.0 / 1440, std::nullopt, 1, " ±1m"},
      {1, 119.0 / 1440, std::nullopt, 119, " ±119m"},
      {1, 119.4 / 1440, std::nullopt, 119.4, " ±119m"},
      {1, 119.5 / 1440, std::nullopt, 119.5, " ±2.0h"},
      {1, 120.0 / 1440, std::nullopt, 120, " ±2.0h"},
      {1, 1e12, std::nullopt, 1.44e15, " ±>1e9h"},
      {3000, std::nullopt, std::nullopt, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cycle);
    data::StarEntry star = V1234Cyg();
    star.epochError = c.epochError;
    star.periodError = c.periodError;
    const double sigma = PredictionSigmaDays(star, c.cycle);
    EXPECT_NEAR(sigma * 1440, c.minutes, 1e-4 * c.minutes);
    EXPECT_EQ(SigmaMark(sigma), c.mark);
  }
}

// With the choice off a star's errors change no byte; with it on each event
// line of both engines ends with its mark, after " close", " moon" and
// " part", and a sigma under a minute adds nothing.
TEST(BuildReportTest, UncertaintyMarksEndTheEventLinesOnlyWhenChosen) {
  ReportCase c(1);
  c.outcome.zone = 8;
  c.Add(55686.60);
  c.Add(55686.65, 3);
  c.Add(55686.70);
  c.outcome.events[0].cycle = 3000;
  c.outcome.events[1].cycle = 10.5;  // sigma 0.15 min: no mark
  c.outcome.events[2].cycle = 10000;
  c.outcome.events[2].close = c.outcome.events[2].nearMoon = c.outcome.events[2].partial = true;  // the mark after them
  const ReportBuffer off = c.Build();
  c.stars.entries[0].periodError = 1e-5;
  EXPECT_EQ(c.Build().Bytes(), off.Bytes());
  c.p.uncertainty = true;
  for (Engine engine : {Engine::Literal, Engine::Fast}) {
    const ReportBuffer r = BuildReport(c.outcome, c.p, c.stars, c.names, engine);
    ASSERT_EQ(r.LineCount(), 17u);
    EXPECT_EQ(r.Line(15), std::string(off.Line(15)) + " ±43m");
    EXPECT_EQ(r.Line(16), off.Line(16));
    EXPECT_EQ(r.Line(17), std::string(off.Line(17)) + " ±2.4h");
  }
}

TEST(ReportBufferTest, SavedBytesEndEveryLineWithCrLf) {
  ReportBuffer b;
  EXPECT_EQ(b.Bytes(), "");
  b.Add("first");
  b.Add("");
  b.Add("last");
  EXPECT_EQ(b.LineCount(), 3u);
  EXPECT_EQ(b.Line(2), "");
  EXPECT_EQ(b.Bytes(), "first\r\n\r\nlast\r\n");
  b.Clear();
  EXPECT_EQ(b.LineCount(), 0u);
  b.Add("again");
  EXPECT_EQ(b.Bytes(), "again\r\n");

  ReportCase c(2);
  c.Add(55686.60);
  c.Add(55687.65);
  const ReportBuffer r = c.Build();
  std::string joined;
  for (std::size_t i = 1; i <= r.LineCount(); ++i) joined += std::string(r.Line(i)) + "\r\n";
  EXPECT_EQ(r.Bytes(), joined);
}

}  // namespace
}  // namespace tevaro::run

namespace tevaro::run {
namespace {

// Stars whose texts test the fixed fields: names cut inside and outside
// multi-byte characters, empty and long types, text and huge magnitudes, a
// comment longer than a write block.
data::StarTable OddStars(std::size_t count) {
  data::StarTable t = testing::MakeCatalogue(count, 99);
  const std::string names[] = {"Ünïcödé Çyg star", "AB", "", "exactly10c", "eleven char"};
  for (std::size_t i = 0; i < t.entries.size(); ++i) {
    data::StarEntry& s = t.entries[i];
    switch (i % 7) {
      case 0: s.name = names[i / 7 % 5]; break;
      case 1: s.varType = ""; s.maxMag = data::FieldValue::OfText("n/a"); break;
      case 2: s.varType = "EÄ/SD"; s.minMag = data::FieldValue::Of(123456.7); break;
      case 3: s.maxMag = data::FieldValue::Of(-1.25); s.comment = std::string(3000, 'c'); break;
      case 4: s.minMag = data::FieldValue::Of(std::nan("")); break;
      default: break;
    }
  }
  return t;
}

// Events of every star at awkward times: whole and half RJDs, times a hair
// from a minute, a day or a local noon, times before the four-digit years,
// and columns near every rounding edge of the three layouts.
PredictionOutcome OddEvents(std::size_t stars, int mode) {
  PredictionOutcome o;
  o.zone = 7;
  testing::Random r(7);
  double t = 55000;
  for (std::size_t k = 0; k < 40000; ++k) {
    EventEntry e;
    const int kind = static_cast<int>(r.Next() % 9);
    t += kind == 0 ? 0 : r.Uniform(0, 0.02);
    if (kind == 1) t = std::floor(t) + 1;                         // a whole RJD
    if (kind == 2) t = std::floor(t * 1440 + 1) / 1440 - 1e-10;   // just before a minute
    e.time = kind == 3 ? -5000.25 + static_cast<double>(k) : t;   // negative and tiny RJDs
    e.star = static_cast<std::uint32_t>(r.Next() % stars);
    e.phase = static_cast<std::uint8_t>(1 + r.Next() % 4);
    e.close = r.Next() % 3 == 0;
    e.nearMoon = kind >= 6;
    const double edge = std::floor(r.Uniform(-20, 400)) + (r.Next() % 2 ? 0.5 : 0.005);
    e.column1 = mode == 1 ? edge : r.Uniform(-12.5, 12.5);
    e.column2 = mode == 1 ? edge - 300 : mode == 2 ? (kind == 4 ? -1 / r.Uniform(0.001, 1) : 1 / r.Uniform(1e-6, 1))
                                                   : edge / 4;
    o.events.push_back(e);
  }
  std::sort(o.events.begin(), o.events.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
  o.firstListed = 3;
  return o;
}

TEST(FastReportTest, SameBytesAsTheLiteralFormatterOnOddStarsAndTimes) {
  const data::StarTable stars = OddStars(60);
  const ReportNames names{"Site", "Limits.dat", "odd.csv"};
  for (int mode = 1; mode <= 3; ++mode) {
    RunParameters p;
    p.outputMode = static_cast<std::int16_t>(mode);
    const PredictionOutcome o = OddEvents(stars.entries.size(), mode);
    const std::string literal = BuildReport(o, p, stars, names, Engine::Literal).Bytes();
    for (unsigned threads : {1u, 3u}) {
      const ReportBuffer fast = BuildReport(o, p, stars, names, Engine::Fast, threads);
      ASSERT_EQ(fast.Bytes(), literal) << "mode " << mode << " threads " << threads;
      EXPECT_EQ(fast.CharacterCount() + 2 * fast.LineCount(), literal.size());
    }
  }
}

TEST(FastReportTest, SameBytesAsTheLiteralFormatterOnGeneratedRuns) {
  // Long enough for several blocks of lines; all three layouts, with and
  // without limits, with the EA filter.
  const data::StarTable stars = testing::MakeCatalogue(600, 5);
  const astro::LimitsTable withLimits{{{-30, -3, 3}, {0, -5.5, 5.5}, {60, -6, 6}, {90, -12, 12}}}, noLimits{};
  for (int mode = 1; mode <= 3; ++mode) {
    RunParameters p;
    p.longitudeDms = 120.3015;
    p.longitude = astro::DmsToDegrees(p.longitudeDms);
    p.latitudeDms = 50.123;
    p.latitude = astro::DmsToDegrees(p.latitudeDms);
    p.standardZone = 8;
    p.dstEnabled = mode == 2;
    p.year = 2011;
    p.month = 3;
    p.day = 1;
    p.dayCount = 120;
    p.maxSunAltitude = -12;
    p.minStarAltitude = 20;
    p.eventWanted = {false, true, true, true, true};
    p.ignoreEaSecondary = mode == 3 ? 1 : 0;
    p.outputMode = static_cast<std::int16_t>(mode);
    p.moon = mode != 3;
    const PredictionOutcome o = RunPrediction(p, stars, mode == 1 ? noLimits : withLimits);
    ASSERT_GT(o.events.size(), 16384u);  // more than one block of lines
    const ReportNames names{"Veltrin", "Limits.dat", "gen.csv"};
    EXPECT_EQ(BuildReport(o, p, stars, names, Engine::Fast, 2).Bytes(),
              BuildReport(o, p, stars, names, Engine::Literal).Bytes())
        << "mode " << mode;
  }
}

TEST(ReportBufferTest, LinesAcrossPiecesAndWritingInBlocks) {
  const data::StarTable stars = OddStars(20);
  RunParameters p;
  p.outputMode = 2;
  const ReportBuffer r = BuildReport(OddEvents(20, 2), p, stars, {}, Engine::Fast, 2);
  ASSERT_GT(r.LineCount(), 40000u);
  std::string joined;
  for (std::size_t i = 1; i <= r.LineCount(); ++i) joined += std::string(r.Line(i)) + "\r\n";
  EXPECT_EQ(r.Bytes(), joined);
  // Small blocks, and lines longer than a block, come out the same.
  for (std::size_t block : {std::size_t{1}, std::size_t{100}, std::size_t{4096}}) {
    std::string written;
    std::size_t calls = 0;
    EXPECT_TRUE(r.WriteBytes(
        [&](std::string_view b) {
          written.append(b);
          ++calls;
          return true;
        },
        block));
    EXPECT_EQ(written, joined) << block;
    EXPECT_GE(calls, joined.size() / (block + 3000));
  }
  // A refusing sink stops the writing.
  std::size_t calls = 0;
  EXPECT_FALSE(r.WriteBytes([&](std::string_view) { return ++calls < 3; }, 1000));
  EXPECT_EQ(calls, 3u);

  // A copy keeps every line when the original goes.
  ReportBuffer copy;
  {
    ReportBuffer original = r;
    copy = original;
  }
  EXPECT_EQ(copy.Bytes(), joined);
  copy.Clear();
  copy.Add("first");
  copy.Append(r);
  ASSERT_EQ(copy.LineCount(), r.LineCount() + 1);
  EXPECT_EQ(copy.Line(copy.LineCount()), r.Line(r.LineCount()));
  EXPECT_EQ(copy.CharacterCount(), r.CharacterCount() + 5);
}

}  // namespace
}  // namespace tevaro::run
