#include "astro/light_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "astro/calendar.h"

namespace tevaro::astro {
namespace {

constexpr double kSecond = 1.0 / 86400;

double Rjd(int y, int m, int d, int h = 0) {
  return CalendarToRjdAt(static_cast<std::int16_t>(y), static_cast<std::int16_t>(m), static_cast<std::int16_t>(d),
                         static_cast<std::int16_t>(h), 0, 0);
}

TEST(LeapSecondTest, TaiMinusUtcFollowsTheTable) {
  const struct {
    const char* when;
    double rjd, seconds, tolerance;
  } cases[] = {
      {"1950: before UTC, read as TAI", Rjd(1950, 6, 1), 0, 0},
      {"1965-01-01: the drifting offsets", Rjd(1965, 1, 1), 3.5401300, 1e-6},
      {"1968-06-01 noon: drift within a day", Rjd(1968, 6, 1, 12), 4.2131700 + (40008.5 - 39126) * 0.002592, 1e-6},
      {"1972-01-01", Rjd(1972, 1, 1), 10, 0},
      {"the last second of 2016", Rjd(2017, 1, 1) - kSecond / 2, 36, 0},
      {"2017-01-01", Rjd(2017, 1, 1), 37, 0},
      {"2100: the last offset kept", Rjd(2100, 6, 1), 37, 0},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), 0, 0},
      {"beyond any calendar", 1e300, 0, 0},
  };
  for (const auto& c : cases) EXPECT_NEAR(TaiMinusUtc(c.rjd), c.seconds, c.tolerance) << c.when;
}

// The correction's size and sign at the two ends of the Earth's orbit: a star
// in the Earth's direction from the Sun (at opposition, up at midnight) is
// seen up to 8.3 minutes before the Sun would see it; one behind the Sun as
// much later; one at the ecliptic pole hardly moved. BJD adds TT - UTC.
TEST(LightTimeModelTest, CorrectionFollowsTheStarsPlaceAgainstTheEarthsOrbit) {
  const double march = Rjd(2021, 3, 20, 22);  // equinox: the Sun at RA 0 h
  const double september = Rjd(2021, 9, 22, 20);
  const double ttMinusUtc = 32.184 + 37;
  const struct {
    const char* star;
    double when, raHours, decDeg;
    EpochScale scale;
    double secondsLo, secondsHi;  // T_earth - T_element
  } cases[] = {
      {"opposition in March", march, 12, 0, EpochScale::Hjd, -500, -495},
      {"behind the Sun in March", march, 0, 0, EpochScale::Hjd, 495, 500},
      {"opposition in September", september, 0, 0, EpochScale::Hjd, -503, -498},
      {"north ecliptic pole", march, 18, 66.56, EpochScale::Hjd, -1, 1},
      {"opposition, BJD", march, 12, 0, EpochScale::Bjd, -500 - ttMinusUtc - 5, -495 - ttMinusUtc + 5},
      {"ecliptic pole, BJD", march, 18, 66.56, EpochScale::Bjd, -ttMinusUtc - 5, -ttMinusUtc + 5},
  };
  for (const auto& c : cases) {
    const LightTimeModel model(c.scale, c.when - 2, c.when + 2);
    const double shift = (model.EarthUtc(c.when, DirectionOf(c.raHours, c.decDeg)) - c.when) / kSecond;
    EXPECT_GE(shift, c.secondsLo) << c.star;
    EXPECT_LE(shift, c.secondsHi) << c.star;
    EXPECT_LE(std::fabs(shift) / 86400, kMaxLightTimeShiftDays) << c.star;
  }
  const LightTimeModel asUt;
  EXPECT_EQ(asUt.EarthUtc(march, DirectionOf(12, 0)), march);
}

// Outside 1900-2100 ERFA's series still gives a position (less accurate) and
// nothing may abort or hang: far instants, infinities and NaN come back
// finite and moved by at most the largest correction, or unchanged.
TEST(LightTimeModelTest, InstantsFarOutsideTheSeriesYearsStayBounded) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (EpochScale scale : {EpochScale::Hjd, EpochScale::Bjd}) {
    const LightTimeModel model(scale, Rjd(1900, 1, 1) - 2, Rjd(1900, 1, 1) + 2);
    for (double t : {Rjd(1850, 1, 1), Rjd(1900, 1, 1), Rjd(2150, 1, 1), -1e7, 1e7}) {
      const double earth = model.EarthUtc(t, DirectionOf(6, 23));
      ASSERT_TRUE(std::isfinite(earth)) << t;
      EXPECT_LE(std::fabs(earth - t), kMaxLightTimeShiftDays) << t;
    }
    EXPECT_EQ(model.EarthUtc(inf, DirectionOf(6, 23)), inf);
    EXPECT_TRUE(std::isnan(model.EarthUtc(nan, DirectionOf(6, 23))));
  }
  // A span no run has (more than ten years) or an inverted one builds no
  // table and still answers.
  const LightTimeModel huge(EpochScale::Hjd, 0, 1e9), inverted(EpochScale::Hjd, 10, 0);
  EXPECT_NEAR(huge.EarthUtc(59000, DirectionOf(0, 0)), inverted.EarthUtc(59000, DirectionOf(0, 0)), 1e-9);
}

}  // namespace
}  // namespace tevaro::astro
