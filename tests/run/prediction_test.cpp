#include "run/prediction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iomanip>
#include <ostream>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "run/elements.h"
#include "run/night_chart.h"
#include "run/report.h"
#include "support/catalogue.h"

namespace tevaro::run {

// Readable events in failure messages.
void PrintTo(const EventEntry& e, std::ostream* os) {
  *os << "{t " << std::setprecision(12) << e.time << " star " << e.star << " phase " << int{e.phase} << " c1 "
      << e.column1 << " c2 " << e.column2 << (e.close ? " close" : "") << (e.nearMoon ? " moon" : "")
      << (e.partial ? " part" : "") << "}";
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The example site limits table.
astro::LimitsTable ExampleLimits() { return {{{-30, -3, 3}, {0, -5.5, 5.5}, {60, -6, 6}, {90, -12, 12}}}; }

RunParameters Site(double longitudeDms, double latitudeDms, int zone, int year, int month, int day, int nights) {
  RunParameters p;
  p.longitudeDms = longitudeDms;
  p.longitude = astro::DmsToDegrees(longitudeDms);
  p.latitudeDms = latitudeDms;
  p.latitude = astro::DmsToDegrees(latitudeDms);
  p.zone = p.standardZone = static_cast<std::int16_t>(zone);
  p.dstEnabled = false;
  p.year = static_cast<std::int16_t>(year);
  p.month = static_cast<std::int16_t>(month);
  p.day = static_cast<std::int16_t>(day);
  p.dayCount = static_cast<std::int16_t>(nights);
  p.maxSunAltitude = 0;
  p.minStarAltitude = 0;
  p.eventWanted = {false, true, true, true, true};
  p.ignoreEaSecondary = 0;
  p.outputMode = 2;
  return p;
}

// Winter nights at a northern site in zone 8.
RunParameters January(int nights = 1) { return Site(120.3015, 50.1230, 8, 2011, 1, 10, nights); }

// 18:00 local time on the evening date, for the zone in force.
double SpanStart(const RunParameters& p, int zone) {
  return astro::CalendarToRjdAt(p.year, p.month, p.day, static_cast<std::int16_t>(zone + 18), 0, 0);
}

// A star of `period` days whose event of `phase` (1..4) falls at `t`, when it
// stands at hour angle `haHours`. The catalogue right ascension is found by
// undoing the run's precession.
data::StarEntry StarAt(const RunParameters& p, int zone, double t, double haHours, double decDms, double period,
                       int phase = 1, const std::string& name = "TEST") {
  const double rjdStart = SpanStart(p, zone);
  const double epoch = p.year + (rjdStart - astro::CalendarToRjdAt(p.year, 1, 1, 0, 0, 0)) / 365.2422;
  const double lst = astro::LocalSiderealTime(t, p.longitude);
  const double target = std::fmod(lst - haHours + 48, 24.0);
  const double dec = astro::DmsToDegrees(decDms);
  double ra = target;
  for (int k = 0; k < 6; ++k) ra += target - astro::PrecessCoordinates(2000.0, ra, dec, epoch).raHours;
  ra = std::fmod(ra + 24, 24.0);
  data::StarEntry s;
  s.name = name;
  s.raDms = testing::PackSexagesimal(ra);
  s.decDms = decDms;
  s.period = period;
  s.epoch = t - (phase - 1) * 0.25 * period;
  s.varType = "EA";
  s.maxMag = data::FieldValue::Of(9.5);
  s.minMag = data::FieldValue::Of(10.1);
  s.comment = "nc";
  return s;
}

data::StarTable Table(std::vector<data::StarEntry> entries) {
  data::StarTable t;
  t.entries = std::move(entries);
  return t;
}

// The reference run, checked against the fast one on one and two threads.
PredictionOutcome RunBoth(const RunParameters& p, const data::StarTable& stars, const astro::LimitsTable& limits) {
  PredictionOutcome literal = RunPrediction(p, stars, limits, Engine::Literal);
  for (unsigned threads : {1u, 2u}) {
    const PredictionOutcome fast = RunPrediction(p, stars, limits, Engine::Fast, threads);
    EXPECT_EQ(fast.events, literal.events) << "threads " << threads;
    EXPECT_EQ(fast.firstListed, literal.firstListed);
  }
  return literal;
}

std::vector<EventEntry> Listed(const PredictionOutcome& o) {
  return {o.events.begin() + static_cast<std::ptrdiff_t>(o.firstListed), o.events.end()};
}

TEST(RunPredictionTest, FastEngineEqualsTheLiteralOneOnGeneratedCatalogues) {
  // Every other run of a site uses its named zone, and the epoch scales take
  // turns, so the corrected instants and the zone changes go through both
  // engines and both reports too.
  struct SiteChoice {
    double longitudeDms, latitudeDms;
    int zone;
    const char* zoneName;
  };
  const SiteChoice sites[] = {{120.3015, 50.1230, 8, "America/Vancouver"}, {70.2530, -33.1045, 4, "America/Santiago"},
                              {-18.0, 65.0, -1, "Atlantic/Reykjavik"},     {-100.4530, 5.3, -7, "Asia/Bangkok"},
                              {-11.3, 47.2015, -1, "Europe/Berlin"},       {150.1, -45.0, 10, "Australia/Sydney"}};
  const astro::EpochScale scales[] = {astro::EpochScale::HjdAsUt, astro::EpochScale::Hjd, astro::EpochScale::Bjd};
  const struct { int y, m, d; } dates[] = {{2011, 5, 4},  {2011, 12, 21}, {2020, 3, 8},
                                           {2011, 11, 6}, {2015, 6, 21},  {1999, 9, 23}};
  const std::array<bool, 5> mixes[] = {{false, true, false, false, false}, {false, true, false, true, false},
                                       {false, false, true, false, true},  {false, true, true, true, true},
                                       {false, false, false, true, false}};
  const double maxSuns[] = {0, -12, -18};
  const double minStars[] = {0, 20, 60};
  const int nights[] = {1, 2, 5, 14, 60};
  const astro::LimitsTable withLimits = ExampleLimits(), noLimits{};

  testing::Random pick(20110504);
  auto choose = [&](std::size_t n) { return static_cast<std::size_t>(pick.Next() % n); };
  // The whole-eclipse choice and the durations draw from their own stream,
  // so the other choices stay those of the runs before them.
  testing::Random eclipsePick(24);
  // Secondary phases (near 0, near 1 and between) and the stars' own epoch
  // scales, from a stream of their own too.
  testing::Random orbitPick(32);
  const double phases[] = {0.02, 0.43, 0.57, 0.985};
  // So do the uncertainty and the stars' errors.
  testing::Random sigmaPick(33);
  std::set<std::string> shown;
  std::size_t compared = 0, listedRuns = 0, partial = 0, whole = 0, nearMoon = 0, offHalf = 0, mixedRuns = 0,
              partialWithSigma = 0;
  for (int k = 0; k < 240; ++k) {
    const SiteChoice& site = sites[static_cast<std::size_t>(k) % std::size(sites)];
    const auto& date = dates[choose(std::size(dates))];
    const int n = nights[static_cast<std::size_t>(k / 6) % std::size(nights)];
    RunParameters p = Site(site.longitudeDms, site.latitudeDms, site.zone, date.y, date.m, date.d, n);
    p.outputMode = static_cast<std::int16_t>(1 + k % 3);
    p.eventWanted = mixes[choose(std::size(mixes))];
    p.ignoreEaSecondary = static_cast<std::int16_t>(choose(3));
    p.dstEnabled = choose(2) == 1;
    p.maxSunAltitude = maxSuns[choose(std::size(maxSuns))];
    p.minStarAltitude = minStars[choose(std::size(minStars))];
    p.epochScale = scales[static_cast<std::size_t>(k) % std::size(scales)];
    if ((k / 6) % 2 == 1) ApplyFieldChange(Field::Zone, site.zoneName, p);
    p.moon = k % 4 >= 2;
    const astro::LimitsTable& limits = choose(2) ? withLimits : noLimits;
    // Fewer stars for the long spans keeps each case to a few thousand candidates.
    data::StarTable stars = testing::MakeCatalogue(n >= 14 ? 120 : 400, 1000 + static_cast<std::uint64_t>(k));
    // Half the runs test whole eclipses; three stars in four have a duration,
    // from minutes to just under the period.
    p.wholeEclipse = eclipsePick.Next() % 2 == 0;
    for (data::StarEntry& s : stars.entries)
      if (eclipsePick.Next() % 4 != 0)
        s.durationHours = 24 * s.period * std::pow(eclipsePick.Uniform(), 3) * 0.999 + 0.01;
    for (data::StarEntry& s : stars.entries) {
      if (orbitPick.Next() % 3 == 0) {
        s.secondaryPhase = phases[orbitPick.Next() % std::size(phases)];
        if (s.durationHours && orbitPick.Next() % 2 == 0) s.durationIIHours = *s.durationHours * 0.6;
      }
      if (k % 3 == 1 && orbitPick.Next() % 4 == 0) s.epochScale = scales[orbitPick.Next() % std::size(scales)];
    }
    // Half the whole-eclipse runs show the uncertainty; three stars in four
    // give errors, from none to hours over the run's cycles.
    p.uncertainty = p.wholeEclipse && sigmaPick.Next() % 2 == 0;
    for (data::StarEntry& s : stars.entries) {
      if (sigmaPick.Next() % 4 == 0) continue;
      s.periodError = std::pow(10, sigmaPick.Uniform(-9, -5));
      if (sigmaPick.Next() % 2) s.epochError = std::pow(10, sigmaPick.Uniform(-4, -1.5));
    }

    const PredictionOutcome literal = RunPrediction(p, stars, limits, Engine::Literal);
    const unsigned threads = 1 + static_cast<unsigned>(k % 2);
    const PredictionOutcome fast = RunPrediction(p, stars, limits, Engine::Fast, threads);
    SCOPED_TRACE("case " + std::to_string(k));
    ASSERT_EQ(fast.events.size(), literal.events.size());
    ASSERT_EQ(fast.events, literal.events);
    ASSERT_EQ(fast.firstListed, literal.firstListed);
    EXPECT_EQ(fast.zone, literal.zone);
    EXPECT_EQ(fast.label23Caption, literal.label23Caption);
    EXPECT_EQ(fast.mixedEpochScales, literal.mixedEpochScales);
    mixedRuns += literal.mixedEpochScales;
    const ReportNames names{"Site", "Limits.dat", "gen.csv"};
    EXPECT_EQ(BuildReport(fast, p, stars, names).Bytes(), BuildReport(literal, p, stars, names).Bytes());
    if (p.wholeEclipse && n <= 5) {
      EXPECT_EQ(BuildReport(fast, p, stars, names, Engine::Literal).Bytes(), BuildReport(fast, p, stars, names).Bytes());
    }
    for (const EventEntry& e : literal.events) {
      partial += e.partial;
      whole += p.wholeEclipse && stars.entries[e.star].durationHours && e.phase % 2 == 1 && !e.partial;
      offHalf += e.phase == 3 && stars.entries[e.star].secondaryPhase != 0.5;
      partialWithSigma +=
          p.uncertainty && e.partial && !SigmaMark(PredictionSigmaDays(stars.entries[e.star], e.cycle)).empty();
    }
    compared += literal.events.size();
    if (literal.HasListed()) ++listedRuns;
    for (const EventEntry& e : literal.events) {
      shown.insert(kPhaseLabels[e.phase]);
      nearMoon += e.nearMoon;
      EXPECT_TRUE(p.moon || !e.nearMoon);
    }
  }
  // The sweep is only worth something if it found plenty to compare.
  EXPECT_GT(compared, 5000u);
  EXPECT_GT(listedRuns, 60u);
  EXPECT_EQ(shown.size(), 4u);
  EXPECT_GT(nearMoon, 500u);
  EXPECT_GT(partial, 500u);
  EXPECT_GT(whole, 500u);
  EXPECT_GT(offHalf, 1000u);
  EXPECT_GT(mixedRuns, 30u);
  EXPECT_GT(partialWithSigma, 100u);
}

// A minimum is checked over its whole eclipse when the run asks for it and
// the star has a duration; " part" marks one that only partly passes.
TEST(RunPredictionTest, WholeEclipseMarksMinimaOnlyPartlyObservable) {
  RunParameters base = January();
  base.minStarAltitude = 20;
  base.wholeEclipse = true;
  const double midnight = astro::CalendarToRjdAt(2011, 1, 11, 8, 0, 0);
  // A Sun limit that dawn crosses at about 05:00, inside the night's span.
  const double five = midnight + 5.0 / 24;
  base.maxSunAltitude = std::round(SunAltitude(five, astro::LocalSiderealTime(five, base.longitude), base.latitude));
  // The first minute after midnight with the Sun at the limit or above.
  double dawn = midnight;
  while (SunAltitude(dawn, astro::LocalSiderealTime(dawn, base.longitude), base.latitude) < base.maxSunAltitude)
    dawn += 1.0 / 1440;
  ASSERT_LT(dawn - midnight, 5.6 / 24);
  // Declination +40 at the example limits: hour angles within about +-5.8 h.
  const struct {
    const char* what;
    double t, haHours, decDms, period;
    std::optional<double> hours;
    bool limits;
    int phase;
    bool wholeEclipse;
    bool partial;
    double epochErrorMinutes = 0;  // shown with the uncertainty on: 2 sigma widens each end
    bool uncertainty = false;
  } cases[] = {
      {"wholly inside", midnight, 0, 40, 1.2, 3.0, true, 1, true, false},
      {"ends after dawn", dawn - 0.5 / 24, -3, 60, 1.2, 2.0, false, 1, true, true},
      {"secondary ends after dawn", dawn - 0.5 / 24, -3, 60, 1.2, 2.0, false, 3, true, true},
      {"ends just before dawn", dawn - 1.05 / 24, -3, 60, 1.2, 2.0, false, 1, true, false},
      {"star sets below the altitude limit", midnight, 3.5, 0, 1.2, 2.0, false, 1, true, true},
      {"star rises above it after the start", midnight, -3.5, 0, 1.2, 2.0, false, 1, true, true},
      {"ends past the west hour-angle limit", midnight, 5.3, 40, 1.2, 2.0, true, 1, true, true},
      {"starts before the east hour-angle limit", midnight, -5.3, 40, 1.2, 2.0, true, 3, true, true},
      {"start and end in two nights, a day between", midnight, 0, 60, 10, 48.0, false, 1, true, true},
      {"a maximum is never marked", dawn - 0.5 / 24, -3, 60, 1.2, 2.0, false, 2, true, false},
      {"the choice off", dawn - 0.5 / 24, -3, 60, 1.2, 2.0, false, 1, false, false},
      {"no duration", dawn - 0.5 / 24, -3, 60, 1.2, std::nullopt, false, 1, true, false},
      {"2 sigma of 10 min crosses dawn", dawn - 1.05 / 24, -3, 60, 1.2, 2.0, false, 1, true, true, 5, true},
      {"2 sigma of 1 min does not", dawn - 1.05 / 24, -3, 60, 1.2, 2.0, false, 1, true, false, 0.5, true},
      {"sigma not shown", dawn - 1.05 / 24, -3, 60, 1.2, 2.0, false, 1, true, false, 5, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunParameters p = base;
    p.wholeEclipse = c.wholeEclipse;
    p.uncertainty = c.uncertainty;
    data::StarEntry star = StarAt(p, 8, c.t, c.haHours, c.decDms, c.period, c.phase);
    star.durationHours = c.hours;
    star.epochError = c.epochErrorMinutes / 1440;
    const data::StarTable stars = Table({star});
    const PredictionOutcome o = RunBoth(p, stars, c.limits ? ExampleLimits() : astro::LimitsTable{});
    const auto at = std::find_if(o.events.begin(), o.events.end(),
                                 [&](const EventEntry& e) { return std::fabs(e.time - c.t) < 1e-6; });
    // The middle is listed as without the choice.
    ASSERT_NE(at, o.events.end());
    EXPECT_EQ(at->phase, c.phase);
    EXPECT_EQ(at->partial, c.partial);
    // Both report paths end the line with " part" after the comment and " close".
    const ReportNames names{"Site", "Limits.dat", "d.csv"};
    const std::string quick = BuildReport(o, p, stars, names).Bytes();
    EXPECT_EQ(BuildReport(o, p, stars, names, Engine::Literal).Bytes(), quick);
    const std::string line = EventLine(*at, star, o.zone, p.outputMode, p.uncertainty);
    EXPECT_EQ(line.ends_with(c.uncertainty ? " part \u00b15m" : " part"), c.partial) << line;
    EXPECT_NE(quick.find(line + "\r\n"), std::string::npos) << line;
  }
}

TEST(RunPredictionTest, EqualTimesKeepTheSelectionSortOrder) {
  // Stars listed twice and three times give groups of equal times, which the
  // selection sort takes in the order their members hold when their turn
  // comes; NaN epochs give no event. A long span at a polar site also walks
  // nights longer than a day.
  data::StarTable stars = testing::MakeCatalogue(90, 31);
  for (std::size_t i = 0; i < 90; i += 3) {
    stars.entries.push_back(stars.entries[i]);
    stars.entries.insert(stars.entries.begin() + static_cast<std::ptrdiff_t>(i / 2), stars.entries[i + 1]);
  }
  stars.entries[5].epoch = kNaN;
  for (const double latitude : {50.1230, 78.13}) {
    RunParameters p = Site(15.3, latitude, -1, 2011, 11, 1, 60);
    p.maxSunAltitude = -6;
    const PredictionOutcome o = RunBoth(p, stars, ExampleLimits());
    std::size_t ties = 0;
    for (std::size_t i = 1; i < o.events.size(); ++i) ties += o.events[i].time == o.events[i - 1].time;
    EXPECT_GT(ties, 100u) << latitude;
  }
  // Large groups: two hundred stars sharing one epoch and period, so every
  // event time is shared by dozens of stars, amid stars of their own.
  data::StarTable shared = testing::MakeCatalogue(300, 32);
  for (std::size_t i = 0; i < shared.entries.size(); i += 3) {
    shared.entries[i].epoch = 55000.25;
    shared.entries[i].period = 0.75;
    shared.entries[i + 1].epoch = 55000.5;
    shared.entries[i + 1].period = 1.5;
  }
  RunParameters p = Site(15.3, 50.1230, -1, 2011, 1, 10, 20);
  p.maxSunAltitude = -6;
  const PredictionOutcome o = RunBoth(p, shared, ExampleLimits());
  std::size_t largest = 0;
  for (std::size_t i = 0, run = 0; i < o.events.size(); ++i) {
    run = i > 0 && o.events[i].time == o.events[i - 1].time ? run + 1 : 1;
    largest = std::max(largest, run);
  }
  EXPECT_GT(largest, 20u);
}

TEST(RunPredictionTest, FastEngineEqualsTheLiteralOneNearTheAltitudeLimits) {
  // Many events close to the star and Sun limits: a long span of a large
  // catalogue near twilight, with a fractional star limit and a polar site.
  const data::StarTable stars = testing::MakeCatalogue(120, 77);
  for (const double latitude : {50.1230, 78.13, -66.3}) {
    RunParameters p = Site(15.3, latitude, -1, 2011, 3, 1, 30);
    p.maxSunAltitude = -6.25;
    p.minStarAltitude = 33.3;
    p.outputMode = 1;
    const PredictionOutcome o = RunBoth(p, stars, ExampleLimits());
    EXPECT_FALSE(o.events.empty()) << latitude;
  }
}

TEST(RunPredictionTest, DeclinationOutsideTheLimitsTableGivesNoEvent) {
  // A circumpolar star above the last row of a table that stops at +60.
  const RunParameters north = January(5);
  const double t = SpanStart(north, 8) + 0.25;
  const data::StarTable polar = Table({StarAt(north, 8, t, 0, 75.0, 0.41)});
  const astro::LimitsTable toSixty{{{-30, -3, 3}, {0, -5.5, 5.5}, {60, -6, 6}}};
  EXPECT_FALSE(RunBoth(north, polar, {}).events.empty());
  EXPECT_FALSE(RunBoth(north, polar, ExampleLimits()).events.empty());
  EXPECT_TRUE(RunBoth(north, polar, toSixty).events.empty());

  // A star overhead in the south, below the first row at -30.
  const RunParameters south = Site(70.2530, -40.0, 4, 2011, 7, 1, 5);
  const double u = SpanStart(south, 4) + 0.25;
  const data::StarTable overhead = Table({StarAt(south, 4, u, 0, -40.0, 0.41)});
  EXPECT_FALSE(RunBoth(south, overhead, {}).events.empty());
  EXPECT_TRUE(RunBoth(south, overhead, ExampleLimits()).events.empty());
}

TEST(RunPredictionTest, WithoutLimitsHourAnglesNearTwelveAreMarkedClose) {
  const RunParameters p = January();
  const double t = SpanStart(p, 8) + 0.25;  // local midnight
  const data::StarTable stars = Table({StarAt(p, 8, t, 11, 70.0, 3.3, 1, "WEST11"),
                                       StarAt(p, 8, t + 0.01, 10, 70.0, 3.3, 1, "WEST10"),
                                       StarAt(p, 8, t + 0.02, -11, 70.0, 3.3, 1, "EAST11"),
                                       StarAt(p, 8, t + 0.03, -10, 70.0, 3.3, 1, "EAST10")});
  const PredictionOutcome o = RunBoth(p, stars, {});
  const std::vector<EventEntry> listed = Listed(o);
  ASSERT_EQ(listed.size(), 4u);
  const double hourAngles[] = {11, 10, -11, -10};
  const bool close[] = {true, false, true, false};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(listed[i].star, i);
    EXPECT_NEAR(listed[i].column1, hourAngles[i], 0.001);
    EXPECT_EQ(listed[i].close, close[i]) << stars.entries[i].name;
  }
  const std::string closeLine = EventLine(listed[0], stars.entries[0], 8, 2);
  EXPECT_EQ(closeLine.substr(closeLine.size() - 10), "  nc close");
  const std::string plainLine = EventLine(listed[1], stars.entries[1], 8, 2);
  EXPECT_EQ(plainLine.substr(plainLine.size() - 4), "  nc");
}

TEST(RunPredictionTest, HourAngleWrapsToTheWestOfTheMeridian) {
  RunParameters p = Site(120.3015, 50.1230, 8, 2011, 10, 1, 1);
  // The instant of the night with a local sidereal time of 1 h.
  double t = SpanStart(p, 8) + 0.25;
  for (int k = 0; k < 8; ++k) {
    double d = astro::LocalSiderealTime(t, p.longitude) - 1;
    if (d > 12) d -= 24;
    if (d < -12) d += 24;
    t -= d / 24 / 1.00273790934;
  }
  ASSERT_NEAR(astro::LocalSiderealTime(t, p.longitude), 1, 1e-6);
  const data::StarTable stars = Table({StarAt(p, 8, t, 2, 40.0, 2.7)});  // right ascension of date 23 h

  const PredictionOutcome o = RunBoth(p, stars, {});
  ASSERT_EQ(Listed(o).size(), 1u);
  EXPECT_NEAR(Listed(o)[0].column1, 2, 0.001);
  EXPECT_FALSE(Listed(o)[0].close);

  const astro::LimitsTable westBefore{{{-90, -3, 1.9}, {90, -3, 1.9}}};
  const astro::LimitsTable westAfter{{{-90, -3, 2.1}, {90, -3, 2.1}}};
  EXPECT_TRUE(RunBoth(p, stars, westBefore).events.empty());
  ASSERT_EQ(Listed(RunBoth(p, stars, westAfter)).size(), 1u);
  EXPECT_TRUE(Listed(RunBoth(p, stars, westAfter))[0].close);
}

TEST(RunPredictionTest, IgnoreEaSecondaryDropsOnlySecondaryMinimaOfEaTypes) {
  RunParameters p = January(20);
  p.maxSunAltitude = -12;
  const double t = SpanStart(p, 8) + 0.25;
  std::vector<data::StarEntry> entries;
  const char* const types[] = {"EA/SD", "EW", "ea", "EB", "EA"};
  for (std::size_t i = 0; i < std::size(types); ++i) {
    entries.push_back(StarAt(p, 8, t + 0.01 * static_cast<double>(i), 0, 80.0, 0.37 + 0.01 * static_cast<double>(i)));
    entries.back().varType = types[i];
  }
  const data::StarTable stars = Table(entries);

  const PredictionOutcome none = RunBoth(p, stars, {});
  p.ignoreEaSecondary = 1;
  const PredictionOutcome ticked = RunBoth(p, stars, {});
  p.ignoreEaSecondary = 2;
  const PredictionOutcome grey = RunBoth(p, stars, {});

  // Every star shows all four phases when nothing is dropped.
  for (std::uint32_t s = 0; s < std::size(types); ++s) {
    std::set<int> phases;
    for (const EventEntry& e : none.events)
      if (e.star == s) phases.insert(e.phase);
    EXPECT_EQ(phases.size(), 4u) << types[s];
  }
  EXPECT_EQ(grey.events, none.events);

  std::vector<EventEntry> expected;
  for (const EventEntry& e : none.events) {
    const bool eaType = e.star == 0 || e.star == 4;
    if (!(eaType && e.phase == 3)) expected.push_back(e);
  }
  EXPECT_LT(expected.size(), none.events.size());
  // Compared without regard to order: equal times may be ordered differently
  // once entries are taken out, as the selection-sort order of ties depends
  // on the whole list.
  auto byTimeAndStar = [](std::vector<EventEntry> v) {
    std::sort(v.begin(), v.end(), [](const EventEntry& a, const EventEntry& b) {
      return a.time != b.time ? a.time < b.time : a.star < b.star;
    });
    return v;
  };
  EXPECT_EQ(byTimeAndStar(ticked.events), byTimeAndStar(expected));
}

TEST(RunPredictionTest, DaylightSavingFixesOneZoneForTheWholeRun) {
  // Southern winter nights, so the evening and the morning are dark.
  RunParameters p = Site(120.3015, -33.0, 8, 2011, 7, 1, 1);
  p.dstEnabled = true;
  const double ut0 = 55744.5;  // 2011 July 2, 0h UT
  const double early = ut0 + 1.5 / 24, middle = ut0 + 12.5 / 24, late = ut0 + 13.5 / 24;
  const data::StarTable stars = Table({StarAt(p, 7, early, 0, -33.0, 2.9, 1, "EARLY"),
                                       StarAt(p, 7, middle, 0, -33.0, 2.9, 1, "MIDDLE"),
                                       StarAt(p, 7, late, 0, -33.0, 2.9, 1, "LATE")});

  const PredictionOutcome dst = RunBoth(p, stars, {});
  EXPECT_TRUE(dst.daylightSaving);
  EXPECT_EQ(dst.zone, 7);
  EXPECT_EQ(dst.label23Caption, "DAYLIGHT SAVINGS TIME");
  // The span runs from 18:00 to 06:00 on the clock one hour ahead.
  std::vector<EventEntry> listed = Listed(dst);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].star, 0u);
  EXPECT_EQ(listed[1].star, 1u);
  EXPECT_NEAR(listed[1].time, middle, 1e-9);
  p.zone = dst.zone;
  const ReportBuffer r = BuildReport(dst, p, stars, {});
  EXPECT_EQ(r.Line(6).substr(0, 16), " Time zone = 7 (");
  EXPECT_EQ(std::string(r.Line(r.LineCount())).substr(13, 10), "MIDDLE    ");
  EXPECT_EQ(std::string(r.Line(r.LineCount())).substr(39, 20), "  2011_Jul_ 2   5:30");

