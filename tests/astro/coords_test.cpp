#include "astro/coords.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tevaro::astro {
namespace {

TEST(LocalSiderealTime, WorkedValues) {
  EXPECT_NEAR(LocalSiderealTime(51544.5, 0), 6.6645196, 5e-8);  // 2000 Jan 1, 0h UT, Greenwich
  EXPECT_NEAR(LocalSiderealTime(51545.0, 0), 18.6973746, 5e-8);
  // The raw value is some 600 hours; the reduction takes off 24 h many times.
  EXPECT_NEAR(LocalSiderealTime(60371.25, 105.5), 21.6353805, 5e-8);
}

TEST(LocalSiderealTime, StaysWithinTheDayForAnyInstantAndLongitude) {
  const double longitudes[] = {-180, -105.5, -0.001, 0, 15, 105.5, 180, 359.9};
  for (double rjd = 15020.5; rjd < 88000; rjd += 37.123) {
    for (double lon : longitudes) {
      const double l = LocalSiderealTime(rjd, lon);
      ASSERT_GE(l, 0) << rjd << " " << lon;
      ASSERT_LE(l, 24) << rjd << " " << lon;
    }
  }
}

TEST(LocalSiderealTime, WestLongitudeRunsBehindGreenwich) {
  // 15 degrees west is one hour behind, modulo a day.
  for (double rjd = 51544.5; rjd < 51560; rjd += 0.37) {
    const double g = LocalSiderealTime(rjd, 0);
    const double w = LocalSiderealTime(rjd, 15);
    double diff = g - w;
    if (diff < 0) diff += 24;
    EXPECT_NEAR(diff, 1, 1e-9) << rjd;
  }
}

TEST(PrecessCoordinates, WorkedValues) {
  const Equatorial a = PrecessCoordinates(2000, 6, 20, 2025);
  EXPECT_NEAR(a.raHours, 6.0247252, 5e-8);
  EXPECT_NEAR(a.decDeg, 20.0000000, 5e-8);

  const Equatorial b = PrecessCoordinates(2000, 0, 0, 2025);
  EXPECT_NEAR(b.raHours, 0.0213486, 5e-8);
  EXPECT_NEAR(b.decDeg, 0.1391556, 5e-8);
}

TEST(PrecessCoordinates, SameEpochIsUnchangedAndEarlierTargetsGoBack) {
  const Equatorial same = PrecessCoordinates(2000, 18.5, -35.25, 2000);
  EXPECT_EQ(same.raHours, 18.5);
  EXPECT_EQ(same.decDeg, -35.25);

  // At ra 0 the change is linear in the elapsed years, and the right
  // ascension is not brought back into 0..24.
  const Equatorial back = PrecessCoordinates(2000, 0, 0, 1975);
  EXPECT_NEAR(back.raHours, -0.0213486, 5e-8);
  EXPECT_NEAR(back.decDeg, -0.1391556, 5e-8);
  EXPECT_LT(back.raHours, 0);

  const Equatorial late = PrecessCoordinates(2000, 23.999, 10, 2100);
  EXPECT_GT(late.raHours, 24);
}

TEST(HorizonCoordinates, WorkedValues) {
  struct Case {
    double lat, lst, ra, dec, azimuth, zenith;
  };
  const Case cases[] = {
      {40.5, 6, 90, 20, 180, 20.5},                   // on the meridian, south of the zenith
      {40.5, 8, 90, 20, 240.2586532, 32.7603871},     // west of the meridian
      {40.5, 4, 90, 20, 119.7413468, 32.7603871},     // east of the meridian
      {40.5, 18, 90, 60, 0, 79.5},                    // lower culmination, north
  };
  for (const Case& c : cases) {
    const Horizon h = HorizonCoordinates(c.lat, c.lst, c.ra, c.dec);
    EXPECT_NEAR(h.azimuthDeg, c.azimuth, 5e-8) << c.lst << " " << c.dec;
    EXPECT_NEAR(h.zenithDistanceDeg, c.zenith, 5e-8) << c.lst << " " << c.dec;
  }
}

TEST(HorizonCoordinates, AzimuthSideFollowsTheHourAngle) {
  for (double lst = 0.05; lst < 24; lst += 0.1) {
    const double hourAngle = lst * 15 - 90;  // degrees, ra 90
    const Horizon h = HorizonCoordinates(40.5, lst, 90, 20);
    ASSERT_GE(h.azimuthDeg, 0);
    ASSERT_LE(h.azimuthDeg, 360);
    ASSERT_GE(h.zenithDistanceDeg, 0);
    ASSERT_LE(h.zenithDistanceDeg, 180);
    if (std::sin(hourAngle / 57.29577951) > 0) {
      EXPECT_GT(h.azimuthDeg, 180) << lst;
    } else {
      EXPECT_LT(h.azimuthDeg, 180) << lst;
    }
  }
}

TEST(HorizonCoordinates, ZenithNadirAndPolesGiveFiniteResults) {
  struct Case {
    double lat, lst, ra, dec;
  };
  const Case cases[] = {
      {40.5, 6, 90, 40.5},     // in the zenith
      {40.5, 6, 90, 40.50001},  // within the zenith guard
      {40.5, 18, 90, -40.5},   // in the nadir
      {90, 3, 0, 45},          // at the north pole
      {90, 3, 0, 90},          // pole star at the pole
      {-90, 7, 30, -20},       // at the south pole
      {-90, 7, 30, -90},
      {0, 6, 90, 0},           // equator, zenith
      {0, 0, 0, 90},           // equator, celestial pole on the horizon
  };
  for (const Case& c : cases) {
    const Horizon h = HorizonCoordinates(c.lat, c.lst, c.ra, c.dec);
    EXPECT_TRUE(std::isfinite(h.azimuthDeg)) << c.lat << " " << c.dec;
    EXPECT_GE(h.azimuthDeg, 0) << c.lat << " " << c.dec;
    EXPECT_LE(h.azimuthDeg, 360) << c.lat << " " << c.dec;
    EXPECT_TRUE(std::isfinite(h.zenithDistanceDeg));
    EXPECT_GE(h.zenithDistanceDeg, 0);
    EXPECT_LE(h.zenithDistanceDeg, 180);
  }
  EXPECT_EQ(HorizonCoordinates(40.5, 6, 90, 40.5).zenithDistanceDeg, 0);
  EXPECT_NEAR(HorizonCoordinates(40.5, 18, 90, -40.5).zenithDistanceDeg, 180, 1e-6);
  EXPECT_NEAR(HorizonCoordinates(90, 3, 0, 45).zenithDistanceDeg, 45, 1e-6);
}

}  // namespace
}  // namespace tevaro::astro
