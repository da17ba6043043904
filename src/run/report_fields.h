// Quick forms of the report's number fields. Each one covers only the values
// on which it gives exactly the text of the general routines (NumberText,
// FormatFixed, RjdToCalendar); elsewhere it declines and the caller takes the
// general routine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tevaro::run::fields {

// NumberText(x) for 1 <= |x| < 100000: up to 17 characters into `out`.
// Returns the length, or 0 where it declines (outside that range, or where
// the rounding to 15 significant digits is an exact tie or reaches the next
// power of ten).
std::size_t GeneralText(double x, char* out);

// FormatFixed(v, width, decimals) for decimals 0 or 2 and widths up to 15:
// exactly `width` characters into `out`. False where it declines (v not
// finite, or a text that does not fit the width).
bool FixedText(double v, int width, int decimals, char* out);

// The local calendar fields of an event time, kept for one local day at a
// time so that events of the same day share the calendar arithmetic.
class LocalClock {
 public:
  explicit LocalClock(std::int16_t zone) : zone_(zone) {}

  // "yyyy_Mon_dd" (11 characters) and "hh:mm" (5 characters) of `rjd`, as the
  // report prints RjdToCalendar's fields. False where it declines (a year
  // outside 1901..9999, or an instant that rounds onto the next day).
  bool Fields(double rjd, char* date, char* clock);

 private:
  std::int16_t zone_;
  double dayStart_ = 1;  // local start of the cached day; empty while above dayEnd_
  double dayEnd_ = 0;
  char date_[11] = {};
};

}  // namespace tevaro::run::fields