  p.dstEnabled = false;
  const PredictionOutcome standard = RunBoth(p, stars, {});
  EXPECT_FALSE(standard.daylightSaving);
  EXPECT_EQ(standard.zone, 8);
  EXPECT_EQ(standard.label23Caption, "");
  listed = Listed(standard);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].star, 1u);
  EXPECT_EQ(listed[1].star, 2u);

  // Enabled, but the evening date is outside the period.
  p.dstEnabled = true;
  p.month = 1;
  p.day = 10;
  const PredictionOutcome winter = RunPrediction(p, {}, {});
  EXPECT_FALSE(winter.daylightSaving);
  EXPECT_EQ(winter.zone, 8);
  EXPECT_EQ(winter.label23Caption, "");
  EXPECT_FALSE(winter.HasListed());
}

TEST(RunPredictionTest, OneNightInZoneEightRunsFromTwoToFourteenHoursUt) {
  const RunParameters p = January();
  const double start = 55572.5 + 2.0 / 24;  // 2011 January 11, 02:00 UT
  const double end = start + 0.5;
  ASSERT_NEAR(SpanStart(p, 8), start, 1e-9);
  const double minute = 1.0 / 1440;
  const data::StarTable stars = Table({StarAt(p, 8, SpanStart(p, 8), 0, 50.0, 2.9, 1, "ATSTART"),
                                       StarAt(p, 8, start - minute, 0, 50.0, 2.9, 1, "BEFORE"),
                                       StarAt(p, 8, start + minute, 0, 50.0, 2.9, 1, "AFTERSTART"),
                                       StarAt(p, 8, end - minute, 0, 50.0, 2.9, 1, "BEFOREEND"),
                                       StarAt(p, 8, end + minute, 0, 50.0, 2.9, 1, "AFTEREND")});
  const PredictionOutcome o = RunBoth(p, stars, {});
  // The event exactly at the start is found but is not the first listed.
  bool atStartFound = false;
  for (std::size_t i = 0; i < o.events.size(); ++i)
    if (o.events[i].star == 0) {
      atStartFound = true;
      EXPECT_LT(i, o.firstListed);
    }
  EXPECT_TRUE(atStartFound);
  const std::vector<EventEntry> listed = Listed(o);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].star, 2u);
  EXPECT_EQ(listed[1].star, 3u);
  for (const EventEntry& e : listed) {
    EXPECT_GT(e.time, start);
    EXPECT_LT(e.time, end);
  }
}

