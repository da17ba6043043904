// Sidereal time, precession and horizon coordinates.
#pragma once

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

}  // namespace tevaro::astro
