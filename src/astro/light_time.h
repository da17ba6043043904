// Light time between the Sun (or the solar-system barycentre) and the Earth,
// and the time scales a star's epoch may be given on. The Earth's position
// comes from ERFA's eraEpv00 (accurate over 1900-2100; outside those years it
// still gives a position, slowly losing accuracy), leap seconds from eraDat.
#pragma once

#include <cmath>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tevaro::astro {

// How a star's epoch (and so every element instant epoch + E x period) is read.
enum class EpochScale {
  HjdAsUt,  // used unchanged as the UT of the event on the Earth
  Hjd,      // heliocentric Julian date on the UTC scale
  Bjd,      // barycentric Julian date on the TDB scale
};

// Every scale with its texts, in the Options menu's order: the one table
// the options file, tevaro-cli, the CSV's column, the menu and the report's
// header take them from.
struct EpochScaleTexts {
  EpochScale scale;
  const char* name;        // in the options file, on the command line and in the CSV
  const char* menuName;    // the menu action's object name
  const char* menuText;    // the menu action's text, with its mnemonic
  const char* headerLine;  // the report header's line; null for none
};
inline constexpr EpochScaleTexts kEpochScales[] = {
    {EpochScale::HjdAsUt, "hjd-as-ut", "mEpochsAsUt", "Epochs used as &UT (uncorrected)", nullptr},
    {EpochScale::Hjd, "hjd", "mEpochsHjd", "Epochs in &HJD (UTC), corrected for light time",
     " Epochs: HJD, corrected for light time to the Earth"},
    {EpochScale::Bjd, "bjd", "mEpochsBjd", "Epochs in &BJD (TDB), corrected for light time and to UTC",
     " Epochs: BJD (TDB), corrected for light time to the Earth and from TDB to UTC"},
};

// The row of `scale` in kEpochScales.
const EpochScaleTexts& TextsOf(EpochScale scale) noexcept;
// "hjd-as-ut", "hjd", "bjd".
const char* EpochScaleName(EpochScale scale) noexcept;
std::optional<EpochScale> EpochScaleFromName(std::string_view name) noexcept;
// The names in kEpochScales' order as a list for a message: "hjd-as-ut, hjd or bjd".
std::string EpochScaleNameList();

struct Vector3 {
  double x = 0, y = 0, z = 1;
};

// Unit vector of a direction given by right ascension (hours) and
// declination (degrees) on the J2000 (ICRS) axes.
Vector3 DirectionOf(double raHours, double decDeg) noexcept;

// TAI - UTC in seconds at UTC instant `utcRjd`, from ERFA's leap-second
// table (with the drifting offsets of 1961-1971). Before 1960 UTC did not
// exist and the table gives 0, as ERFA does: the instant is then read as TAI.
// After the table's last entry its last offset is kept.
double TaiMinusUtc(double utcRjd) noexcept;

// The largest correction of any scale, days: the light time of 1.0167 au plus
// the barycentre's 0.01 au offset from the Sun, plus TT - UTC, with room to spare.
inline constexpr double kMaxLightTimeShiftDays = 0.01;

// A run's light-time correction: the Earth's heliocentric and barycentric
// positions tabulated every six hours over the run's span and interpolated
// (cubic Hermite from positions and velocities, error far below a
// millisecond), so that a candidate costs a few multiplications. Instants
// outside the table are computed directly.
class LightTimeModel {
 public:
  // The identity of HjdAsUt.
  LightTimeModel() = default;
  // A table for instants from `fromRjd` to `toRjd` (RJD, UTC).
  LightTimeModel(EpochScale scale, double fromRjd, double toRjd);

  EpochScale Scale() const noexcept { return scale_; }
  bool IsIdentity() const noexcept { return scale_ == EpochScale::HjdAsUt; }