// A star whose one event of the span (primary minimum, 40-day period) has
// element instant `t`, placed at `raHours`, `decDeg`.
data::StarEntry OneEventAt(double t, double raHours, double decDeg, const std::string& name) {
  data::StarEntry s;
  s.name = name;
  s.raDms = testing::PackSexagesimal(raHours);
  s.decDms = testing::PackSexagesimal(decDeg);
  s.period = 40;
  s.epoch = t;
  s.varType = "EA";
  s.comment = "nc";
  return s;
}

// Sun, altitude and hour angle out of the way: only the span decides.
RunParameters Anytime(int zone, int year, int month, int day, int nights) {
  RunParameters p = Site(-13.24, 52.31, zone, year, month, day, nights);
  p.maxSunAltitude = 90;
  p.minStarAltitude = -90;
  p.eventWanted = {false, true, false, false, false};
  return p;
}

// The report line of the star named `name`: its local date and clock.
std::string LocalTextOf(const ReportBuffer& r, const std::string& name) {
  for (std::size_t i = 1; i <= r.LineCount(); ++i) {
    const std::string line(r.Line(i));
    if (line.size() > 60 && line.substr(13, name.size()) == name) return line.substr(41, 18);
  }
  return "not listed";
}

// With a named zone the span runs from 18:00 on the first evening's clock to
// 06:00 on the last morning's, and each event is shown on the clock in force
// at its instant, on the nights of the spring and autumn changes of both
// hemispheres.
TEST(RunPredictionTest, NamedZoneShowsEachEventOnItsOwnClock) {
  const double h = 1.0 / 24, m = h / 60;
  const double berlinEvening = 61491.5, sydneyEvening = 61498.5;  // 2027 March 27 and April 3, 0h UT
  const struct {
    const char* zone;
    double evening;  // 0h UT of the evening date
    int nights;
    double ut;
    const char* shown;
  } cases[] = {
      {"Europe/Berlin", berlinEvening, 2, 16 * h + 55 * m, "not listed"},  // 17:55 CET
      {"Europe/Berlin", berlinEvening, 2, 17 * h + 5 * m, "2027_Mar_27  18: 5"},
      {"Europe/Berlin", berlinEvening, 2, 24 * h + 30 * m, "2027_Mar_28   1:30"},  // before the change
      {"Europe/Berlin", berlinEvening, 2, 25 * h + 30 * m, "2027_Mar_28   3:30"},  // after it
      {"Europe/Berlin", berlinEvening, 2, 40 * h + 5 * m, "2027_Mar_28  18: 5"},   // second evening, CEST
      {"Europe/Berlin", berlinEvening, 2, 51 * h + 55 * m, "2027_Mar_29   5:55"},
      {"Europe/Berlin", berlinEvening, 2, 52 * h + 5 * m, "not listed"},  // 06:05 CEST
      {"Australia/Sydney", sydneyEvening, 1, 6 * h + 55 * m, "not listed"},  // 17:55 AEDT
      {"Australia/Sydney", sydneyEvening, 1, 7 * h + 5 * m, "2027_Apr_ 3  18: 5"},
      {"Australia/Sydney", sydneyEvening, 1, 15 * h + 30 * m, "2027_Apr_ 4   2:30"},  // AEDT
      {"Australia/Sydney", sydneyEvening, 1, 16 * h + 30 * m, "2027_Apr_ 4   2:30"},  // AEST, once more
      {"Australia/Sydney", sydneyEvening, 1, 19 * h + 55 * m, "2027_Apr_ 4   5:55"},
      {"Australia/Sydney", sydneyEvening, 1, 20 * h + 5 * m, "not listed"},  // 06:05 AEST
  };
  for (const auto& c : cases) {
    const astro::CalendarTime d = astro::RjdToCalendar(c.evening, 0);
    RunParameters p = Anytime(0, d.year, d.month, d.day, c.nights);
    ApplyFieldChange(Field::Zone, c.zone, p);
    const data::StarTable stars = Table({OneEventAt(c.evening + c.ut, 12, 0, "STAR")});
    const PredictionOutcome o = RunBoth(p, stars, {});
    EXPECT_EQ(LocalTextOf(BuildReport(o, p, stars, {}), "STAR"), c.shown) << c.zone << " UT+" << c.ut * 24 << " h";
  }
  // Each night is named by its evening on the local clock, and the header
  // gives the offsets in force with the change.
  RunParameters p = Anytime(0, 2027, 3, 27, 2);
  ApplyFieldChange(Field::Zone, "Europe/Berlin", p);
  const data::StarTable stars = Table({OneEventAt(berlinEvening + 20 * h, 12, 0, "FIRST"),
                                       OneEventAt(berlinEvening + 44 * h, 12, 0, "SECOND")});
  const ReportBuffer r = BuildReport(RunBoth(p, stars, {}), p, stars, {});
  EXPECT_EQ(r.Line(6), " Time zone = Europe/Berlin (UT+1; UT+2 from 2027-03-28 02:00)");
  EXPECT_EQ(r.Line(14), "Saturday night --------------------------");
  EXPECT_EQ(r.Line(16), "Sunday night --------------------------");
}

