// The clock a run's times are shown on: one zone in hours for the whole run
// (the design's), or a named zone whose offset follows its rules instant by
// instant.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "astro/time_zone.h"

namespace tevaro::run {

class RunClock {
 public:
  RunClock() = default;
  // One zone, hours west of Greenwich.
  explicit RunClock(double zoneHours) : fixedZone_(zoneHours) {}
  // A named zone with its offsets over the run (spans in time order).
  RunClock(astro::NamedZone zone, std::vector<astro::ZoneSpan> spans)
      : named_(std::move(zone)), spans_(std::move(spans)) {}

  bool IsNamed() const { return named_.has_value(); }
  // The zone's name; empty for a zone in hours.
  std::string Name() const { return named_ ? named_->Name() : std::string(); }
  const std::vector<astro::ZoneSpan>& Spans() const { return spans_; }

  // The zone in force at UT instant t, hours west (local = UT - zone).
  double ZoneAt(double t) const {
    if (!named_) return fixedZone_;
    // Spans are few (two changes a year): a search from the front is quick
    // enough and exact at the boundaries.
    for (const astro::ZoneSpan& s : spans_) {
      if (t < s.toRjd) {
        if (t >= s.fromRjd) return -s.offsetSeconds / 3600.0;
        break;
      }
    }
    return -named_->SpanAt(t).offsetSeconds / 3600.0;
  }
  // The UT instant at which the clock reads `localRjd` (whole at local noon).
  double UtcOfLocal(double localRjd) const {
    return named_ ? named_->UtcOfLocal(localRjd) : localRjd + fixedZone_ / 24;
  }

 private:
  double fixedZone_ = 0;
  std::optional<astro::NamedZone> named_;
  std::vector<astro::ZoneSpan> spans_;
};

}  // namespace tevaro::run
