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
constexpr double kMaxTableDays = 4000;
constexpr double kJ2000Rjd = 51545.0;

// TT of a UTC instant, RJD. Before 1960 TAI - UTC reads 0, leaving TT half a
// minute early: the Moon moves 15" in that time.
double TtOf(double utcRjd) { return utcRjd + (TaiMinusUtc(utcRjd) + ERFA_TTMTAI) / ERFA_DAYSEC; }

}  // namespace

MoonModel::MoonModel(double fromRjd, double toRjd, double longitudeDeg, double latitudeDeg)
    : longitudeDeg_(longitudeDeg), latitudeDeg_(latitudeDeg) {
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
  for (std::size_t k = 0; k < n; ++k) samples_[k] = Direct(start_ + static_cast<double>(k) * kStepDays);
}

MoonModel::Sample MoonModel::Direct(double utcRjd) const noexcept {
  Sample s{};
  const double tt = TtOf(utcRjd);
  double moon[2][3], pvh[2][3], pvb[2][3];
  eraMoon98(kRjdBase, tt, moon);
  eraEpv00(kRjdBase, tt, pvh, pvb);  // status 1 outside 1900-2100: still usable
  eraRxp(const_cast<double(*)[3]>(rnpb_), moon[0], s.pos);
  // The phase angle at the Moon, between the Sun (at -Earth heliocentric)
  // and the Earth; both vectors on the same (ICRS) axes.
  double toSun[3], toEarth[3];
  for (int i = 0; i < 3; ++i) {
    toSun[i] = -pvh[0][i] - moon[0][i];
    toEarth[i] = -moon[0][i];
  }
  s.illuminated = (1 + std::cos(eraSepp(toSun, toEarth))) / 2;
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
  double p[3] = {a.x, a.y, a.z}, q[3] = {b.x, b.y, b.z};
  return eraSepp(p, q) * ERFA_DR2D;
}

}  // namespace tevaro::astro
