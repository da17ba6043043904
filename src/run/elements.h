// What a star's elements say of one event beyond its instant: the eclipse's
// length and how far off the predicted instant may be.
#pragma once

#include <cmath>
#include <optional>

#include "data/star_file.h"

namespace tevaro::run {

// The length of the eclipse at an event of `phase` (1 primary, 3 secondary),
// hours: the secondary's own when the star gives one; nothing for a maximum
// or a star without a duration.
inline std::optional<double> EclipseHours(const data::StarEntry& s, int phase) {
  if (phase == 3) return s.durationIIHours ? s.durationIIHours : s.durationHours;
  if (phase == 1) return s.durationHours;
  return std::nullopt;
}

// True when the star gives an error of its epoch or its period.
inline bool HasElementErrors(const data::StarEntry& s) { return s.epochError || s.periodError; }

// The one-sigma uncertainty of the predicted instant of cycle E, days:
// sqrt(epochError^2 + (E x periodError)^2); 0 for a star without errors.
inline double PredictionSigmaDays(const data::StarEntry& s, double cycle) {
  const double a = s.epochError.value_or(0), b = cycle * s.periodError.value_or(0);
  return std::sqrt(a * a + b * b);
}

}  // namespace tevaro::run
