#include "run/star_check.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "data/text.h"

namespace tevaro::run {
namespace {

std::string Number(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", x);
  return text;
}

}  // namespace

std::optional<std::string> UnusableReason(const data::StarEntry& star) {
  if (star.periodNotNumber) return "the period " + data::QuotedField(*star.periodNotNumber) + " is not a number";
  if (!(std::isfinite(star.period) && star.period > 0))
    return "the period " + Number(star.period) + " is not a positive number of days";
  if (star.period < kMinPeriodDays)
    return "the period " + Number(star.period) + " days is below " + Number(kMinPeriodDays) +
           " days, shorter than any eclipsing binary's";
  if (!(std::isfinite(star.epoch) && std::fabs(star.epoch) <= kMaxEpochDays))
    return "the epoch " + Number(star.epoch) + " is more than " + Number(kMaxEpochDays) +
           " days from RJD 0, no date of an ephemeris";
  if (!(std::isfinite(star.raDms) && std::isfinite(star.decDms))) return std::string("the position is not a number");
  if (star.durationNotNumber)
    return "the eclipse's duration " + data::QuotedField(*star.durationNotNumber) + " is not a number of hours";
  for (const auto& [hours, which] : {std::pair{star.durationHours, "eclipse's"},
                                      std::pair{star.durationIIHours, "secondary eclipse's"}}) {
    if (!hours) continue;
    const double d = *hours;
    if (!(d > 0))
      return std::string("the ") + which + " duration " + Number(d) + " hours is not a positive number of hours";
    if (!(d < 24 * star.period))
      return std::string("the ") + which + " duration " + Number(d) + " hours is not shorter than the period (" +
             Number(24 * star.period) + " hours)";
  }
  if (!(star.secondaryPhase > 0 && star.secondaryPhase < 1))
    return "the secondary minimum's phase " + Number(star.secondaryPhase) + " is not between 0 and 1";
  for (const auto& [error, what] : {std::pair{star.epochError, "epoch's"}, std::pair{star.periodError, "period's"}})
    if (error && !(std::isfinite(*error) && *error >= 0))
      return std::string("the ") + what + " error " + Number(*error) + " days is not a number of days of 0 or more";
  return std::nullopt;
}

std::string StarWarning::Text() const {
  return "line " + std::to_string(line) + ": " + name + ": " + reason + "; it is left out";
}

std::vector<StarWarning> UnusableStars(const data::StarTable& table) {
  std::vector<StarWarning> out;
  for (const data::StarEntry& s : table.entries)
    if (auto why = UnusableReason(s)) out.push_back({s.line, s.name, std::move(*why)});
  return out;
}

}  // namespace tevaro::run
