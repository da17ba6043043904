// Low-precision position of the Sun, good to a fraction of a degree.
#pragma once

namespace tevaro::astro {

// Ecliptic longitude of the Sun in degrees, (0, 360], at `rjd` (UT).
double SunLongitude(double rjd) noexcept;

struct EquatorialDeg {
  double raDeg;  // 0..360
  double decDeg;
};

// Right ascension and declination (degrees) of ecliptic longitude `lambdaDeg`
// and latitude `betaDeg`, for a fixed obliquity of 23.43 degrees.
EquatorialDeg EclipticToEquatorial(double lambdaDeg, double betaDeg) noexcept;

// EclipticToEquatorial(lambdaDeg, 0), the same bits, without the terms of
// the latitude: the Sun's place, for code that computes it per event.
EquatorialDeg SunEquatorial(double lambdaDeg) noexcept;

}  // namespace tevaro::astro
