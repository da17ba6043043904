#include "astro/light_time.h"

#include <cmath>

#include <erfa.h>
#include <erfam.h>

namespace tevaro::astro {

namespace {

constexpr double kRjdBase = 2400000.0;           // JD of RJD 0
constexpr double kAuLightDays = ERFA_AULT / ERFA_DAYSEC;  // light time of 1 au, days
constexpr double kTtMinusTaiDays = ERFA_TTMTAI / ERFA_DAYSEC;
constexpr double kStepDays = 0.25;  // table spacing
// The instants (RJD) ERFA's calendar routine takes (JD -68569.5 on); beyond
// them there is no leap-second answer to give.
constexpr double kCalendarLow = -2468569.0, kCalendarHigh = 1e8;

double Dot(const double a[3], const Vector3& n) { return a[0] * n.x + a[1] * n.y + a[2] * n.z; }

// eraEpv00 at RJD t read as TDB: heliocentric (helio true) or barycentric
// position and velocity.
void EarthDirect(double t, bool helio, double pos[3], double vel[3]) {
  double pvh[2][3], pvb[2][3];
  eraEpv00(kRjdBase, t, pvh, pvb);  // status 1 outside 1900-2100: the position is still usable
  const double (*pv)[3] = helio ? pvh : pvb;
  for (int k = 0; k < 3; ++k) {
    pos[k] = pv[0][k];
    vel[k] = pv[1][k];
  }
}

}  // namespace

const char* EpochScaleName(EpochScale scale) noexcept {
  switch (scale) {
    case EpochScale::Hjd: return "hjd";
    case EpochScale::Bjd: return "bjd";
    case EpochScale::HjdAsUt: break;
  }
  return "hjd-as-ut";
}

std::optional<EpochScale> EpochScaleFromName(std::string_view name) noexcept {
  for (EpochScale s : {EpochScale::HjdAsUt, EpochScale::Hjd, EpochScale::Bjd})
    if (name == EpochScaleName(s)) return s;
  return std::nullopt;
}

Vector3 DirectionOf(double raHours, double decDeg) noexcept {
  double p[3];
  eraS2c(raHours * (ERFA_D2PI / 24), decDeg * ERFA_DD2R, p);
  return {p[0], p[1], p[2]};
}

double TaiMinusUtc(double utcRjd) noexcept {
  // ERFA's calendar conversion casts to integers: only finite instants it
  // accepts go in.
  if (!(utcRjd > kCalendarLow && utcRjd < kCalendarHigh)) return 0;
  int year, month, day;
  double fraction;
  if (eraJd2cal(kRjdBase, utcRjd, &year, &month, &day, &fraction) != 0) return 0;
  double dat = 0;
  // Status 1 (before 1960, or years after the table was made) leaves the
  // documented fallback in dat: 0 before 1960, the last offset after.
  if (eraDat(year, month, day, fraction, &dat) < 0) return 0;
  return dat;
}

LightTimeModel::LightTimeModel(EpochScale scale, double fromRjd, double toRjd) : scale_(scale) {
  if (IsIdentity() || !(std::isfinite(fromRjd) && std::isfinite(toRjd)) || !(fromRjd <= toRjd) ||
      toRjd - fromRjd > 4000)
    return;
  const bool helio = scale == EpochScale::Hjd;
  start_ = std::floor(fromRjd / kStepDays) * kStepDays - kStepDays;
  const auto n = static_cast<std::size_t>(std::ceil((toRjd - start_) / kStepDays)) + 2;
  samples_.resize(n);
  for (std::size_t k = 0; k < n; ++k)
    EarthDirect(start_ + static_cast<double>(k) * kStepDays, helio, samples_[k].pos, samples_[k].vel);
  if (scale == EpochScale::Bjd) {
    // UTC days start at RJD x.5.
    dayBase_ = std::floor(fromRjd - 0.5) - 1;
    const auto days = static_cast<std::size_t>(toRjd - fromRjd) + 4;
    datStart_.resize(days);
    datEnd_.resize(days);
    for (std::size_t d = 0; d < days; ++d) {
      const double dayStart = dayBase_ + 0.5 + static_cast<double>(d);
      datStart_[d] = TaiMinusUtc(dayStart);
      // The last instant of the day, on the day's own entry of the table.
      int year, month, day;
      double fraction, dat = 0;
      if (eraJd2cal(kRjdBase, dayStart, &year, &month, &day, &fraction) == 0 &&
          eraDat(year, month, day, 1.0, &dat) >= 0)
        datEnd_[d] = dat;
      else
        datEnd_[d] = datStart_[d];
    }
  }
}

Vector3 LightTimeModel::EarthPosition(double rjd) const noexcept {
  const double x = (rjd - start_) / kStepDays;
  double pos[3];
  if (x >= 0 && x < static_cast<double>(samples_.size()) - 1) {
    const auto k = static_cast<std::size_t>(x);
    const double u = x - static_cast<double>(k);
    const Sample& a = samples_[k];
    const Sample& b = samples_[k + 1];
    // Cubic Hermite basis over one step.
    const double u2 = u * u, u3 = u2 * u;
    const double h00 = 2 * u3 - 3 * u2 + 1, h10 = u3 - 2 * u2 + u, h01 = -2 * u3 + 3 * u2, h11 = u3 - u2;
    for (int i = 0; i < 3; ++i)
      pos[i] = h00 * a.pos[i] + h10 * kStepDays * a.vel[i] + h01 * b.pos[i] + h11 * kStepDays * b.vel[i];
  } else {
    double vel[3];
    EarthDirect(rjd, scale_ == EpochScale::Hjd, pos, vel);
  }
  return {pos[0], pos[1], pos[2]};
}

double LightTimeModel::TaiMinusUtcAt(double utcRjd) const noexcept {
  const double d = std::floor(utcRjd - 0.5) - dayBase_;
  if (d >= 0 && d < static_cast<double>(datStart_.size())) {
    const auto k = static_cast<std::size_t>(d);
    const double fraction = utcRjd - 0.5 - std::floor(utcRjd - 0.5);
    return datStart_[k] + (datEnd_[k] - datStart_[k]) * fraction;
  }
  return TaiMinusUtc(utcRjd);
}

double LightTimeModel::EarthUtc(double elementRjd, const Vector3& n) const noexcept {
  if (IsIdentity() || !std::isfinite(elementRjd)) return elementRjd;
  // The position is wanted at the arrival instant; the difference between
  // that instant's scales (a minute) moves the Earth by 2000 km, under 10 ms.
  double t = elementRjd;
  for (int step = 0; step < 2; ++step) {
    const Vector3 r = EarthPosition(t);
    const double pos[3] = {r.x, r.y, r.z};
    t = elementRjd - Dot(pos, n) * kAuLightDays;
  }
  if (scale_ != EpochScale::Bjd) return t;
  // TDB to UTC: TDB - TT stays within 1.7 ms and is left out; TT - TAI is
  // 32.184 s; TAI - UTC is looked up at the UTC instant, found in two steps
  // (a leap second is then placed right to the second).
  double utc = t - kTtMinusTaiDays - TaiMinusUtcAt(t) / ERFA_DAYSEC;
  for (int step = 0; step < 2; ++step) utc = t - kTtMinusTaiDays - TaiMinusUtcAt(utc) / ERFA_DAYSEC;
  return utc;
}

}  // namespace tevaro::astro
