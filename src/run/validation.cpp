#include "run/validation.h"

#include <cmath>

#include "astro/angles.h"
#include "astro/daylight.h"
#include "astro/time_zone.h"
#include "data/text.h"
#include "run/number_input.h"

namespace tevaro::run {

namespace {

std::string Fail(RunParameters& p, std::string message) {
  p.inputError = true;
  return message;
}

// The standard offset of `zone` on the evening date of `p`, as hours west;
// nothing when it would not pass the zone check.
std::optional<std::int16_t> StandardZoneOf(const astro::NamedZone& zone, const RunParameters& p) {
  const double noon = astro::DayNumber(p.year, p.month, p.day);
  const auto hours = NearestInt16(-zone.StandardOffsetSeconds(noon) / 3600.0);
  if (!hours || *hours < kLowestZone || *hours > kHighestZone) return std::nullopt;
  return hours;
}

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string Quoted(std::string_view text) { return data::QuotedField(data::EscapeControls(text)); }

}  // namespace

std::string UnknownZoneMessage(std::string_view text) {
  return "Oops!  The time zone " + Quoted(Trimmed(text)) +
         " is not one I know: give hours west of Greenwich, or a zone name such as Europe/Berlin.";
}

std::string NoZoneDatabaseMessage(std::string_view text) {
  return "Oops!  The time zone " + Quoted(Trimmed(text)) +
         " cannot be looked up: the time-zone database (tzdata) could not be read. Give hours west of Greenwich.";
}

std::string CheckNumberField(std::string_view what, std::string_view text) {
  if (IsNumberText(text)) return {};
  return "The " + std::string(what) + " " + Quoted(text) + " is not a number.";
}

void ApplyFieldChange(Field field, std::string_view text, RunParameters& p) {
  switch (field) {
    case Field::Longitude: p.longitudeDms = ReadNumber(text); return;
    case Field::Latitude: p.latitudeDms = ReadNumber(text); return;
    case Field::Zone:
      if (astro::LooksLikeZoneName(text)) {
        p.zoneName = Trimmed(text);
        p.namedZone = astro::NamedZone::Find(text);
        if (p.namedZone)
          if (const auto hours = StandardZoneOf(*p.namedZone, p)) p.standardZone = *hours;
        return;
      }
      p.zoneName.clear();
      p.namedZone.reset();
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

  // Each numeric field must hold one number and nothing else; its check
  // comes just before it is read, so the failures keep the fields' order.
  std::string notNumber;
  auto bad = [&](std::string_view what, const std::string& text) {
    notNumber = CheckNumberField(what, text);
    return !notNumber.empty();
  };

  if (bad("longitude", in.longitude)) return Fail(p, notNumber);
  p.longitudeDms = ReadNumber(in.longitude);
  p.longitude = astro::DmsToDegrees(p.longitudeDms);
  if (std::fabs(p.longitude) > 180) return Fail(p, "The longitude " + Quoted(in.longitude) + kMsgLongitudeRange);
  if (bad("latitude", in.latitude)) return Fail(p, notNumber);
  p.latitudeDms = ReadNumber(in.latitude);
  p.latitude = astro::DmsToDegrees(p.latitudeDms);
  if (std::fabs(p.latitude) > 90) return Fail(p, "The latitude " + Quoted(in.latitude) + kMsgLatitudeRange);

  if (astro::LooksLikeZoneName(in.zone)) {
    auto why = astro::ZoneFailure::UnknownName;
    const auto named = astro::NamedZone::Find(in.zone, &why);
    if (!named)
      return Fail(p, why == astro::ZoneFailure::NoDatabase ? NoZoneDatabaseMessage(in.zone) : UnknownZoneMessage(in.zone));
    const auto hours = StandardZoneOf(*named, p);
    if (!hours) return Fail(p, kMsgZone);
    p.zoneName = named->Name();
    p.namedZone = named;
    p.zone = *hours;
  } else {
    if (bad("time zone", in.zone)) return Fail(p, notNumber);
    const auto zone = ReadInt16(in.zone);
    if (!zone || *zone < kLowestZone || *zone > kHighestZone) return Fail(p, kMsgZone);
    p.zoneName.clear();
    p.namedZone.reset();
    p.zone = *zone;
  }

  // Each field takes the value read and is then checked; a value beyond 16
  // bits cannot be taken and fails its own field's check.
  if (bad("year", in.year)) return Fail(p, notNumber);
  const auto year = ReadInt16(in.year);
  if (year) p.year = *year;
  if (!year || *year < 1900 || *year > 2100) return Fail(p, kMsgYear);
  if (bad("month", in.month)) return Fail(p, notNumber);
  const auto month = ReadInt16(in.month);
  if (month) p.month = *month;
  if (!month || *month < 1 || *month > 12) return Fail(p, kMsgMonth);
  if (bad("day", in.day)) return Fail(p, notNumber);
  const auto day = ReadInt16(in.day);
  if (day) p.day = *day;
  if (!day || *day < 0 || *day > 32) return Fail(p, kMsgDay);
  if (bad("number of nights", in.nights)) return Fail(p, notNumber);
  const auto nights = ReadInt16(in.nights);
  if (nights) p.dayCount = *nights;
  if (!nights || *nights < 1 || *nights > 365) return Fail(p, kMsgNights);

  if (bad("maximum Sun altitude", in.maxSun)) return Fail(p, notNumber);
  p.maxSunAltitude = ReadNumber(in.maxSun);
  if (p.maxSunAltitude > 0) return Fail(p, kMsgSun);
  if (bad("minimum star altitude", in.minStar)) return Fail(p, notNumber);
  p.minStarAltitude = ReadNumber(in.minStar);
  if (p.minStarAltitude < 0) return Fail(p, kMsgStar);

  p.eventWanted[0] = false;
  for (std::size_t k = 1; k <= 4; ++k) p.eventWanted[k] = in.eventBox[k - 1] == 1;
  p.ignoreEaSecondary = static_cast<std::int16_t>(in.ignoreEaBox);
  if (in.option >= 1 && in.option <= 3) p.outputMode = static_cast<std::int16_t>(in.option);
  return {};
}

}  // namespace tevaro::run
