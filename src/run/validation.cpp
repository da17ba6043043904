#include "run/validation.h"

#include "astro/angles.h"
#include "run/number_input.h"

namespace tevaro::run {

namespace {

std::string Fail(RunParameters& p, const char* message) {
  p.inputError = true;
  return message;
}

}  // namespace

void ApplyFieldChange(Field field, std::string_view text, RunParameters& p) {
  switch (field) {
    case Field::Longitude: p.longitudeDms = ReadNumber(text); return;
    case Field::Latitude: p.latitudeDms = ReadNumber(text); return;
    case Field::Zone:
      if (auto v = ReadInt16(text)) p.standardZone = *v;
      return;
    case Field::Nights:
      if (auto v = ReadInt16(text)) p.dayCount = *v;
      return;
    case Field::MaxSun: p.maxSunAltitude = ReadNumber(text); return;
    case Field::MinStar: p.minStarAltitude = ReadNumber(text); return;
  }
}

std::string ValidateInputs(const InputFields& in, RunParameters& p) {
  p.inputError = false;
  p.siteIndex = static_cast<std::int16_t>(in.siteIndex);

  p.longitudeDms = ReadNumber(in.longitude);
  p.longitude = astro::DmsToDegrees(p.longitudeDms);
  p.latitudeDms = ReadNumber(in.latitude);
  p.latitude = astro::DmsToDegrees(p.latitudeDms);

  const auto zone = ReadInt16(in.zone);
  if (!zone || *zone < kLowestZone || *zone > kHighestZone) return Fail(p, kMsgZone);
  p.zone = *zone;

  // Each field takes the value read and is then checked; a value beyond 16
  // bits cannot be taken and fails its own field's check.
  const auto year = ReadInt16(in.year);
  if (year) p.year = *year;
  if (!year || *year < 1900 || *year > 2100) return Fail(p, kMsgYear);
  const auto month = ReadInt16(in.month);
  if (month) p.month = *month;
  if (!month || *month < 1 || *month > 12) return Fail(p, kMsgMonth);
  const auto day = ReadInt16(in.day);
  if (day) p.day = *day;
  if (!day || *day < 0 || *day > 32) return Fail(p, kMsgDay);
  const auto nights = ReadInt16(in.nights);
  if (nights) p.dayCount = *nights;
  if (!nights || *nights < 1 || *nights > 365) return Fail(p, kMsgNights);

  p.maxSunAltitude = ReadNumber(in.maxSun);
  if (p.maxSunAltitude > 0) return Fail(p, kMsgSun);
  p.minStarAltitude = ReadNumber(in.minStar);
  if (p.minStarAltitude < 0) return Fail(p, kMsgStar);

  p.eventWanted[0] = false;
  for (std::size_t k = 1; k <= 4; ++k) p.eventWanted[k] = in.eventBox[k - 1] == 1;
  p.ignoreEaSecondary = static_cast<std::int16_t>(in.ignoreEaBox);
  if (in.option >= 1 && in.option <= 3) p.outputMode = static_cast<std::int16_t>(in.option);
  return {};
}

}  // namespace tevaro::run
