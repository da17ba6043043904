#include "astro/angles.h"
#include "astro/coords.h"
#include "astro/sun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace tevaro::astro {
namespace {

TEST(DmsToDegrees, UnpacksDegreesMinutesSeconds) {
  struct Case {
    double packed, degrees, tolerance;
  };
  const Case cases[] = {
      {0, 0, 1e-12},
      {-5.3, -5.5, 1e-9},          // the sign belongs to the whole value
      {12.30, 12.5, 1e-9},         // stored a hair below 12.30, still 30 minutes
      {111.2036, 111.343333, 5e-7},
      {32.4151, 32.6975, 1e-9},
      {10.30155, 10.5043056, 5e-8},  // fractions of a second survive
      {12.75, 13.25, 1e-9},        // 75 minutes are not rejected
      {-32.4151, -32.6975, 1e-9},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(DmsToDegrees(c.packed), c.degrees, c.tolerance) << c.packed;
  }
}

TEST(DmsToDegrees, WholeMinutesDoNotLoseAMinuteToRepresentationError) {
  // 12.30 is stored as 12.2999999...; without the small addends the minutes
  // would come out as 29 and the seconds as 99.99...
  for (int minutes = 0; minutes < 60; ++minutes) {
    const double packed = 12 + minutes / 100.0;
    EXPECT_NEAR(DmsToDegrees(packed), 12 + minutes / 60.0, 1e-9) << packed;
  }
}

TEST(ArcCosDeg, GuardsAndValues) {
  EXPECT_EQ(ArcCosDeg(0.00000005), 90);
  EXPECT_EQ(ArcCosDeg(-0.00000005), 90);
  EXPECT_EQ(ArcCosDeg(0.99999995), 0);
  EXPECT_EQ(ArcCosDeg(1), 0);
  EXPECT_EQ(ArcCosDeg(-1), 180);
  EXPECT_NEAR(ArcCosDeg(0.5), 60, 1e-8);
  // The shortened degrees-per-radian constant shows in the tenth decimal.
  EXPECT_NEAR(ArcCosDeg(0.5), 59.9999999968, 5e-11);
  EXPECT_NEAR(ArcCosDeg(-0.5), 120, 1e-8);
  EXPECT_NEAR(ArcCosDeg(0.1), 84.2608295, 5e-7);
  EXPECT_NEAR(ArcCosDeg(-0.9), 154.1580672, 5e-7);
}

TEST(ArcCosDeg, RoundingNoiseBeyondTheEndsIsClamped) {
  EXPECT_EQ(ArcCosDeg(1 + 1e-15), 0);
  EXPECT_EQ(ArcCosDeg(1.5), 0);
  EXPECT_EQ(ArcCosDeg(-1 - 1e-15), 180);
  EXPECT_EQ(ArcCosDeg(-1.5), 180);
  EXPECT_TRUE(std::isfinite(ArcCosDeg(std::nan(""))));
}

TEST(ArcSinDeg, GuardsAndValues) {
  EXPECT_EQ(ArcSinDeg(0.9999999995), 90);
  EXPECT_EQ(ArcSinDeg(-0.9999999995), -90);
  EXPECT_EQ(ArcSinDeg(1.5), 90);
  EXPECT_EQ(ArcSinDeg(-1.5), -90);
  EXPECT_EQ(ArcSinDeg(0), 0);
  EXPECT_NEAR(ArcSinDeg(0.5), 29.9999999984, 5e-11);
  EXPECT_NEAR(ArcSinDeg(-0.5), -29.9999999984, 5e-11);
}

TEST(FormatFixed, WorkedTexts) {
  struct Case {
    double value;
    int width, decimals;
    const char* text;
  };
  const Case cases[] = {
      {45.678, 5, 0, "  46."},     {359.6, 4, 0, "360."},
      {-12.3456, 6, 2, "-12.35"},  {0.5, 6, 2, "  0.50"},
      {-0.25, 6, 2, " -0.25"},     {0.3, 5, 0, "   0."},
      {-0.4, 5, 0, "  -0."},       {-0.001, 6, 2, " -0.00"},
      {0.996, 6, 2, "  1.00"},     {-0.996, 6, 2, " -1.00"},
      {12.34, 5, 1, " 12.3"},      {99.95, 5, 1, "100.0"},
      {-99.95, 5, 1, "-99.9"},     {1234.56, 5, 1, "1234."},
      {12345678.9, 7, 1, "0.1D+08"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatFixed(c.value, c.width, c.decimals), c.text)
        << c.value << " " << c.width << " " << c.decimals;
  }
}

TEST(FormatFixed, HalvesGoTowardPlusInfinity) {
  EXPECT_EQ(FormatFixed(1.25, 4, 1), " 1.3");
  EXPECT_EQ(FormatFixed(-1.25, 4, 1), "-1.2");
  EXPECT_EQ(FormatFixed(2.5, 3, 0), " 3.");
  EXPECT_EQ(FormatFixed(-2.5, 4, 0), " -2.");
}

TEST(FormatFixed, FittingToTheWidth) {
  // Rounding that overflows into the point: the fraction is cut, the point kept.
  EXPECT_EQ(FormatFixed(999.96, 5, 1), "1000.");
  // The cut fraction is not rounded again.
  EXPECT_EQ(FormatFixed(12.3456, 5, 3), "12.34");
  // The text is plain positional notation even for large values that fit.
  EXPECT_EQ(FormatFixed(123456789.0, 10, 0), "123456789.");
  // An overflow of the integer part switches to the exponent form.
  EXPECT_EQ(FormatFixed(123456789.0, 8, 2), "0.12D+09");
  EXPECT_EQ(FormatFixed(-1234567.8, 8, 1), "-0.1D+07");
  EXPECT_EQ(FormatFixed(-12345678.9, 9, 1), "-0.12D+08");
  // Values too large to scale by the decimals still get the exponent form.
  EXPECT_EQ(FormatFixed(1e307, 10, 2), FormatExponent(1e307, 10, 4));
  EXPECT_NE(FormatFixed(-1e307, 10, 2).find("D+30"), std::string::npos);
  // A value that rounds to zero keeps its sign; zero decimals keep the point.
  EXPECT_EQ(FormatFixed(-0.004, 5, 2), "-0.00");
  EXPECT_EQ(FormatFixed(0, 4, 0), "  0.");
}

TEST(FormatFixed, NarrowExponentFallbackTerminates) {
  // Magnitudes of five or more integer digits in the report's narrow columns
  // reach the exponent form with no room for a mantissa digit; the text is
  // free, but the call must come back with something.
  const double values[] = {12345.0, -12345.0, 99999.5, -99999.5, 1e20, -1e20, -1234.0};
  for (double v : values) {
    for (int width = 0; width <= 6; ++width) {
      for (int decimals = 0; decimals <= 2; ++decimals) {
        const std::string t = FormatFixed(v, width, decimals);
        EXPECT_FALSE(t.empty()) << v << " " << width << " " << decimals;
      }
    }
  }
}

TEST(FormatExponent, WorkedTexts) {
  EXPECT_EQ(FormatExponent(12345.678, 10, 3), " 0.123D+05");
  EXPECT_EQ(FormatExponent(6.02e23, 10, 2), "  0.60D+24");
  EXPECT_EQ(FormatExponent(0, 10, 3), "  .000D+00");
  EXPECT_EQ(FormatExponent(1e-17, 10, 3), "  .000D+00");
  EXPECT_EQ(FormatExponent(0.00012345, 10, 3), " 0.123D-03");
  // A negative mantissa loses its last decimal to the width of its field.
  EXPECT_EQ(FormatExponent(-0.00012345, 10, 3), " -0.12D-03");
}

TEST(FormatExponent, ExponentDigits) {
  EXPECT_EQ(FormatExponent(0.5, 10, 3), " 0.500D+00");
  EXPECT_EQ(FormatExponent(1.5e122, 10, 3), "0.150D+123");  // three digits written whole
  EXPECT_EQ(FormatExponent(1.5e122, 9, 3), "0.150D+123");  // longer than the width: whole
  EXPECT_EQ(FormatExponent(-1.5e-15, 10, 3), " -0.15D-14");
  // Decimals are limited to width - 6.
  EXPECT_EQ(FormatExponent(12345.678, 8, 5), "0.12D+05");
}

TEST(FormatInteger, FillsToTheWidth) {
  EXPECT_EQ(FormatInteger(5, 2, "0"), "05");
  EXPECT_EQ(FormatInteger(123, 2, "0"), "123");
  EXPECT_EQ(FormatInteger(0, 2, "0"), "00");
  EXPECT_EQ(FormatInteger(7, 3, " "), "  7");
  EXPECT_EQ(FormatInteger(-12, 2, "0"), "-12");  // no leading space for the sign
  EXPECT_EQ(FormatInteger(4, 0, "0"), "4");
}

TEST(NumberText, GeneralForm) {
  EXPECT_EQ(NumberText(8), " 8");
  EXPECT_EQ(NumberText(105.3012), " 105.3012");
  EXPECT_EQ(NumberText(-10), "-10");
  EXPECT_EQ(NumberText(55686.65), " 55686.65");
  EXPECT_EQ(NumberText(0.5), " .5");
  EXPECT_EQ(NumberText(-0.5), "-.5");
  EXPECT_EQ(NumberText(0), " 0");
  EXPECT_EQ(NumberText(-0.0), " 0");
  EXPECT_EQ(NumberText(2024), " 2024");
  // At most 15 significant digits.
  EXPECT_EQ(NumberText(1.0 / 3), " .333333333333333");
  EXPECT_EQ(NumberText(60389.62916666667), " 60389.6291666667");
  EXPECT_EQ(NumberText(0.1 + 0.2), " .3");
}

TEST(NearestEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(NearestEven(2.5), 2);
  EXPECT_EQ(NearestEven(3.5), 4);
  EXPECT_EQ(NearestEven(-2.5), -2);
  EXPECT_EQ(NearestEven(-3.5), -4);
  EXPECT_EQ(NearestEven(2.4999), 2);
  EXPECT_EQ(NearestEven(2.5001), 3);
  EXPECT_EQ(NearestEven(-0.4), 0);
}

// The reduction one period at a time, the form every result must equal.
double StepwiseReduction(double x, double period) {
  while (x > period) x -= period;
  while (x < 0) x += period;
  return x;
}

// The reduction as it was done before, many periods per step, which hangs
// on values too large for a step to move.
double BulkStepReduction(double x, double period) {
  if (x > period) x -= period * (std::ceil(x / period) - 1);
  while (x > period) x -= period;
  if (x < 0) x += period * (std::ceil(-x / period) - 1);
  while (x < 0) x += period;
  return x;
}

TEST(ReduceToPeriod, EqualsTheStepwiseAndTheEarlierReduction) {
  std::mt19937_64 gen(20261208);
  for (const double period : {24.0, 360.0}) {
    // Edges: exact multiples, both ends of the range, values a hair away.
    for (double x : {0.0, -0.0, period, 2 * period, -period, -2 * period, 1e-300, -1e-300, -1e-17,
                     std::nextafter(period, 100.0), std::nextafter(period, 0.0), std::nextafter(0.0, -1.0)}) {
      EXPECT_EQ(ReduceToPeriod(x, period), StepwiseReduction(x, period)) << x;
      EXPECT_FALSE(std::signbit(ReduceToPeriod(x, period)) && x != 0) << x;
    }
    std::uniform_real_distribution<double> small(-2e4, 2e4);
    for (int k = 0; k < 20000; ++k) {
      const double x = k % 4 == 0 ? std::round(small(gen)) * period : small(gen);
      ASSERT_EQ(ReduceToPeriod(x, period), StepwiseReduction(x, period)) << x;
    }
    // Beyond the stepwise loop's reach, but within exact steps: the earlier form.
    std::uniform_real_distribution<double> exponent(4, 51.9);
    for (int k = 0; k < 200000; ++k) {
      const double x = (k % 2 ? -1 : 1) * std::exp2(exponent(gen));
      ASSERT_EQ(ReduceToPeriod(x, period), BulkStepReduction(x, period)) << x;
    }
  }
}

TEST(ReduceToPeriod, EndsInRangeForValuesNoStepCanMove) {
  for (const double x : {3.15e131, -3.15e131, 1e307, -1e307, 1e17, 9.007199254740993e15}) {
    const double h = ReduceToPeriod(x, 24);
    EXPECT_TRUE(h >= 0 && h <= 24) << x << " gives " << h;
    const double d = ReduceToPeriod(x, 360);
    EXPECT_TRUE(d >= 0 && d <= 360) << x << " gives " << d;
  }
  // The callers that hung on such values: a longitude of 3.15e131, an epoch far away.
  const double lst = LocalSiderealTime(60389.5, 3.15e131);
  EXPECT_TRUE(lst >= 0 && lst <= 24) << lst;
  const double lambda = SunLongitude(1e300);
  EXPECT_TRUE(lambda >= 0 && lambda <= 720) << lambda;
}

}  // namespace
}  // namespace tevaro::astro
