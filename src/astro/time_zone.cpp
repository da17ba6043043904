#include "astro/time_zone.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string>

#include <date/tz.h>

namespace tevaro::astro {

namespace {

constexpr double kUnixEpochRjd = 40587.5;  // 1970-01-01 0h UT
// Instants kept within years the library's calendar takes (about 300 to 8800).
constexpr double kLowRjd = -570000, kHighRjd = 2900000;

std::chrono::seconds SecondsOf(double rjd) {
  if (std::isnan(rjd)) rjd = 0;
  rjd = std::clamp(rjd, kLowRjd, kHighRjd);
  return std::chrono::seconds(std::llround((rjd - kUnixEpochRjd) * 86400));
}

const std::vector<date::time_zone>& (*databaseReader)() = nullptr;

// The database's zones (and links), sorted by name, read on first use;
// throws when the database cannot be read.
const std::vector<date::time_zone>& Zones() { return databaseReader ? databaseReader() : date::get_tzdb().zones; }

// The zone of that exact name, found as the library's locate_zone finds it
// (its zones are sorted by name); throws when there is none or the database
// cannot be read.
const date::time_zone* LocateZone(std::string_view name) {
  const std::vector<date::time_zone>& zones = Zones();
  const auto it = std::lower_bound(zones.begin(), zones.end(), name,
                                   [](const date::time_zone& z, std::string_view n) { return z.name() < n; });
  if (it == zones.end() || it->name() != name) throw std::runtime_error(std::string(name) + " not found");
  return &*it;
}

// False when the database cannot be read or holds no zone (an empty folder).
bool DatabaseReadable() noexcept {
  try {
    return !Zones().empty();
  } catch (...) {
    return false;
  }
}

double RjdOf(std::chrono::seconds s) { return static_cast<double>(s.count()) / 86400 + kUnixEpochRjd; }

ZoneSpan SpanOf(const date::sys_info& i) {
  return {RjdOf(i.begin.time_since_epoch()), RjdOf(i.end.time_since_epoch()), static_cast<int>(i.offset.count()),
          i.save != std::chrono::minutes{0}, i.abbrev};
}

// Names in the system's zone folder that are not zones of the database: the
// machine's own zone (a link outside it), the rules template and the zone
// of an unset clock. None of them is accepted or offered.
bool IsRefusedName(std::string_view name) {
  constexpr std::string_view kRefused[] = {"localtime", "posixrules", "factory"};
  for (const std::string_view refused : kRefused) {
    if (name.size() != refused.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < name.size(); ++i)
      same = (name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i]) == refused[i];
    if (same) return true;
  }
  return false;
}

}  // namespace

void SetZoneDatabaseReader(const std::vector<date::time_zone>& (*reader)()) { databaseReader = reader; }

bool LooksLikeZoneName(std::string_view text) noexcept {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  const char c = text[first];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<std::string> ZoneNames() {
  std::vector<std::string> names;
  try {
    // The system's folder holds links as zones, and copies under posix/
    // and right/ that are not offered.
    for (const date::time_zone& z : Zones()) {
      const std::string& name = z.name();
      if (name.rfind("posix", 0) != 0 && name.rfind("right/", 0) != 0 && !IsRefusedName(name)) names.push_back(name);
    }
  } catch (...) {
    // No database: no names to offer.
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<NamedZone> NamedZone::Find(std::string_view name, ZoneFailure* failure) noexcept {
  const auto first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  const auto last = name.find_last_not_of(" \t");
  const std::string trimmed(name.substr(first, last - first + 1));
  if (IsRefusedName(trimmed)) {
    if (failure) *failure = ZoneFailure::UnknownName;
    return std::nullopt;
  }
  const date::time_zone* zone = nullptr;
  try {
    zone = LocateZone(trimmed);
    // The zone's rules are read on first use: read them here, where a
    // failure can still be answered.
    (void)zone->get_info(date::sys_seconds{});
    return NamedZone(zone, trimmed);
  } catch (...) {
    // Unknown name, or a database (or a zone's rules) that cannot be read:
    // no zone. A name the database lacks is unknown only when it has zones.
    if (failure) *failure = zone || !DatabaseReadable() ? ZoneFailure::NoDatabase : ZoneFailure::UnknownName;
    return std::nullopt;
  }
}

ZoneSpan NamedZone::SpanAt(double utcRjd) const {
  return SpanOf(zone_->get_info(date::sys_seconds(SecondsOf(utcRjd))));
}

std::vector<ZoneSpan> NamedZone::SpansOver(double fromRjd, double toRjd) const {
  std::vector<ZoneSpan> spans{SpanAt(fromRjd)};
  // A zone changes its clock at most a few times a year; the bound keeps an
  // absurd span finite.
  while (spans.back().toRjd <= toRjd && spans.size() < 100000) {
    ZoneSpan next = SpanAt(spans.back().toRjd);
    if (!(next.fromRjd > spans.back().fromRjd)) break;
    spans.push_back(std::move(next));
  }
  return spans;
}

double NamedZone::UtcOfLocal(double localRjd) const {
  const date::local_seconds local(SecondsOf(localRjd));
  return RjdOf(zone_->to_sys(local, date::choose::earliest).time_since_epoch());
}

int NamedZone::StandardOffsetSeconds(double utcRjd) const {
  // The system's database marks daylight saving without its amount: the
  // standard offset is that of the nearest span before without it.
  date::sys_info i = zone_->get_info(date::sys_seconds(SecondsOf(utcRjd)));
  for (int k = 0; k < 8 && i.save != std::chrono::minutes{0}; ++k) {
    const date::sys_info before = zone_->get_info(i.begin - std::chrono::seconds{1});
    if (before.begin >= i.begin) break;
    i = before;
  }
  return static_cast<int>(i.offset.count());
}

}  // namespace tevaro::astro
