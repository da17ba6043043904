// The stars a run can use, and the naming at load of those it cannot.
#include "run/star_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "run/prediction.h"
#include "run/session.h"

namespace tevaro::run {
namespace {

data::StarEntry Star(double period, double epoch = 55000.25) {
  data::StarEntry s;
  s.name = "S";
  s.raDms = 6;
  s.decDms = 60;
  s.epoch = epoch;
  s.period = period;
  return s;
}

TEST(UnusableReason, PeriodAndEpochBounds) {
  EXPECT_FALSE(UnusableReason(Star(0.8)));
  EXPECT_FALSE(UnusableReason(Star(kMinPeriodDays)));
  EXPECT_FALSE(UnusableReason(Star(1.5, -kMaxEpochDays)));
  EXPECT_EQ(UnusableReason(Star(0)).value_or(""), "the period 0 is not a positive number of days");
  EXPECT_EQ(UnusableReason(Star(-2.5)).value_or(""), "the period -2.5 is not a positive number of days");
  data::StarEntry text = Star(0);
  text.periodNotNumber = "abc";
  EXPECT_EQ(UnusableReason(text).value_or(""), "the period \"abc\" is not a number");
  EXPECT_EQ(UnusableReason(Star(2.1e-7)).value_or(""),
            "the period 2.1e-07 days is below 0.004 days, shorter than any eclipsing binary's");
  EXPECT_TRUE(UnusableReason(Star(std::nextafter(kMinPeriodDays, 0.0))));
  EXPECT_EQ(UnusableReason(Star(1.5, 1e20)).value_or(""),
            "the epoch 1e+20 is more than 100000000 days from RJD 0, no date of an ephemeris");
  data::StarEntry nan = Star(1.5);
  nan.decDms = std::nan("");
  EXPECT_EQ(UnusableReason(nan).value_or(""), "the position is not a number");
}

TEST(UnusableReason, EclipseDurationAboveZeroAndBelowThePeriod) {
  // duration hours (period 0.5 d = 12 h) -> reason, empty when usable
  struct Case {
    std::optional<double> hours;
    const char* notNumber;
    const char* reason;
  };
  const Case cases[] = {
      {std::nullopt, nullptr, ""},
      {2.5, nullptr, ""},
      {std::nextafter(12.0, 0.0), nullptr, ""},
      {0.0, nullptr, "the eclipse's duration 0 hours is not a positive number of hours"},
      {-1.5, nullptr, "the eclipse's duration -1.5 hours is not a positive number of hours"},
      {std::nan(""), nullptr, "the eclipse's duration nan hours is not a positive number of hours"},
      {12.0, nullptr, "the eclipse's duration 12 hours is not shorter than the period (12 hours)"},
      {250.0, nullptr, "the eclipse's duration 250 hours is not shorter than the period (12 hours)"},
      {std::nullopt, "2h30", "the eclipse's duration \"2h30\" is not a number of hours"},
  };
  for (const Case& c : cases) {
    data::StarEntry s = Star(0.5);
    s.durationHours = c.hours;
    if (c.notNumber) s.durationNotNumber = c.notNumber;
    SCOPED_TRACE(c.reason);
    EXPECT_EQ(UnusableReason(s).value_or(""), c.reason);
  }
}

TEST(UnusableStars, NamedAtLoadWithLineAndNameAndLeftOutOfTheRun) {
  const std::string path = ::testing::TempDir() + "tevaro_unusable.csv";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("Stars\nname,RA,Dec,HJDo,Period\n"
               "Good,6.0,60.0,55000.25,0.8\n"
               "Too\x1b[2J fast,6.0,60.0,55000.25,2.1e-7\n"
               "Still,6.0,60.0,55000.25,0\n"
               "Far,6.0,60.0,1e20,1.5\n"
               "Quick,6.0,60.0,55000.25,0.0039\n",
               f);
    std::fclose(f);
  }
  Session s;
  ASSERT_FALSE(s.LoadStars(path));
  ASSERT_EQ(s.stars.entries.size(), 5u);
  ASSERT_EQ(s.starWarnings.size(), 4u);
  EXPECT_EQ(s.starWarnings[0].line, 4);
  // The escape character of the name reads as a blank.
  EXPECT_EQ(s.starWarnings[0].name, "Too [2J fast");
  EXPECT_EQ(s.starWarnings[0].Text(),
            "line 4: Too [2J fast: the period 2.1e-07 days is below 0.004 days, shorter than any eclipsing "
            "binary's; it is left out");
  EXPECT_EQ(s.starWarnings[1].line, 5);
  EXPECT_EQ(s.starWarnings[2].name, "Far");

