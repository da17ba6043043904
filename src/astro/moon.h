// The Moon as an observer sees it: topocentric altitude, illuminated fraction
// and angular distance from a star. The geocentric Moon comes from ERFA's
// eraMoon98 (a few arcseconds over 1900-2100, slowly worse outside), the Sun
// for the phase from eraEpv00; the site's parallax (up to about a degree) is
// added with the run's sidereal time. No refraction: the altitude is
// geometric, of the Moon's centre.
#pragma once

#include <vector>

#include "astro/light_time.h"

namespace tevaro::astro {

struct MoonPlace {
  double altitudeDeg = 0;   // topocentric, of the centre, -90..90
  double illuminated = 0;   // fraction of the disc lit, 0..1
  Vector3 direction;        // topocentric unit vector, true equator and equinox of date
};

// The Moon for one site over a stretch of time: the geocentric Moon (equator
// of date) tabulated every hour, its illuminated fraction every six hours,
// both interpolated linearly (error under 0.001 degree and 0.0005 in the
// fraction), the
// parallax added exactly at each instant. Instants outside the table are
// computed directly. The equator and equinox are those of the stretch's
// middle throughout.
class MoonModel {
 public:
  // Instants from `fromRjd` to `toRjd` (RJD, UTC) at a site of longitude
  // `longitudeDeg` (positive west) and geodetic latitude `latitudeDeg`. A
  // stretch longer than 4000 days, or not finite, gets no table.
  MoonModel(double fromRjd, double toRjd, double longitudeDeg, double latitudeDeg);

  // The Moon at UTC instant `utcRjd`. Never fails; a NaN instant gives NaNs.
  MoonPlace At(double utcRjd) const noexcept;

  // A J2000 (ICRS) direction on the axes of the model's MoonPlace::direction:
  // precession and nutation of the stretch's middle, which the Moon's
  // places use too (50" a year away from it).
  Vector3 OfDate(const Vector3& j2000) const noexcept;

 private:
  struct Sample {
    double pos[3];      // geocentric Moon, au, equator of date
    double illuminated;
  };
  Sample Direct(double utcRjd) const noexcept;
  // The geocentric Moon at TT instant `ttRjd`, au, on the model's axes.
  void MoonGeocentric(double ttRjd, double pos[3]) const noexcept;
  // The fraction lit at `ttRjd` of the Moon at `posOfDate` (au, model's axes).
  double Illuminated(double ttRjd, const double posOfDate[3]) const noexcept;

  double longitudeDeg_;
  double sinLat_, cosLat_;
  double rhoCos_, rhoSin_;  // the site's distance from the axis and the equator plane, au
  double rnpb_[3][3];       // J2000 to equator of date
  double start_ = 0;
  std::vector<Sample> samples_;
};

// Angle between two unit vectors, degrees 0..180 (to a few millionths).
double SeparationDeg(const Vector3& a, const Vector3& b) noexcept;

}  // namespace tevaro::astro
