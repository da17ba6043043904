#include "run/night_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "astro/coords.h"
#include "astro/sun.h"
#include "run/elements.h"
#include "run/report.h"
#include "run/session.h"
#include "support/catalogue.h"

namespace tevaro::run {
namespace {

// A session on the example sites and limits with a generated star list.
Session ExampleSession(std::size_t stars, std::uint64_t seed) {
  Session s;
  const std::string dir = TEVARO_EXAMPLES_DIR;
  EXPECT_FALSE(s.LoadLocations(dir + "/Location.dat"));
  EXPECT_FALSE(s.LoadLimits(dir + "/Limits.dat"));
  s.stars = testing::MakeCatalogue(stars, seed);
  s.loaded.starsLoaded = true;
  return s;
}

InputFields FieldsFor(Session& s, int site, const char* year, const char* month, const char* day, const char* nights,
                      int option) {
  const SiteFieldTexts t = s.SelectSite(site);
  InputFields in;
  in.siteIndex = site;
  in.longitude = t.longitude;
  in.latitude = t.latitude;
  in.zone = t.zone;
  in.year = year;
  in.month = month;
  in.day = day;
  in.nights = nights;
  in.maxSun = "-12";
  in.minStar = "20";
  in.eventBox = {1, 1, 1, 1};
  in.option = option;
  return in;
}

// The altitude column of a mode-1 event line: the four characters after the
// azimuth.
std::string PrintedAltitude(std::string_view line) { return std::string(line.substr(64, 4)); }

std::size_t IndexOf(const std::vector<double>& times, double t) {
  for (std::size_t k = 0; k < times.size(); ++k)
    if (times[k] == t) return k;
  return times.size();
}

struct SiteCase {
  int site;
  const char* month;
  const char* day;
  bool dst;
};

class NightChartAgreement : public ::testing::TestWithParam<SiteCase> {};

// Every event of every night of a run: the star's curve passes through the
// event's time at the altitude the report prints, the event's line is the one
// the report holds, and the curve's point is inside the limits.
TEST_P(NightChartAgreement, CurvesGiveTheReportsAltitudeAtEveryEvent) {
  const SiteCase c = GetParam();
  Session s = ExampleSession(600, 19 + static_cast<std::uint64_t>(c.site));
  s.params.dstEnabled = c.dst;
  ASSERT_EQ(s.Calculate(FieldsFor(s, c.site, "2024", c.month, c.day, "4", 1)).status,
            CalculateResult::Status::Listed);
  ASSERT_TRUE(s.lastRun);
  const ListedRun& run = *s.lastRun;
  const std::vector<std::int32_t> nights = ReportNights(run.outcome());
  ASSERT_GE(nights.size(), 3u);
  std::size_t events = 0;
  for (std::int32_t night : nights) {
    const NightChartData chart = BuildNightChart(run, night);
    EXPECT_EQ(chart.zone, s.params.zone);
    // 18:00 to 06:00 local, widened by whole hours only for events outside it.
    EXPECT_LE(chart.rjdStart, chart.eveningStart);
    EXPECT_GE(chart.rjdEnd, chart.eveningStart + 0.5 - 1e-9);
    if (chart.rjdStart < chart.eveningStart) {
      EXPECT_LT(chart.events.front().time, chart.rjdStart + 1.0 / 24);
    }
    if (chart.rjdEnd > chart.eveningStart + 0.5 + 1e-9) {
      EXPECT_GT(chart.events.back().time, chart.rjdEnd - 1.0 / 24);
    }
    ASSERT_FALSE(chart.events.empty());
    for (const NightEvent& ev : chart.events) {
      ++events;
      const EventEntry& entry = run.outcome().events[ev.eventIndex];
      const std::string_view line = s.report.Line(ev.reportLine);
      ASSERT_EQ(line, EventLine(entry, run.stars.entries[entry.star], run.outcome().zone, 1));
      const NightStar& star = chart.stars[ev.starSlot];
      EXPECT_EQ(star.star, entry.star);
      const std::size_t k = IndexOf(star.times, ev.time);
      ASSERT_LT(k, star.times.size()) << line;
      EXPECT_EQ(astro::FormatFixed(star.altitudes[k], 4, 0), PrintedAltitude(line)) << line;
      EXPECT_EQ(ev.altitude, star.altitudes[k]);
      EXPECT_GE(ev.time, chart.rjdStart);
      EXPECT_LE(ev.time, chart.rjdEnd);
      const CurveStretch* in = nullptr;
      for (const CurveStretch& st : star.stretches)
        if (st.from <= k && k <= st.to) in = &st;
      ASSERT_NE(in, nullptr);
      EXPECT_TRUE(in->inside) << line;
    }
  }
  // Every listed event is on the chart of its night.
  EXPECT_EQ(events, run.outcome().events.size() - run.outcome().firstListed);
}

INSTANTIATE_TEST_SUITE_P(ExampleSites, NightChartAgreement,
                         ::testing::Values(SiteCase{0, "01", "10", false},  // north, zone 8
                                           SiteCase{0, "07", "02", true},   // north, daylight saving, zone 7
                                           SiteCase{1, "06", "15", false},  // south, zone 4, long nights
                                           SiteCase{1, "12", "20", false},  // south, short nights
                                           SiteCase{2, "10", "28", false}   // east of Greenwich, zone -1
                                           ));

// A minimum of a star with a duration, in a run that tests whole eclipses,
// carries its eclipse's ends (cut to the chart's span) and its star's curve
// passes through them; nothing else carries an eclipse.
TEST(NightChartEclipses, EachTestedMinimumSpansItsEclipseOnItsCurve) {
  for (const bool whole : {true, false}) {
    SCOPED_TRACE(whole ? "whole eclipse" : "choice off");
    Session s = ExampleSession(400, 41);
    for (std::size_t i = 0; i < s.stars.entries.size(); i += 2)
      s.stars.entries[i].durationHours = 1 + 6.0 * static_cast<double>(i % 7) / 7;
    s.params.wholeEclipse = whole;
    ASSERT_EQ(s.Calculate(FieldsFor(s, 0, "2024", "01", "10", "3", 1)).status, CalculateResult::Status::Listed);
    const ListedRun& run = *s.lastRun;
    std::size_t eclipses = 0, partial = 0, cut = 0;
    for (std::int32_t night : ReportNights(run.outcome())) {
      const NightChartData chart = BuildNightChart(run, night);
      for (const NightEvent& ev : chart.events) {
        const data::StarEntry& star = run.stars.entries[chart.stars[ev.starSlot].star];
        EXPECT_EQ(ev.partial, run.outcome().events[ev.eventIndex].partial);
        partial += ev.partial;
        if (!(whole && star.durationHours && ev.phase % 2 == 1)) {
          EXPECT_EQ(ev.eclipseStart, ev.eclipseEnd);
          continue;
        }
        ++eclipses;
        const double half = *star.durationHours / 48;
        EXPECT_EQ(ev.eclipseStart, std::max(ev.time - half, chart.rjdStart));
        EXPECT_EQ(ev.eclipseEnd, std::min(ev.time + half, chart.rjdEnd));
        cut += ev.eclipseStart == chart.rjdStart || ev.eclipseEnd == chart.rjdEnd;
        const NightStar& curve = chart.stars[ev.starSlot];
        EXPECT_LT(IndexOf(curve.times, ev.eclipseStart), curve.times.size());
        EXPECT_LT(IndexOf(curve.times, ev.eclipseEnd), curve.times.size());
      }
    }
    EXPECT_EQ(eclipses > 20, whole);
    EXPECT_EQ(partial > 5, whole);
    EXPECT_EQ(cut > 0, whole);
  }
}

// With the uncertainty shown each event of a star with errors carries its
// band, its instant ± 2 sigma cut to the chart's span; nothing else does.
TEST(NightChartBands, EachEventOfAStarWithErrorsSpansTwoSigma) {
  for (const bool shown : {true, false}) {
    SCOPED_TRACE(shown ? "uncertainty shown" : "choice off");
    Session s = ExampleSession(400, 43);
    for (std::size_t i = 0; i < s.stars.entries.size(); i += 2)
      s.stars.entries[i].periodError = 1e-6 * static_cast<double>(i % 9);
    s.params.uncertainty = shown;
    ASSERT_EQ(s.Calculate(FieldsFor(s, 0, "2024", "01", "10", "2", 1)).status, CalculateResult::Status::Listed);
    const ListedRun& run = *s.lastRun;
    std::size_t bands = 0, cut = 0;
    for (std::int32_t night : ReportNights(run.outcome())) {
      const NightChartData chart = BuildNightChart(run, night);
      for (const NightEvent& ev : chart.events) {
        const EventEntry& e = run.outcome().events[ev.eventIndex];
        const double twoSigma = shown ? 2 * PredictionSigmaDays(run.stars.entries[e.star], e.cycle) : 0;
        EXPECT_EQ(ev.bandStart, twoSigma > 0 ? std::max(ev.time - twoSigma, chart.rjdStart) : ev.bandEnd);
        EXPECT_EQ(ev.bandEnd, twoSigma > 0 ? std::min(ev.time + twoSigma, chart.rjdEnd) : ev.bandStart);
        bands += twoSigma > 0;
        cut += twoSigma > 0 && (ev.bandStart == chart.rjdStart || ev.bandEnd == chart.rjdEnd);
      }
    }
    EXPECT_EQ(bands > 20, shown);
    EXPECT_EQ(cut > 0, shown);
  }
}

// The stretches against the run's own test: a star whose events come every
// few minutes, with Sun and altitude limits that pass everything, is listed
// exactly where its hour angle is inside the limits.
TEST(NightChartStretches, InsideWhereTheRunListsAndOutsideWhereItDoesNot) {
  for (int site : {0, 1}) {
    Session s = ExampleSession(0, 1);
    data::StarEntry fast;
    fast.name = "FAST";
    // Each passes its west limit in the night: at hour angle +5.67 h
    // in the north, +7 h (circumpolar) in the south.
    fast.raDms = site == 0 ? 6.0 : 4.0;
    fast.decDms = site == 0 ? 20.0 : -65.0;
    fast.epoch = 60000.0;
    fast.period = 0.01;
    fast.varType = "EW";
    s.stars.entries.push_back(fast);
    InputFields in = FieldsFor(s, site, "2024", "01", "15", "1", 1);
    in.maxSun = "0";
    in.minStar = "0";
    ASSERT_EQ(s.Calculate(in, Engine::Literal).status, CalculateResult::Status::Listed);
    const ListedRun& run = *s.lastRun;
    const NightChartData chart = BuildNightChart(run, ReportNights(run.outcome()).front());
    ASSERT_EQ(chart.stars.size(), 1u);
    const NightStar& star = chart.stars[0];

    // The stretches cover the curve, share their ends and alternate.
    ASSERT_GE(star.stretches.size(), 2u) << "site " << site;
    EXPECT_EQ(star.stretches.front().from, 0u);
    EXPECT_EQ(star.stretches.back().to, star.times.size() - 1);
    for (std::size_t i = 1; i < star.stretches.size(); ++i) {
      EXPECT_EQ(star.stretches[i].from, star.stretches[i - 1].to);
      EXPECT_NE(star.stretches[i].inside, star.stretches[i - 1].inside);
    }

    std::vector<double> listed;
    for (std::size_t i = run.outcome().firstListed; i < run.outcome().events.size(); ++i)
      listed.push_back(run.outcome().events[i].time);
    std::size_t candidates = 0, inside = 0;
    for (double e = std::ceil((chart.rjdStart - fast.epoch) / 0.0025); fast.epoch + e * 0.0025 < chart.rjdEnd; ++e) {
      const double t = fast.epoch + e * 0.0025;
      if (t <= chart.rjdStart) continue;
      // The stretch holding t; candidates within a second of a crossing are left aside.
      const CurveStretch* in_ = nullptr;
      for (const CurveStretch& st : star.stretches)
        if (star.times[st.from] + 1e-5 < t && t < star.times[st.to] - 1e-5) in_ = &st;
      if (!in_) continue;
      // Only where the Sun is surely below and the star surely above the
      // horizon, the run's other two limits.
      const auto k = static_cast<std::size_t>(std::lower_bound(star.times.begin(), star.times.end(), t) - star.times.begin());
      const auto j = static_cast<std::size_t>((t - chart.rjdStart) / (kChartStepMinutes / 1440));
      if (k == 0 || j + 1 >= chart.sunAltitudes.size() || std::min(star.altitudes[k - 1], star.altitudes[k]) < 1 ||
          std::max(chart.sunAltitudes[j], chart.sunAltitudes[j + 1]) > -1)
        continue;
      ++candidates;
      bool isListed = false;
      for (double x : listed) isListed = isListed || std::fabs(x - t) < 1e-7;
      EXPECT_EQ(isListed, in_->inside) << "site " << site << " t " << t;
      inside += in_->inside ? 1 : 0;
    }
    EXPECT_GT(candidates, 100u);
    EXPECT_GT(inside, 10u);
    EXPECT_LT(inside, candidates - 10);
    // At every sample the hour angle agrees with the stretch's side.
    for (const CurveStretch& st : star.stretches)
      for (std::size_t k = st.from + 1; k < st.to; ++k)
        EXPECT_EQ(star.hourAngles[k] > star.eastLimit && star.hourAngles[k] < star.westLimit, st.inside);
  }
}

// The Sun every five minutes from 18:00 to 06:00 local, each sample the Sun
// routine's altitude at that instant.
TEST(NightChartSun, SamplesFollowTheSunRoutineFromSixToSix) {
  Session s = ExampleSession(300, 7);
  s.params.dstEnabled = true;
  ASSERT_EQ(s.Calculate(FieldsFor(s, 0, "2024", "06", "20", "1", 2)).status, CalculateResult::Status::Listed);
  const ListedRun& run = *s.lastRun;
  const NightChartData chart = BuildNightChart(run, LocalDayOfEvening(2024, 6, 20));
  EXPECT_EQ(chart.year, 2024);
  EXPECT_EQ(chart.month, 6);
  EXPECT_EQ(chart.day, 20);
  ASSERT_EQ(chart.sunTimes.size(), 145u);
  const astro::CalendarTime first = astro::RjdToCalendar(chart.sunTimes.front(), chart.zone);
  const astro::CalendarTime last = astro::RjdToCalendar(chart.sunTimes.back(), chart.zone);
  EXPECT_EQ(first.hour * 100 + first.minute, 1800);
  EXPECT_EQ(first.day, 20);
  EXPECT_EQ(last.hour * 100 + last.minute, 600);
  EXPECT_EQ(last.day, 21);
  const astro::CalendarTime third = astro::RjdToCalendar(chart.sunTimes[3], chart.zone);
  EXPECT_EQ(third.minute, 15);
  for (std::size_t k = 0; k < chart.sunTimes.size(); ++k) {
    const double t = chart.sunTimes[k];
    const astro::EquatorialDeg sun = astro::EclipticToEquatorial(astro::SunLongitude(t), 0);
    const double lst = astro::LocalSiderealTime(t, run.params.longitude);
    EXPECT_DOUBLE_EQ(chart.sunAltitudes[k],
                     90 - astro::HorizonCoordinates(run.params.latitude, lst, sun.raDeg, sun.decDeg).zenithDistanceDeg);
  }
  // Midsummer at latitude 50 north under daylight saving (zone 7): the Sun
  // is up at 18:00 and 06:00 local, lowest near 01:05 local (the site lies
  // half a degree west of 120 degrees), 90 - 50.2 - 23.4 = 16.6 degrees
  // below the horizon.
  EXPECT_EQ(chart.zone, 7);
  EXPECT_TRUE(chart.daylightSaving);
  EXPECT_GT(chart.sunAltitudes.front(), 15);
  EXPECT_GT(chart.sunAltitudes.back(), 5);
  std::size_t lowest = 0;
  for (std::size_t k = 0; k < chart.sunAltitudes.size(); ++k)
    if (chart.sunAltitudes[k] < chart.sunAltitudes[lowest]) lowest = k;
  EXPECT_NEAR(chart.sunAltitudes[lowest], -16.5, 0.6);
  EXPECT_NEAR(static_cast<double>(lowest) * 5 / 60, 7.08, 0.2);
  // The run lists nothing while the Sun is above its limit.
  for (const NightEvent& ev : chart.events) EXPECT_LT(RunSunAltitude(ev.time, run.params.longitude, run.params.latitude), -12);
}

// The Moon on every chart, whatever the run's choice: nights of January 2024
// at a site in zone -1 against astropy (get_body("moon") at the site): the
// stretches the Moon is above the horizon (minutes after 18:00 local), its
// fraction lit at local midnight, and for stars at astropy's topocentric
// place of the Moon at 23:00 UT, and 30 degrees north of it, the distance
// each event's tooltip shows.
TEST(NightChartMoon, CurveFractionAndDistancesFollowAstropy) {
  const struct {
    int day;             // the evening, January 2024
    double upFrom, upTo;  // minutes after 18:00 local; upFrom > upTo: not up
    double fraction;
    double moonRaHours, moonDecDeg;  // at 23:00 UT
  } cases[] = {
      {25, 0, 720, 0.9979, 8.753755, 22.509350},
      {17, 0, 398.7, 0.4787, 1.454734, 9.110362},
      {10, 1, 0, 0.0060, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.day);
    ListedRun run;
    RunParameters& p = run.params;
    p.longitudeDms = -13.24;
    p.longitude = astro::DmsToDegrees(p.longitudeDms);
    p.latitudeDms = 52.31;
    p.latitude = astro::DmsToDegrees(p.latitudeDms);
    p.zone = p.standardZone = -1;
    p.dstEnabled = false;
    p.year = 2024;
    p.month = 1;
    p.day = static_cast<std::int16_t>(c.day);
    p.maxSunAltitude = 90;
    p.minStarAltitude = -90;
    p.eventWanted = {false, true, false, false, false};
    const double event = astro::CalendarToRjdAt(2024, 1, static_cast<std::int16_t>(c.day), 23, 0, 0);
    for (double north : {0.0, 30.0}) {
      data::StarEntry s;
      s.name = north == 0 ? "AT" : "NORTH";
      s.raDms = testing::PackSexagesimal(c.moonRaHours);
      s.decDms = testing::PackSexagesimal(c.moonDecDeg + north);
      s.period = 40;
      s.epoch = event;
      s.varType = "EA";
      run.stars.entries.push_back(s);
    }
    const NightChartData chart = BuildNightChart(run, LocalDayOfEvening(2024, 1, c.day));
    ASSERT_EQ(chart.moonAltitudes.size(), chart.sunTimes.size());
    for (std::size_t k = 0; k < chart.sunTimes.size(); ++k) {
      const double minutes = (chart.sunTimes[k] - chart.eveningStart) * 1440;
      if (std::fabs(minutes - c.upFrom) < 1 || std::fabs(minutes - c.upTo) < 1) continue;
      EXPECT_EQ(chart.moonAltitudes[k] > 0, minutes > c.upFrom && minutes < c.upTo) << minutes << " min";
    }
    EXPECT_NEAR(chart.moonIlluminated, c.fraction, 0.01);
    if (c.moonRaHours == 0) continue;
    ASSERT_EQ(chart.events.size(), 2u);
    for (const NightEvent& ev : chart.events)
      EXPECT_NEAR(ev.moonDistanceDeg, chart.stars[ev.starSlot].name == "AT" ? 0 : 30, 0.2);
  }
}

// A report line's night: event lines their own, the header and night lines
// the night of the event that follows, lines past the end the last night.
TEST(NightChartLines, EveryReportLineBelongsToANight) {
  Session s = ExampleSession(200, 3);
  ASSERT_EQ(s.Calculate(FieldsFor(s, 0, "2024", "03", "01", "3", 3)).status, CalculateResult::Status::Listed);
  const PredictionOutcome& o = s.lastRun->outcome();
  const std::vector<std::int32_t> nights = ReportNights(o);
  ASSERT_EQ(nights.size(), 3u);
  EXPECT_EQ(nights[0], LocalDayOfEvening(2024, 3, 1));
  EXPECT_EQ(nights[2], LocalDayOfEvening(2024, 3, 3));
  const std::vector<std::size_t> lines = ReportLinesOfEvents(o);
  std::size_t nightIndex = 0;
  for (std::size_t line = 1; line <= s.report.LineCount(); ++line) {
    const std::string_view text = s.report.Line(line);
    if (line > 14 && text.find(" night ---") != std::string_view::npos) ++nightIndex;
    EXPECT_EQ(NightOfReportLine(o, line), nights[nightIndex]) << line << ": " << text;
  }
  EXPECT_EQ(nightIndex, 2u);
  EXPECT_EQ(lines.back(), s.report.LineCount());
  EXPECT_EQ(lines[o.firstListed], 15u);
  EXPECT_EQ(NightOfReportLine(o, s.report.LineCount() + 5), nights.back());
}

// The filter: terms (any case, comma-separated) pick stars by name or type,
// and the two marks drop their events; stars left without events go, the
// others keep their order, their place in the run's list and their events'
// report lines.
TEST(NightChartFilter, PicksStarsByNameTypeAndMarks) {
  NightChartData night;
  const char* stars[][2] = {{"V1234 Cyg", "EA"}, {"TX UMa", "EA/SD"}, {"GEN 12", "EW"}, {"AB And", "EW"}};
  for (const auto& star : stars) {
    NightStar& s = night.stars.emplace_back();
    s.star = 9 + static_cast<std::uint32_t>(night.stars.size());
    s.name = star[0];
    s.type = star[1];
  }
  // Report lines 20.. in order: star slot, " part", " moon".
  const std::size_t events[][3] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}, {0, 1, 1}, {3, 0, 0}, {1, 0, 0}};
  for (const auto& e : events) {
    NightEvent& ev = night.events.emplace_back();
    ev.starSlot = e[0];
    ev.partial = e[1] != 0;
    ev.nearMoon = e[2] != 0;
    ev.reportLine = 20 + night.events.size() - 1;
  }
  const struct {
    const char* text;
    bool hidePartial, hideMoon;
    std::vector<std::size_t> lines;
    std::vector<std::string> names;
  } cases[] = {
      {" , ", false, false, {20, 21, 22, 23, 24, 25}, {"V1234 Cyg", "TX UMa", "GEN 12", "AB And"}},
      {"cyg", false, false, {20, 23}, {"V1234 Cyg"}},
      {"ew", false, false, {22, 24}, {"GEN 12", "AB And"}},
      {"sd", false, false, {21, 25}, {"TX UMa"}},  // part of "EA/SD"
      {"  ab and ,GEN 1", false, false, {22, 24}, {"GEN 12", "AB And"}},
      {"Lyr", false, false, {}, {}},
      {"", true, false, {20, 22, 24, 25}, {"V1234 Cyg", "GEN 12", "AB And", "TX UMa"}},
      {"", false, true, {20, 21, 24, 25}, {"V1234 Cyg", "TX UMa", "AB And"}},
      {"ew", true, true, {24}, {"AB And"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\" part " + std::to_string(c.hidePartial) + " moon " + std::to_string(c.hideMoon));
    const NightChartData shown = FilterNightChart(night, {c.text, c.hidePartial, c.hideMoon});
    std::vector<std::size_t> lines;
    for (const NightEvent& ev : shown.events) {
      lines.push_back(ev.reportLine);
      // Each event still belongs to its own star.
      ASSERT_LT(ev.starSlot, shown.stars.size());
      EXPECT_EQ(shown.stars[ev.starSlot].star, night.stars[events[ev.reportLine - 20][0]].star);
    }
    EXPECT_EQ(lines, c.lines);
    std::vector<std::string> names;
    for (const NightStar& s : shown.stars) names.push_back(s.name);
    EXPECT_EQ(names, c.names);
  }
}

}  // namespace
}  // namespace tevaro::run
