// Light time between the Sun (or the solar-system barycentre) and the Earth,
// and the time scales a star's epoch may be given on. The Earth's position
// comes from ERFA's eraEpv00 (accurate over 1900-2100; outside those years it
// still gives a position, slowly losing accuracy), leap seconds from eraDat.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace tevaro::astro {

// How a star's epoch (and so every element instant epoch + E x period) is read.
enum class EpochScale {
  HjdAsUt,  // used unchanged as the UT of the event on the Earth
  Hjd,      // heliocentric Julian date on the UTC scale
  Bjd,      // barycentric Julian date on the TDB scale
};

// "hjd-as-ut", "hjd", "bjd".
const char* EpochScaleName(EpochScale scale) noexcept;
std::optional<EpochScale> EpochScaleFromName(std::string_view name) noexcept;

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
  double EarthUtc(double elementRjd, const Vector3& n) const noexcept;

 private:
  struct Sample {
    double pos[3], vel[3];  // au, au/day
  };
  // The Earth's position (au) at TDB-like instant t from the table, or
  // directly when t lies outside it.
  Vector3 EarthPosition(double rjd) const noexcept;
  double TaiMinusUtcAt(double utcRjd) const noexcept;

  EpochScale scale_ = EpochScale::HjdAsUt;
  double start_ = 0;  // RJD of the first sample
  std::vector<Sample> samples_;
  // TAI - UTC at the start and end of each UTC day from dayBase_ on: linear
  // within a day, jumps only at 0h UTC.
  double dayBase_ = 0;
  std::vector<double> datStart_, datEnd_;
};

}  // namespace tevaro::astro
