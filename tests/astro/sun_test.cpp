#include "astro/sun.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/calendar.h"

namespace tevaro::astro {
namespace {

TEST(SunLongitude, WorkedValues) {
  EXPECT_NEAR(SunLongitude(42412.5), 278.92554, 5e-6);  // the epoch: N = 0
  EXPECT_NEAR(SunLongitude(51545.0), 280.19872, 5e-6);
  EXPECT_NEAR(SunLongitude(60482.36875), 89.620836, 5e-7);  // 2024 June 20 20:51 UT
  EXPECT_NEAR(SunLongitude(40738.5), 70.157981, 5e-7);      // before the epoch
}

TEST(SunLongitude, FallsBehindAtTheEquinoxOf2024) {
  // 2024 March 20 03:06 UT, taken at full precision rather than as 60389.62917.
  const double rjd = CalendarToRjdAt(2024, 3, 20, 3, 6, 0);
  EXPECT_NEAR(SunLongitude(rjd), 359.625411, 5e-7);
}

TEST(SunLongitude, StaysWithinOneRevolution) {
  for (double rjd = 15020.5; rjd < 88000; rjd += 1.37) {
    const double l = SunLongitude(rjd);
    ASSERT_GT(l, 0) << rjd;
    ASSERT_LE(l, 360) << rjd;
  }
}

TEST(EclipticToEquatorial, OnTheEcliptic) {
  struct Case {
    double lambda, ra, dec, raTolerance, decTolerance;
  };
  const Case cases[] = {
      {45, 42.53783, 16.329791, 5e-6, 5e-7},
      {135, 137.46217, 16.329791, 5e-6, 5e-7},
      {225, 222.53783, -16.329791, 5e-6, 5e-7},
      {300, 302.179444, -20.142505, 5e-7, 5e-7},
      {90, 90, 23.43, 5e-7, 5e-7},
      {180, 180, 0, 5e-7, 5e-7},
      {270, 270, -23.43, 5e-7, 5e-7},
      {360, 0, 0, 5e-7, 5e-7},  // no quadrant: the raw value
  };
  for (const Case& c : cases) {
    const EquatorialDeg e = EclipticToEquatorial(c.lambda, 0);
    EXPECT_NEAR(e.raDeg, c.ra, c.raTolerance) << c.lambda;
    EXPECT_NEAR(e.decDeg, c.dec, c.decTolerance) << c.lambda;
  }
}

TEST(EclipticToEquatorial, RightAscensionFollowsTheLongitudeAllRound) {
  // On the ecliptic the right ascension stays within a few degrees of the
  // longitude, in the same quadrant, and in 0..360.
  for (double lambda = 0.25; lambda < 360; lambda += 0.5) {
    const EquatorialDeg e = EclipticToEquatorial(lambda, 0);
    ASSERT_GE(e.raDeg, 0) << lambda;
    ASSERT_LT(e.raDeg, 360) << lambda;
    EXPECT_NEAR(e.raDeg, lambda, 2.6) << lambda;
    EXPECT_EQ(std::floor(e.raDeg / 90), std::floor(lambda / 90)) << lambda;
    EXPECT_LE(std::fabs(e.decDeg), 23.43 + 1e-9) << lambda;
  }
}

TEST(EclipticToEquatorial, QuadrantRowsForALatitude) {
  // Each case reaches one of the rows that bound the longitude.
  struct Case {
    double lambda, beta, ra, dec;
  };
  const Case cases[] = {
      {5, 20, 356.2808465, 20.2663650},     // Q1, near 0, raw value negative: + 360
      {85, 70, 116.0348849, 86.1057748},    // Q1, near 90, raw value negative: + 180
      {175, 20, 183.7191535, 20.2663650},   // Q2, near 180, raw value positive: + 180
      {185, -20, 176.2808465, -20.2663650}, // Q3, near 180, raw value negative: + 180
      {185, 20, 192.7105181, 16.3350494},   // Q3, raw value positive: + 180
      {265, -70, 296.0348848, -86.1057748}, // Q3, near 270, raw value negative: + 360
      {275, -70, 243.9651150, -86.1057748}, // Q4, near 270, raw value positive: + 180
  };
  for (const Case& c : cases) {
    const EquatorialDeg e = EclipticToEquatorial(c.lambda, c.beta);
    EXPECT_NEAR(e.raDeg, c.ra, 5e-7) << c.lambda << " " << c.beta;
    EXPECT_NEAR(e.decDeg, c.dec, 5e-7) << c.lambda << " " << c.beta;
  }
}

}  // namespace
}  // namespace tevaro::astro
