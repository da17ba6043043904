// Named time zones of the system's time-zone database (IANA names such as
// Europe/Berlin), read through Howard Hinnant's date/tz library.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace date {
class time_zone;
}

namespace tevaro::astro {

// One stretch of time during which a zone keeps one offset: [fromRjd, toRjd)
// in UT (RJD), open ends as +-infinity.
struct ZoneSpan {
  double fromRjd = 0, toRjd = 0;
  int offsetSeconds = 0;  // local clock minus UT
  bool daylightSaving = false;
  std::string abbreviation;  // "CET", "CEST", ...
};

// Whether `text` is meant as a zone name rather than hours: its first
// non-blank character is a letter.
bool LooksLikeZoneName(std::string_view text) noexcept;

// The names of every zone and alias the database knows, sorted; not
// "localtime", "posixrules" or "Factory", which Find refuses too.
std::vector<std::string> ZoneNames();

// Why a zone name gave no zone.
enum class ZoneFailure {
  UnknownName,  // the database has no zone of that name
  NoDatabase,   // the database (tzdata) is missing, empty, or its rules cannot be read
};

// For tests: takes the database's zones from `reader` (the library's
// get_tzdb().zones when null), so that a missing or empty one can be shown.
void SetZoneDatabaseReader(const std::vector<date::time_zone>& (*reader)());

class NamedZone {
 public:
  // The zone of that name (blanks around it ignored), or nothing when the
  // database has no such zone or cannot be read, and for "localtime",
  // "posixrules" and "Factory" in any case of letters; then `failure`, when
  // given, says which.
  static std::optional<NamedZone> Find(std::string_view name, ZoneFailure* failure = nullptr) noexcept;

  const std::string& Name() const noexcept { return name_; }

  // The span in force at UT instant `utcRjd`. Instants beyond the years the
  // library handles are clamped to them; NaN reads as RJD 0.
  // This and the look-ups below read the zone's rules, which may throw
  // std::runtime_error when they cannot be read; Find has read them, so on a
  // zone it gave they do not.
  ZoneSpan SpanAt(double utcRjd) const;

  // The spans that cover [fromRjd, toRjd], in order.
  std::vector<ZoneSpan> SpansOver(double fromRjd, double toRjd) const;

  // The UT instant at which the zone's clock reads `localRjd` (a local
  // instant on the RJD scale: whole values at local noon). A reading the
  // clock skips gives the instant of the change; one it shows twice gives
  // the first.
  double UtcOfLocal(double localRjd) const;

  // The standard offset (daylight saving taken off) at UT instant `utcRjd`,
  // seconds.
  int StandardOffsetSeconds(double utcRjd) const;

 private:
  NamedZone(const date::time_zone* zone, std::string name) : zone_(zone), name_(std::move(name)) {}
  const date::time_zone* zone_;
  std::string name_;
};

}  // namespace tevaro::astro