// The light-time correction moves an event by up to 8.3 minutes: what the
// run lists, and on which night, follows the corrected instant. A star at
// opposition in March is seen about 8.3 minutes before the Sun sees it.
TEST(RunPredictionTest, CorrectedInstantDecidesSpanSunAndNight) {
  const double minute = 1.0 / 1440;
  RunParameters p = Anytime(-1, 2021, 3, 20, 2);
  const PredictionOutcome frame = RunPrediction(p, {}, {});
  const double start = frame.rjdStart, end = frame.rjdEnd, noon = start + 0.75;
  const astro::LightTimeModel hjd(astro::EpochScale::Hjd, start - 1, end + 1);
  ASSERT_LT(hjd.EarthUtc(start, astro::DirectionOf(12, 0)) - start, -8 * minute);
  // Twilight of the first morning: the Sun rises through -12 degrees.
  double dawn = start + 0.4;
  while (RunSunAltitude(dawn, p.longitude, p.latitude) < -12) dawn += minute;

  const struct {
    const char* what;
    double element;
    double maxSun;
    std::size_t asUtNights, hjdNights;  // night lines; 0 when not listed
  } cases[] = {
      {"after the end, seen before it", end + 3 * minute, 90, 0, 2},
      {"after the start, seen before it", start + 3 * minute, 90, 1, 0},
      {"Sun above the limit, seen while it was below", dawn + 3 * minute, -12, 0, 1},
      {"after local noon, seen before it", noon + 3 * minute, 90, 2, 1},
  };
  for (const auto& c : cases) {
    p.maxSunAltitude = c.maxSun;
    // A second star early on the first night gives the night lines a base.
    const data::StarTable stars = Table({OneEventAt(start + 0.05, 12, 0, "EVENING"), OneEventAt(c.element, 12, 0, "MOVED")});
    for (astro::EpochScale scale : {astro::EpochScale::HjdAsUt, astro::EpochScale::Hjd}) {
      p.epochScale = scale;
      const PredictionOutcome o = RunBoth(p, stars, {});
      const ReportBuffer r = BuildReport(o, p, stars, {});
      std::size_t nights = 0;
      for (std::size_t i = 14; i <= r.LineCount(); ++i) nights += r.Line(i).ends_with("night --------------------------");
      const bool listed = LocalTextOf(r, "MOVED") != "not listed";
      const std::size_t want = scale == astro::EpochScale::Hjd ? c.hjdNights : c.asUtNights;
      EXPECT_EQ(listed ? nights : 0, want) << c.what << ", " << astro::EpochScaleName(scale);
    }
  }
}

