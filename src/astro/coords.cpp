#include "astro/coords.h"

#include <cmath>

#include "astro/angles.h"

namespace tevaro::astro {

double LocalSiderealTime(double rjd, double longitudeDeg) noexcept {
  const double d0 = std::floor(rjd + 0.5) - 0.5;  // preceding 0h UT
  const double t = (d0 - 51545) / 36525;          // Julian centuries from J2000.0
  const double g0 = t * (t * 0.000025862) + (t * 2400.051337 + 6.697374558);
  const double ut = (rjd - d0) * 24;
  double l = ut * 1.00273790934 + g0 - longitudeDeg / 15;
  if (!std::isfinite(l)) return 0;
  // Into (0, 24] from above and [0, 24) from below, a value of exactly 24
  // staying 24.
  return ReduceToPeriod(l, 24);
}

Equatorial PrecessCoordinates(double epoch, double raHours, double decDeg, double target) noexcept {
  const double e = epoch - 1900;
  const double m = e * 0.00186 / 100 + 3.07234;  // s of time per year
  const double n = 1.33646 - e * 0.00057 / 100;  // s of time per year
  const double nArc = 20.0468 - e * 0.0084 / 100;  // arcsec per year
  const double dt = target - epoch;
  const double raRad = 15 * raHours / DegreesPerRadian;
  const double dRa = (std::sin(raRad) * n * std::tan(decDeg / DegreesPerRadian) + m) * dt / 3600;
  const double dDec = std::cos(raRad) * nArc * dt / 3600;
  return {raHours + dRa, decDeg + dDec};
}

double AzimuthOf(double zenithDistanceDeg, double sinLat, double cosLat, double sinDec,
                 double hourAngleRad) noexcept {
  const double zr = zenithDistanceDeg / DegreesPerRadian;
  const double a = (sinDec - std::cos(zr) * sinLat) / (std::sin(zr) * cosLat);
  // At the zenith or a pole `a` is 0/0 or infinite; ArcCosDeg maps those into 0..180.
  double az = ArcCosDeg(a);
  if (std::sin(hourAngleRad) > 0) az = 360 - az;
  return az;
}

Horizon HorizonCoordinates(double latitudeDeg, double lstHours, double raDeg, double decDeg) noexcept {
  const double h = (lstHours * 15 - raDeg) / DegreesPerRadian;
  const double lat = latitudeDeg / DegreesPerRadian;
  const double dec = decDeg / DegreesPerRadian;
  const double sinLat = std::sin(lat), cosLat = std::cos(lat), sinDec = std::sin(dec);
  const double z = ArcCosDeg(CosZenithDistance(sinLat, cosLat, sinDec, std::cos(dec), h));
  return {AzimuthOf(z, sinLat, cosLat, sinDec, h), z};
}

}  // namespace tevaro::astro
