#include "astro/time_zone.h"

#include <algorithm>
#include <chrono>
#include <cmath>

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

bool LooksLikeZoneName(std::string_view text) noexcept {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  const char c = text[first];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<std::string> ZoneNames() {
  std::vector<std::string> names;
  try {
    const date::tzdb& db = date::get_tzdb();
    // The system's folder holds links as zones, and copies under posix/
    // and right/ that are not offered.
    for (const date::time_zone& z : db.zones) {
      const std::string& name = z.name();
      if (name.rfind("posix", 0) != 0 && name.rfind("right/", 0) != 0 && !IsRefusedName(name)) names.push_back(name);
    }
  } catch (...) {
    // No database: no names to offer.
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<NamedZone> NamedZone::Find(std::string_view name) noexcept {
  const auto first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  const auto last = name.find_last_not_of(" \t");
  const std::string trimmed(name.substr(first, last - first + 1));
  if (IsRefusedName(trimmed)) return std::nullopt;
  try {
    const date::time_zone* zone = date::locate_zone(trimmed);
    // The zone's rules are read on first use: read them here, where a
    // failure can still be answered.
    (void)zone->get_info(date::sys_seconds{});
    return NamedZone(zone, trimmed);
  } catch (...) {
    // Unknown name, or a database that cannot be read: no zone.
    return std::nullopt;
  }
}

ZoneSpan NamedZone::SpanAt(double utcRjd) const noexcept {
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

double NamedZone::UtcOfLocal(double localRjd) const noexcept {
  const date::local_seconds local(SecondsOf(localRjd));
  return RjdOf(zone_->to_sys(local, date::choose::earliest).time_since_epoch());
}

int NamedZone::StandardOffsetSeconds(double utcRjd) const noexcept {
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
