#include "astro/light_time.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include <erfa.h>
#include <erfam.h>

namespace tevaro::astro {

namespace {

constexpr double kRjdBase = 2400000.0;  // JD of RJD 0
// The instants (RJD) ERFA's calendar routine takes (JD -68569.5 on); beyond
// them there is no leap-second answer to give.
constexpr double kCalendarLow = -2468569.0, kCalendarHigh = 1e8;

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

static_assert(ERFA_AULT > 499.0047 && ERFA_AULT < 499.0049 && ERFA_TTMTAI == 32.184,
              "the light time of 1 au and TT - TAI written into light_time.h are ERFA's");

const EpochScaleTexts& TextsOf(EpochScale scale) noexcept {
  for (const EpochScaleTexts& t : kEpochScales)
    if (t.scale == scale) return t;
  return kEpochScales[0];
}

const char* EpochScaleName(EpochScale scale) noexcept { return TextsOf(scale).name; }

std::optional<EpochScale> EpochScaleFromName(std::string_view name) noexcept {
  for (const EpochScaleTexts& t : kEpochScales)
    if (name == t.name) return t.scale;
  return std::nullopt;
}

std::string EpochScaleNameList() {
  std::string list;
  const std::size_t n = std::size(kEpochScales);
  for (std::size_t k = 0; k < n; ++k) {
    if (k > 0) list += k + 1 == n ? " or " : ", ";
    list += kEpochScales[k].name;
  }
  return list;
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
    datConstant_ = std::all_of(datStart_.begin(), datStart_.end(), [&](double x) { return x == datStart_.front(); }) &&
                   std::all_of(datEnd_.begin(), datEnd_.end(), [&](double x) { return x == datStart_.front(); });
  }
}

double LightTimeModel::EarthUtcDirect(double elementRjd, const Vector3& n) const noexcept {
  if (!std::isfinite(elementRjd)) return elementRjd;
  // The position is wanted at the arrival instant; the difference between
  // that instant's scales (a minute) moves the Earth by 2000 km, under 10 ms.
  double t = elementRjd;
  for (int step = 0; step < 2; ++step) {
    double pos[3], vel[3];
    EarthDirect(t, scale_ == EpochScale::Hjd, pos, vel);
    t = elementRjd - Dot(pos, n) * kAuLightDays;
  }
  return scale_ == EpochScale::Bjd ? TdbToUtc(t) : t;
}

}  // namespace tevaro::astro