  // Only the good star gives events, also through the literal engine.
  RunParameters p;
  p.longitude = p.longitudeDms = 0;
  p.latitude = p.latitudeDms = 50;
  p.year = 2011;
  p.month = 12;
  p.day = 20;
  p.dayCount = 30;
  p.maxSunAltitude = 0;
  p.minStarAltitude = 0;
  p.eventWanted = {false, true, true, true, true};
  p.standardZone = 0;
  p.dstEnabled = false;
  for (Engine engine : {Engine::Literal, Engine::Fast}) {
    const PredictionOutcome out = RunPrediction(p, s.stars, {}, engine);
    ASSERT_TRUE(out.HasListed());
    for (const EventEntry& e : out.events) ASSERT_EQ(e.star, 0u);
  }
  std::remove(path.c_str());
}

TEST(UnusableStars, ABadDurationIsNamedWithItsLine) {
  const std::string path = ::testing::TempDir() + "tevaro_durations.csv";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("Stars\nname,RA,Dec,HJDo,Period,Type,Max,Min,Comment,D\n"
               "Known,6.0,60.0,55000.25,0.8,EA,10,11,,3.1\n"
               "Unknown,6.0,60.0,55000.25,0.8,EA,10,11,,\n"
               "Backwards,6.0,60.0,55000.25,0.8,EA,10,11,,-2\n"
               "Minutes,6.0,60.0,55000.25,0.8,EA,10,11,,186\n",
               f);
    std::fclose(f);
  }
  Session s;
  ASSERT_FALSE(s.LoadStars(path));
  ASSERT_EQ(s.stars.entries.size(), 4u);
  ASSERT_EQ(s.starWarnings.size(), 2u);
  EXPECT_EQ(s.starWarnings[0].Text(),
            "line 5: Backwards: the eclipse's duration -2 hours is not a positive number of hours; it is left out");
  EXPECT_EQ(s.starWarnings[1].Text(),
            "line 6: Minutes: the eclipse's duration 186 hours is not shorter than the period (19.2 hours); it is "
            "left out");
  std::remove(path.c_str());
}

// A star of period 0.5 d (12 h) with a secondary phase, a secondary eclipse
// and errors: the reason, empty when the star is usable.
TEST(UnusableReason, SecondaryPhaseDurationAndErrors) {
  const struct {
    double phase;
    std::optional<double> durationII, epochError, periodError;
    const char* reason;
  } cases[] = {
      {0.43, {}, {}, {}, ""},
      {0.75, {}, {}, {}, ""},
      {0, {}, {}, {}, "the secondary minimum's phase 0 is not between 0 and 1"},
      {1, {}, {}, {}, "the secondary minimum's phase 1 is not between 0 and 1"},
      {std::nan(""), {}, {}, {}, "the secondary minimum's phase nan is not between 0 and 1"},
      {0.5, std::nextafter(12.0, 0.0), {}, {}, ""},
      {0.5, 12.0, {}, {}, "the secondary eclipse's duration 12 hours is not shorter than the period (12 hours)"},
      {0.5, 0.0, {}, {}, "the secondary eclipse's duration 0 hours is not a positive number of hours"},
      {0.5, {}, 0.0, 0.0, ""},
      {0.5, {}, -1e-4, {}, "the epoch's error -0.0001 days is not a number of days of 0 or more"},
      {0.5, {}, {}, HUGE_VAL, "the period's error inf days is not a number of days of 0 or more"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    data::StarEntry s = Star(0.5);
    s.secondaryPhase = c.phase;
    s.durationIIHours = c.durationII, s.epochError = c.epochError, s.periodError = c.periodError;
    EXPECT_EQ(UnusableReason(s).value_or(""), c.reason);
  }
}

// A named-column file's unknown columns, the empty one aside, are named once
// with the file, its unusable star with its line; the example's stars are all
// usable.
TEST(UnusableStars, NamedColumnFileTellsItsUnknownColumnsAndKeepsItsStars) {
  Session s;
  ASSERT_FALSE(s.LoadStars(TEVARO_EXAMPLES_DIR "/stars-named.csv"));
  EXPECT_TRUE(s.starWarnings.empty());
  const std::string path = ::testing::TempDir() + "tevaro_named.csv";
  std::ofstream(path, std::ios::binary) << "name,ra,dec,epoch,period,observer,,Notes,secondary_phase\n"
                                           "A,6,60,55000.25,0.8,me,,\"x, y\",0.4\nB,6,60,55000.25,0.8,,,,1.5\n";
  ASSERT_FALSE(s.LoadStars(path));
  ASSERT_EQ(s.starFileWarnings.size(), 1u);
  EXPECT_EQ(s.starFileWarnings[0].Message(),
            path + ": line 1: the columns \"observer\" and \"Notes\" are not star file columns and are ignored");
  ASSERT_EQ(s.starWarnings.size(), 1u);
  EXPECT_EQ(s.starWarnings[0].Text(),
            "line 3: B: the secondary minimum's phase 1.5 is not between 0 and 1; it is left out");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tevaro::run
