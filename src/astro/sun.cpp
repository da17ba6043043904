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

namespace {

// The right ascension (degrees) of ecliptic longitude `lambdaDeg` from the
// arctangent `a` (degrees, -90..90), put into the longitude's quadrant.
double RaInQuadrant(double lambdaDeg, double a) noexcept {
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
  return ra;
}

}  // namespace

EquatorialDeg EclipticToEquatorial(double lambdaDeg, double betaDeg) noexcept {
  const double l = lambdaDeg / DegreesPerRadian;
  const double b = betaDeg / DegreesPerRadian;
  const double eps = kObliquity / DegreesPerRadian;
  const double dec = ArcSinDeg(std::sin(eps) * std::cos(b) * std::sin(l) + std::sin(b) * std::cos(eps));
  const double a = std::atan(std::tan(l) * std::cos(eps) - std::tan(b) * std::sin(eps) / std::cos(l)) *
                   DegreesPerRadian;
  return {RaInQuadrant(lambdaDeg, a), dec};
}

EquatorialDeg SunEquatorial(double lambdaDeg) noexcept {
  // With b = 0: cos b = 1 and sin b = tan b = 0, and x * 1 and x - 0 are x.
  const double l = lambdaDeg / DegreesPerRadian;
  const double eps = kObliquity / DegreesPerRadian;
  const double dec = ArcSinDeg(std::sin(eps) * std::sin(l));
  const double a = std::atan(std::tan(l) * std::cos(eps)) * DegreesPerRadian;
  return {RaInQuadrant(lambdaDeg, a), dec};
}

}  // namespace tevaro::astro
