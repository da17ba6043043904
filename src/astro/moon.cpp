#include "astro/moon.h"

#include <cmath>
#include <limits>

#include <erfa.h>
#include <erfam.h>

#include "astro/coords.h"

namespace tevaro::astro {

namespace {

constexpr double kRjdBase = 2400000.0;  // JD of RJD 0
constexpr double kStepDays = 1.0 / 24;  // table spacing
constexpr std::size_t kSunEvery = 6;    // samples between computed fractions lit
constexpr double kMaxTableDays = 4000;
constexpr double kJ2000Rjd = 51545.0;

// TT of a UTC instant, RJD. Before 1960 TAI - UTC reads 0, leaving TT half a
// minute early: the Moon moves 15" in that time.
double TtOf(double utcRjd) { return utcRjd + (TaiMinusUtc(utcRjd) + ERFA_TTMTAI) / ERFA_DAYSEC; }

}  // namespace

MoonModel::MoonModel(double fromRjd, double toRjd, double longitudeDeg, double latitudeDeg)
    : longitudeDeg_(longitudeDeg) {
  const double phi = latitudeDeg * ERFA_DD2R;
  sinLat_ = std::sin(phi);
  cosLat_ = std::cos(phi);
  double xyz[3] = {0, 0, 0};
  // WGS84 at sea level; a latitude beyond the poles leaves the geocentre.
  if (eraGd2gc(1, -longitudeDeg * ERFA_DD2R, phi, 0, xyz) != 0) xyz[0] = xyz[1] = xyz[2] = 0;
  rhoCos_ = std::hypot(xyz[0], xyz[1]) / ERFA_DAU;
  rhoSin_ = xyz[2] / ERFA_DAU;
  const bool table = std::isfinite(fromRjd) && std::isfinite(toRjd) && fromRjd <= toRjd &&
                     toRjd - fromRjd <= kMaxTableDays;
  // One rotation for the whole stretch: precession moves the axes 50" a
  // year, 0.007 degree at the ends of a year's run.
  const double middle = std::isfinite(fromRjd + toRjd) ? (fromRjd + toRjd) / 2 : kJ2000Rjd;
  eraPnm06a(kRjdBase, TtOf(middle), rnpb_);
  if (!table) return;
  start_ = std::floor(fromRjd / kStepDays) * kStepDays - kStepDays;
  const auto n = static_cast<std::size_t>(std::ceil((toRjd - start_) / kStepDays)) + 2;
  samples_.resize(n);
  // TT - UTC once for the stretch: a leap second within it moves the Moon
  // by half an arcsecond.
  const double ttMinusUtc = TtOf(middle) - middle;
  for (std::size_t k = 0; k < n; ++k) {
    const double tt = start_ + static_cast<double>(k) * kStepDays + ttMinusUtc;
    MoonGeocentric(tt, samples_[k].pos);
    // The fraction lit changes slowly (under 0.01 an hour, smoothly): the
    // Sun every six hours and straight lines between, within 0.0002.
    if (k % kSunEvery == 0 || k + 1 == n) samples_[k].illuminated = Illuminated(tt, samples_[k].pos);
  }
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (k % kSunEvery == 0) continue;
    const std::size_t a = k - k % kSunEvery, b = std::min(a + kSunEvery, n - 1);
    const double u = static_cast<double>(k - a) / static_cast<double>(b - a);
    samples_[k].illuminated = samples_[a].illuminated + (samples_[b].illuminated - samples_[a].illuminated) * u;
  }
}

void MoonModel::MoonGeocentric(double ttRjd, double pos[3]) const noexcept {
  double moon[2][3];
  eraMoon98(kRjdBase, ttRjd, moon);
  eraRxp(const_cast<double(*)[3]>(rnpb_), moon[0], pos);
}

double MoonModel::Illuminated(double ttRjd, const double posOfDate[3]) const noexcept {
  // The phase angle at the Moon, between the Sun (at -Earth heliocentric)
  // and the Earth, on the axes of date (a rotation keeps angles).
  double pvh[2][3], pvb[2][3], sun[3];
  eraEpv00(kRjdBase, ttRjd, pvh, pvb);  // status 1 outside 1900-2100: still usable
  const double minusEarth[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]};
  eraRxp(const_cast<double(*)[3]>(rnpb_), const_cast<double*>(minusEarth), sun);
  double toSun[3], toEarth[3];
  for (int i = 0; i < 3; ++i) {
    toSun[i] = sun[i] - posOfDate[i];
    toEarth[i] = -posOfDate[i];
  }
  return (1 + std::cos(eraSepp(toSun, toEarth))) / 2;
}

MoonModel::Sample MoonModel::Direct(double utcRjd) const noexcept {
  Sample s{};
  const double tt = TtOf(utcRjd);
  MoonGeocentric(tt, s.pos);
  s.illuminated = Illuminated(tt, s.pos);
  return s;
}

MoonPlace MoonModel::At(double utcRjd) const noexcept {
  Sample s;
  const double x = (utcRjd - start_) / kStepDays;
  if (x >= 0 && x < static_cast<double>(samples_.size()) - 1) {
    const auto k = static_cast<std::size_t>(x);
    const double u = x - static_cast<double>(k);
    const Sample& a = samples_[k];
    const Sample& b = samples_[k + 1];
    for (int i = 0; i < 3; ++i) s.pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * u;
    s.illuminated = a.illuminated + (b.illuminated - a.illuminated) * u;
  } else {
    s = Direct(utcRjd);
  }
  // The site on the equator of date at its sidereal time (mean: the
  // equation of the equinoxes, a second at most, is left out).
  const double theta = LocalSiderealTime(utcRjd, longitudeDeg_) * (ERFA_D2PI / 24);
  const double v[3] = {s.pos[0] - rhoCos_ * std::cos(theta), s.pos[1] - rhoCos_ * std::sin(theta),
                       s.pos[2] - rhoSin_};
  const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  MoonPlace m;
  m.direction = {v[0] / r, v[1] / r, v[2] / r};
  m.illuminated = s.illuminated;
  // sin(alt) = sin(lat) sin(dec) + cos(lat) cos(dec) cos(H), with H = theta - ra.
  const double cosDecCosH = m.direction.x * std::cos(theta) + m.direction.y * std::sin(theta);
  const double sinAlt = sinLat_ * m.direction.z + cosLat_ * cosDecCosH;
  m.altitudeDeg = std::asin(std::fmax(-1.0, std::fmin(1.0, sinAlt))) * ERFA_DR2D;
  if (std::isnan(utcRjd)) m.altitudeDeg = m.illuminated = std::numeric_limits<double>::quiet_NaN();
  return m;
}

Vector3 MoonModel::OfDate(const Vector3& j2000) const noexcept {
  double p[3] = {j2000.x, j2000.y, j2000.z}, q[3];
  eraRxp(const_cast<double(*)[3]>(rnpb_), p, q);
  return {q[0], q[1], q[2]};
}

double SeparationDeg(const Vector3& a, const Vector3& b) noexcept {
  // acos of the dot product: a quarter of the cost of ERFA's eraSepp, and
  // within a few millionths of a degree of it (coarsest near 0 and 180).
  const double c = a.x * b.x + a.y * b.y + a.z * b.z;
  return std::acos(std::fmax(-1.0, std::fmin(1.0, c))) * ERFA_DR2D;
}

}  // namespace tevaro::astro