  // The UTC (RJD) at which an event at element instant `elementRjd` (on the
  // model's scale) is seen from the Earth's centre, for a star in direction
  // `n`: T_earth = T - (r . n) / c with r the Earth's position at T_earth
  // (two fixed-point steps), then for BJD the step from TDB to UTC. HjdAsUt
  // gives elementRjd unchanged. Never fails; a NaN stays NaN.
  double EarthUtc(double elementRjd, const Vector3& n) const noexcept {
    if (IsIdentity()) return elementRjd;
    const double x = (elementRjd - start_) * (1 / kStepDays);
    if (!(x >= 0 && x < static_cast<double>(samples_.size()) - 1)) return EarthUtcDirect(elementRjd, n);
    // r . n and v . n at T from the cubic Hermite of the two samples around it.
    const auto k = static_cast<std::size_t>(x);
    const double u = x - static_cast<double>(k), u2 = u * u, u3 = u2 * u;
    const Sample& a = samples_[k];
    const Sample& b = samples_[k + 1];
    const double pa = Dot(a.pos, n), pb = Dot(b.pos, n);
    const double va = Dot(a.vel, n) * kStepDays, vb = Dot(b.vel, n) * kStepDays;
    const double rn = (2 * u3 - 3 * u2 + 1) * pa + (u3 - 2 * u2 + u) * va + (-2 * u3 + 3 * u2) * pb + (u3 - u2) * vb;
    // The velocity only scales a step of 500 s: linear is plenty.
    const double vn = (va + (vb - va) * u) * (1 / kStepDays);
    // The first step gives the light time at T; the second takes the
    // position one light time earlier along the velocity (the curvature of
    // the orbit over 500 s moves it under a kilometre).
    const double lightTime = rn * kAuLightDays;
    const double t = elementRjd - (rn - vn * lightTime) * kAuLightDays;
    return scale_ == EpochScale::Bjd ? TdbToUtc(t) : t;
  }

 private:
  static constexpr double kStepDays = 0.25;                     // table spacing
  static constexpr double kAuLightDays = 499.004783836 / 86400;  // light time of 1 au, days
  struct Sample {
    double pos[3], vel[3];  // au, au/day
  };
  static double Dot(const double a[3], const Vector3& n) noexcept { return a[0] * n.x + a[1] * n.y + a[2] * n.z; }
  // The full computation, for instants outside the table.
  double EarthUtcDirect(double elementRjd, const Vector3& n) const noexcept;
  // TAI - UTC from the day table, or looked up outside it.
  double TaiMinusUtcAt(double utcRjd) const noexcept {
    const double d = std::floor(utcRjd - 0.5) - dayBase_;
    if (!(d >= 0 && d < static_cast<double>(datStart_.size()))) return TaiMinusUtc(utcRjd);
    const auto k = static_cast<std::size_t>(d);
    return datStart_[k] + (datEnd_[k] - datStart_[k]) * (utcRjd - 0.5 - std::floor(utcRjd - 0.5));
  }
  // TDB (read as TT: they differ by under 1.7 ms) to UTC: TT - TAI is
  // 32.184 s, TAI - UTC is looked up at the UTC instant, found in two steps
  // so that a leap second falls on its own second.
  double TdbToUtc(double t) const noexcept {
    constexpr double kTtMinusTaiDays = 32.184 / 86400;
    // Most runs hold no leap second: one offset for the whole table.
    if (datConstant_) return t - kTtMinusTaiDays - datStart_.front() / 86400;
    const double first = TaiMinusUtcAt(t);
    const double utc = t - kTtMinusTaiDays - first / 86400;
    const double second = TaiMinusUtcAt(utc);
    return second == first ? utc : t - kTtMinusTaiDays - second / 86400;
  }

  EpochScale scale_ = EpochScale::HjdAsUt;
  double start_ = 0;  // RJD of the first sample
  std::vector<Sample> samples_;
  // TAI - UTC at the start and end of each UTC day from dayBase_ on: linear
  // within a day, jumps only at 0h UTC.
  double dayBase_ = 0;
  std::vector<double> datStart_, datEnd_;
  bool datConstant_ = false;  // every day of the table has the same TAI - UTC
};

}  // namespace tevaro::astro
