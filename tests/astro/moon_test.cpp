#include "astro/moon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tevaro::astro {
namespace {

// A model over a run's span interpolates hourly samples; a model without a
// table (a stretch beyond 4000 days, here with the same middle and so the
// same axes) computes every instant directly. At
// instants all over the table, edges and hours on the dot included, the two
// agree far inside the 0.2-degree and 0.01 accuracy the Moon needs.
TEST(MoonModelTest, TheTableAgreesWithTheDirectComputation) {
  const struct {
    double fromRjd, days, longitudeDeg, latitudeDeg;
  } spans[] = {
      {33282.5, 1, 123.0, 49.2},   {60336.3, 365, -13.4, 52.5}, {88000.0, 30, 70.4, -33.2},
      {51544.5, 5, -150.0, -89.9}, {45000.25, 60, 0, 0},        {41317.0, 2, 179.9, 89.9},
  };
  for (const auto& s : spans) {
    const MoonModel table(s.fromRjd, s.fromRjd + s.days, s.longitudeDeg, s.latitudeDeg);
    const double middle = s.fromRjd + s.days / 2;
    const MoonModel direct(middle - 2500, middle + 2500, s.longitudeDeg, s.latitudeDeg);
    for (int k = 0; k <= 400; ++k) {
      // Steps of an odd fraction of an hour, ending on the span's last instant.
      const double t = s.fromRjd + s.days * k / 400;
      const MoonPlace a = table.At(t), b = direct.At(t);
      SCOPED_TRACE(testing::Message() << "t " << t << " site " << s.longitudeDeg << " " << s.latitudeDeg);
      ASSERT_NEAR(a.altitudeDeg, b.altitudeDeg, 0.002);
      ASSERT_NEAR(a.illuminated, b.illuminated, 0.001);
      ASSERT_LT(SeparationDeg(a.direction, b.direction), 0.002);
    }
  }
}

// Instants no run asks for still give an answer in range, and a NaN instant
// gives NaN rather than a made-up Moon.
TEST(MoonModelTest, InstantsFarOutsideTheEphemerisGiveValuesInRange) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double fromRjd, toRjd, at;
  } cases[] = {{-800000, -799999, -799999.5}, {400000, 400001, 400000.5}, {60000, 59990, 60000},
               {nan, nan, 60000}, {60000, 60001, 1e9}, {60000, 60001, -1e9}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fromRjd << " " << c.at);
    const MoonPlace m = MoonModel(c.fromRjd, c.toRjd, 10, 45).At(c.at);
    EXPECT_GE(m.altitudeDeg, -90);
    EXPECT_LE(m.altitudeDeg, 90);
    EXPECT_GE(m.illuminated, 0);
    EXPECT_LE(m.illuminated, 1);
    EXPECT_NEAR(std::hypot(m.direction.x, m.direction.y, m.direction.z), 1, 1e-12);
  }
  const MoonPlace m = MoonModel(60000, 60001, 10, 45).At(nan);
  EXPECT_TRUE(std::isnan(m.altitudeDeg));
  EXPECT_TRUE(std::isnan(m.illuminated));
}

}  // namespace
}  // namespace tevaro::astro