// A star's secondary phase places its secondary minima: the secondary of
// cycle E at epoch + (E + phase) x period, with cycle number E + phase; its
// primaries and maxima stay where they were. Every secondary inside the span
// is listed, however far its phase moves it from the half cycle.
TEST(RunPredictionTest, SecondaryPhasePlacesTheSecondaryMinima) {
  // Spans from RJD 59294.25, cycle 0.541 of the star, to cycle 4.296 (7
  // nights) or 4.874 (8 nights).
  data::StarEntry star = OneEventAt(59293.3127, 12, 0, "ECC");
  star.period = 1.7311;
  // The primaries and maxima, and the secondaries, of a run.
  auto run = [&](int nights, double phase) {
    RunParameters p = Anytime(0, 2021, 3, 20, nights);
    p.eventWanted = {false, true, true, true, true};
    star.secondaryPhase = phase;
    std::array<std::vector<EventEntry>, 2> split;
    for (const EventEntry& e : Listed(RunBoth(p, Table({star}), {}))) split[e.phase == 3].push_back(e);
    return split;
  };
  const struct {
    const char* what;
    int nights;
    double phase;
    double firstE;  // E of the first listed secondary
    std::size_t count;
  } cases[] = {
      {"0.5: at the half cycles, as ever", 7, 0.5, 1, 3},
      {"0.43: 0.07 period before the half cycle", 7, 0.43, 1, 3},
      {"near 0: the last one's half cycle lies after the span", 7, 0.02, 1, 4},
      {"near 1: the first one's half cycle lies before the span", 7, 0.985, 0, 4},
      {"near 1: one after the span's end, its half cycle inside", 8, 0.985, 0, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto [others, ii] = run(c.nights, c.phase);
    EXPECT_EQ(others, run(c.nights, 0.5)[0]);
    ASSERT_EQ(ii.size(), c.count);
    for (std::size_t k = 0; k < ii.size(); ++k) {
      const double e = c.firstE + static_cast<double>(k);
      EXPECT_NEAR(ii[k].cycle, e + c.phase, 1e-12);
      if (c.phase == 0.5)
        EXPECT_EQ(ii[k].time, star.epoch + (e + 0.5) * star.period);  // the same bits as before phases
      else
        EXPECT_NEAR(ii[k].time, star.epoch + (e + 0.5) * star.period + (c.phase - 0.5) * star.period, 1e-9);
    }
  }
}

// The header's Epochs line names the one scale the usable stars' epochs are
// on, the run's or their own; "mixed, per star" when they use several. A star
// that can give no event does not count.
TEST(RunPredictionTest, TheEpochsLineSaysMixedWhenTheStarsUseSeveralScales) {
  using astro::EpochScale;
  RunParameters p = Anytime(0, 2021, 3, 20, 1);
  const double start = RunPrediction(p, {}, {}).rjdStart;
  const struct {
    EpochScale run;
    std::optional<EpochScale> first, second, unusable;
    const char* line;  // line 7, after the time zone
  } cases[] = {
      {EpochScale::HjdAsUt, EpochScale::Bjd, EpochScale::Bjd, std::nullopt,
       " Epochs: BJD (TDB), corrected for light time to the Earth and from TDB to UTC"},
      {EpochScale::Hjd, EpochScale::HjdAsUt, std::nullopt, std::nullopt, " Epochs: mixed, per star"},
      {EpochScale::Hjd, std::nullopt, std::nullopt, EpochScale::Bjd,
       " Epochs: HJD, corrected for light time to the Earth"},
  };
  for (const auto& c : cases) {
    p.epochScale = c.run;
    data::StarEntry a = OneEventAt(start + 0.1, 12, 0, "A"), b = OneEventAt(start + 0.2, 12, 0, "B"),
                    bad = OneEventAt(start + 0.3, 12, 0, "BAD");
    a.epochScale = c.first;
    b.epochScale = c.second;
    bad.epochScale = c.unusable;
    bad.period = 0;
    const data::StarTable stars = Table({a, b, bad});
    const PredictionOutcome o = RunBoth(p, stars, {});
    EXPECT_EQ(BuildReport(o, p, stars, {}).Line(7), c.line);
    EXPECT_EQ(ReportHeaderLines(o), 15u);
  }
}

// The Moon on request: each night line ends with the night's Moon, and an
// event is marked " moon" where the Moon is up and illuminated x 100 +
// 1000 / distance exceeds 100. Nights of January 2024 at a site in zone -1;
// the night lines' fractions and rise and set times are astropy's
// (get_body("moon") at the site, to the minute). Each star is put `distance`
// degrees north or south of the Moon at its event.
TEST(RunPredictionTest, TheMoonEndsEachNightLineAndMarksEventsNearABrightMoon) {
  const double hour = 1.0 / 24;
  const struct {
    const char* what;
    int day;          // January 2024, the evening
    double utHours;   // the event, hours from 0h UT of the evening date
    double distance;  // degrees from the Moon
    bool moon;        // the option
    bool marked;
    const char* nightEnds;
  } cases[] = {
      {"full Moon, star beside it", 25, 23, 2, true, true, " Moon 100% lit, up all night"},
      {"full Moon, star across the sky", 25, 23, 100, true, true, " Moon 100% lit, up all night"},
      {"full Moon, the option off", 25, 23, 2, false, false, "night --------------------------"},
      {"waning Moon not yet risen", 28, 17.5, 2, true, false, " Moon 91% lit, up 19:46-06:00"},
      {"new Moon, star beside it", 10, 23, 2, true, false, " Moon 1% lit, not up"},
      {"half Moon, 15 degrees away", 17, 18, 15, true, true, " Moon 48% lit, up 18:00-00:38"},
      {"half Moon, 30 degrees away", 17, 18, 30, true, false, " Moon 48% lit, up 18:00-00:38"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunParameters p = Anytime(-1, 2024, 1, c.day, 1);
    p.moon = c.moon;
    const double t = astro::CalendarToRjdAt(2024, 1, static_cast<std::int16_t>(c.day), 0, 0, 0) + c.utHours * hour;
    // The Moon's J2000 direction: its direction of date taken back through
    // the model's own rotation.
    const astro::MoonModel model(t - 1, t + 1, p.longitude, p.latitude);
    const astro::Vector3 seen = model.At(t).direction;
    astro::Vector3 j2000 = seen;
    for (int k = 0; k < 3; ++k) {
      const astro::Vector3 back = model.OfDate(j2000);
      j2000 = {j2000.x + seen.x - back.x, j2000.y + seen.y - back.y, j2000.z + seen.z - back.z};
    }
    const double ra = std::atan2(j2000.y, j2000.x) * 12 / M_PI + 24;
    const double dec = std::asin(j2000.z) * 180 / M_PI;
    const double starDec = dec + c.distance <= 85 ? dec + c.distance : dec - c.distance;
    const data::StarTable stars = Table({OneEventAt(t, std::fmod(ra, 24.0), starDec, "NEAR")});

    const PredictionOutcome o = RunBoth(p, stars, {});
    ASSERT_EQ(Listed(o).size(), 1u);
    EXPECT_EQ(Listed(o)[0].nearMoon, c.marked);
    const ReportBuffer r = BuildReport(o, p, stars, {});
    EXPECT_TRUE(r.Line(14).ends_with(c.nightEnds)) << r.Line(14);
    EXPECT_TRUE(r.Line(14).starts_with(NightLine(t)));
    EXPECT_EQ(r.Line(15).ends_with("nc moon"), c.marked) << r.Line(15);
  }
}

TEST(RunPredictionTest, NothingWantedOrNoStarsGivesNoListedEvent) {
  RunParameters p = January(3);
  const data::StarTable stars = testing::MakeCatalogue(200, 5);
  ASSERT_TRUE(RunBoth(p, stars, {}).HasListed());
  p.eventWanted = {false, false, false, false, false};
  const PredictionOutcome nothingWanted = RunBoth(p, stars, {});
  EXPECT_TRUE(nothingWanted.events.empty());
  EXPECT_FALSE(nothingWanted.HasListed());
  p.eventWanted = {false, true, true, true, true};
  const PredictionOutcome noStars = RunBoth(p, {}, ExampleLimits());
  EXPECT_TRUE(noStars.events.empty());
  EXPECT_FALSE(noStars.HasListed());
  EXPECT_EQ(noStars.zone, 8);
}

TEST(RunPredictionTest, AMaximumInTheFinalHalfCycleOfTheSpanIsListed) {
  RunParameters p = January(3);
  p.eventWanted = {false, false, false, false, true};
  // A 10-day star whose 0.75 maximum falls at local midnight of the third
  // night, 7.5 days after its last primary minimum and 0.25 day before the end.
  const double t = SpanStart(p, 8) + 2.25;
  const data::StarTable stars = Table({StarAt(p, 8, t, 0, 50.0, 10.0, 4)});
  const PredictionOutcome o = RunBoth(p, stars, {});
  ASSERT_EQ(Listed(o).size(), 1u);
  EXPECT_EQ(Listed(o)[0].phase, 4);
  EXPECT_NEAR(Listed(o)[0].time, t, 1e-9);

  p.eventWanted = {false, false, true, false, false};  // the 0.25 maximum the same way
  const data::StarTable early = Table({StarAt(p, 8, t, 0, 50.0, 10.0, 2)});
  ASSERT_EQ(Listed(RunBoth(p, early, {})).size(), 1u);
}

TEST(RunPredictionTest, CyclesBeforeTheEpochGiveAllFourPhases) {
  RunParameters p = January(3);
  const double start = SpanStart(p, 8);
  data::StarTable stars = Table({StarAt(p, 8, start + 0.25, 0, 80.0, 0.3)});
  stars.entries[0].epoch = start + 100.05;  // long after the span
  const PredictionOutcome o = RunBoth(p, stars, {});
  std::set<int> phases;
  for (const EventEntry& e : Listed(o)) {
    phases.insert(e.phase);
    const double q = std::nearbyint(4 * (e.time - stars.entries[0].epoch) / 0.3);
    EXPECT_NEAR(e.time, stars.entries[0].epoch + q * 0.075, 1e-7);
    EXPECT_EQ(static_cast<int>(std::fmod(std::fmod(q, 4) + 4, 4)) + 1, e.phase) << e.time;
  }
  EXPECT_EQ(phases.size(), 4u);

  // Epochs given as full Julian dates: the same events, the same phases.
  data::StarTable full = stars;
  full.entries[0].epoch += 2400000;
  full.entries[0].period = 0.375;  // 2400000 days is a whole number of cycles
  stars.entries[0].period = 0.375;
  const std::vector<EventEntry> reduced = Listed(RunBoth(p, stars, {}));
  const std::vector<EventEntry> julian = Listed(RunBoth(p, full, {}));
  ASSERT_EQ(julian.size(), reduced.size());
  ASSERT_FALSE(reduced.empty());
  for (std::size_t i = 0; i < reduced.size(); ++i) {
    EXPECT_NEAR(julian[i].time, reduced[i].time, 1e-6);
    EXPECT_EQ(julian[i].phase, reduced[i].phase);
  }
}

TEST(RunPredictionTest, StarsWithoutAUsablePeriodOrPositionGiveNoEvent) {
  const RunParameters p = January(3);
  const double t = SpanStart(p, 8) + 0.25;
  const data::StarEntry good = StarAt(p, 8, t, 0, 80.0, 0.3);
  std::vector<data::StarEntry> bad(9, good);  // one fault each
  bad[0].period = 0;
  bad[1].period = -1.5;
  bad[2].period = kNaN;
  bad[3].period = std::numeric_limits<double>::infinity();
  bad[4].epoch = kNaN;
  bad[5].raDms = kNaN;
  bad[6].decDms = kNaN;
  bad[7].epoch = std::numeric_limits<double>::infinity();
  bad[8].period = -0.0;
  bad.push_back(good);
  bad.back().epoch = 1e20;  // finite, but no quarter step can be taken from its cycle number
  bad.push_back(good);
  bad.back().period = 1e-300;
  for (int mode = 1; mode <= 3; ++mode) {
    RunParameters q = p;
    q.outputMode = static_cast<std::int16_t>(mode);
    EXPECT_TRUE(RunBoth(q, Table(bad), ExampleLimits()).events.empty());
    std::vector<data::StarEntry> mixed = bad;
    mixed.push_back(good);
    const PredictionOutcome o = RunBoth(q, Table(mixed), ExampleLimits());
    ASSERT_FALSE(o.events.empty());
    for (const EventEntry& e : o.events) EXPECT_EQ(e.star, bad.size());
  }
}

// Within a minute of arc of the pole the precession moves the right
// ascension tens of hours; the hour angle must still come into -12..12.
TEST(RunPredictionTest, StarsAtThePoleAreListedAllNight) {
  RunParameters p = January(1);
  p.minStarAltitude = 20;
  for (const double dec : {89.5959, 90.0}) {
    data::StarEntry star = StarAt(p, 8, SpanStart(p, 8) + 0.3, 0, dec, 0.1);
    star.raDms = 6;
    const PredictionOutcome o = RunBoth(p, Table({star}), ExampleLimits());
    // At latitude 50 it stands 50 degrees high all night: every event of the
    // night's 10 cycles with the Sun down is listed.
    EXPECT_GE(Listed(o).size(), 20u) << dec;
    for (const EventEntry& e : o.events) {
      EXPECT_GE(e.column1, -12) << dec;
      EXPECT_LE(e.column1, 12) << dec;
    }
  }
}

TEST(RunPredictionTest, ARunPastTheEventBoundKeepsNoEvent) {
  const RunParameters p = January(5);
  const data::StarTable stars = testing::MakeCatalogue(60, 7);
  const PredictionOutcome all = RunPrediction(p, stars, {}, Engine::Literal);
  ASSERT_GT(all.events.size(), 100u);
  const std::size_t n = all.events.size();
  for (Engine engine : {Engine::Literal, Engine::Fast}) {
    for (unsigned threads : {1u, 2u}) {
      const PredictionOutcome over = RunPrediction(p, stars, {}, engine, threads, n - 1);
      EXPECT_TRUE(over.tooManyEvents);
      EXPECT_TRUE(over.events.empty());
      EXPECT_FALSE(over.HasListed());
      const PredictionOutcome at = RunPrediction(p, stars, {}, engine, threads, n);
      EXPECT_FALSE(at.tooManyEvents);
      EXPECT_EQ(at.events, all.events);
    }
  }
}

}  // namespace
}  // namespace tevaro::run
