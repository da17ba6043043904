// Sidereal time, precession and horizon coordinates.
#pragma once

#include <cmath>

namespace tevaro::astro {

// Local mean sidereal time in hours [0, 24] at `rjd` (UT) and a longitude in
// decimal degrees, positive west.
double LocalSiderealTime(double rjd, double longitudeDeg) noexcept;

struct Equatorial {
  double raHours;
  double decDeg;
};

// Approximate precession from `epoch` to `target` (years with fraction) with the
// annual rates at the source epoch applied linearly. The right ascension is not
// reduced to [0, 24).
Equatorial PrecessCoordinates(double epoch, double raHours, double decDeg, double target) noexcept;

struct Horizon {
  double azimuthDeg;         // 0..360 from north through east
  double zenithDistanceDeg;  // 0..180
};

// Azimuth and zenith distance of a body at right ascension `raDeg` (degrees,
// not hours) and declination `decDeg`, for a latitude and a sidereal time in
// hours. Near the zenith or at a pole the azimuth is undefined; some value in
// 0..360 is returned.
Horizon HorizonCoordinates(double latitudeDeg, double lstHours, double raDeg, double decDeg) noexcept;

// The pieces of HorizonCoordinates, for callers that keep the sines and
// cosines of a latitude and a declination: the same expressions, so the same
// results to the last bit.
inline double CosZenithDistance(double sinLat, double cosLat, double sinDec, double cosDec,
                                double hourAngleRad) noexcept {
  return sinLat * sinDec + cosDec * cosLat * std::cos(hourAngleRad);
}
double AzimuthOf(double zenithDistanceDeg, double sinLat, double cosLat, double sinDec,
                 double hourAngleRad) noexcept;

}  // namespace tevaro::astro

