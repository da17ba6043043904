#include "astro/sun.h"

#include <cmath>

#include "astro/angles.h"

namespace tevaro::astro {

namespace {
inline constexpr double kSunEpochRjd = 42412.5;        // 1975 January 0.0 UT
inline constexpr double kLongitudeAtEpoch = 279.04147;  // degrees
inline constexpr double kPerigeeLongitude = 282.510396; // degrees
inline constexpr double kEccentricity = 0.01672;
inline constexpr double kPi = 3.14159265358979;
inline constexpr double kObliquity = 23.43;  // degrees
}  // namespace

double SunLongitude(double rjd) noexcept {
  const double d = rjd - kSunEpochRjd;
  double n = (360 / 365.25) * d;
  if (!std::isfinite(n)) return 0;
  n = ReduceToPeriod(n, 360);
  double m = n + kLongitudeAtEpoch - kPerigeeLongitude;
  if (m < 0) m += 360;
  const double e = (360 / kPi) * kEccentricity * std::sin(m / DegreesPerRadian);
  double lambda = n + e + kLongitudeAtEpoch;
  if (lambda > 360) lambda -= 360;
  return lambda;
}

EquatorialDeg EclipticToEquatorial(double lambdaDeg, double betaDeg) noexcept {
  const double l = lambdaDeg / DegreesPerRadian;
  const double b = betaDeg / DegreesPerRadian;
  const double eps = kObliquity / DegreesPerRadian;
  const double dec = ArcSinDeg(std::sin(eps) * std::cos(b) * std::sin(l) + std::sin(b) * std::cos(eps));
  const double a = std::atan(std::tan(l) * std::cos(eps) - std::tan(b) * std::sin(eps) / std::cos(l)) *
                   DegreesPerRadian;
  double ra = a;
  if (lambdaDeg > 0 && lambdaDeg < 90) {
    if (lambdaDeg < 10 && a < 0) ra = a + 360;
    else if (lambdaDeg > 80 && a < 0) ra = a + 180;
  } else if (lambdaDeg >= 90 && lambdaDeg < 180) {
    if (a < 0) ra = a + 180;
    else if (lambdaDeg > 170 && a > 0) ra = a + 180;
  } else if (lambdaDeg >= 180 && lambdaDeg < 270) {
    if (lambdaDeg < 190 && a < 0) ra = a + 180;
    else if (a > 0) ra = a + 180;
    else if (lambdaDeg > 260 && a < 0) ra = a + 360;
  } else if (lambdaDeg >= 270 && lambdaDeg < 360) {
    if (lambdaDeg < 280 && a > 0) ra = a + 180;
    else if (a < 0) ra = a + 360;
  }
  return {ra, dec};
}

}  // namespace tevaro::astro
