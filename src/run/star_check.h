// Which stars of a star file a run can use: a star whose period, epoch or
// position can give no event is left out of every run, and named at load.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/star_file.h"

namespace tevaro::run {

// The shortest period a star may have, in days. The fastest eclipsing
// binaries known, double white dwarfs, repeat in about 7 minutes (0.0048 d);
// 0.004 d admits them and refuses only periods no binary has, such as a
// mistyped 2.1e-7, which would make a run list millions of events.
inline constexpr double kMinPeriodDays = 0.004;
// The farthest an epoch may lie from RJD 0, in days (about 270,000 years).
// Any real ephemeris is far inside it, and within it the cycle numbers of a
// run stay small enough to step by a quarter exactly.
inline constexpr double kMaxEpochDays = 1e8;

// Why `star` can give no event; nothing when it can. An eclipse's duration
// must be a number of hours above 0 and below the period: zero, a negative
// duration or one of a whole cycle or more is no eclipse's (most often days
// or minutes typed for hours), and the star is left out rather than run
// with a duration that cannot be meant. The same holds of the secondary
// eclipse's duration; the secondary minimum's phase lies strictly between 0
// and 1 (it may fall on a maximum's phase), and the errors of the epoch and
// the period are finite and not negative.
std::optional<std::string> UnusableReason(const data::StarEntry& star);

struct StarWarning {
  int line = 0;  // where the star's record starts
  std::string name;
  std::string reason;
  // "line N: name: reason; it is left out"
  std::string Text() const;
};

// The stars of `table` that can give no event, in file order.
std::vector<StarWarning> UnusableStars(const data::StarTable& table);

}  // namespace tevaro::run
