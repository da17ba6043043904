// Quick forms of the report's number fields. Each one covers only the values
// on which it gives exactly the text of the general routines (NumberText,
// FormatFixed, RjdToCalendar); elsewhere it declines and the caller takes the
// general routine.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "astro/calendar.h"

namespace tevaro::run::fields {

// NumberText(x) for 1 <= |x| < 100000: up to 17 characters into `out`.
// Returns the length, or 0 where it declines (outside that range, or where
// the rounding to 15 significant digits is an exact tie or reaches the next
// power of ten).
std::size_t GeneralText(double x, char* out);

// The report's time column for 10000 <= x < 100000: NumberText(x) cut to
// 11 characters, with zeros appended up to four decimals when the text is 8
// to 10 characters long. Writes 11 or 6 characters into `out` and returns the
// count, or 0 where GeneralText would decline.
std::size_t TimeText(double x, char* out);

// FormatFixed(v, width, decimals) for decimals 0 or 2 and widths up to 15:
// exactly `width` characters into `out`. False where it declines (v not
// finite, or a text that does not fit the width).
bool FixedText(double v, int width, int decimals, char* out);

// FixedText for one width and number of decimals as a table of the texts of
// every rounded value from -9999 to 9999 (FixedText depends on the value only
// through its rounding and its sign); other values go to FixedText.
class FixedColumn {
 public:
  FixedColumn(int width, int decimals);
  bool Write(double v, char* out) const {
    const double k = std::floor(v * scale_ + 0.5);
    if (k > -kRange && k < kRange) {
      const auto i = static_cast<std::ptrdiff_t>(k) + kRange;
      const Entry& e = (v < 0 && k == 0) ? negativeZero_ : table_[static_cast<std::size_t>(i)];
      if (e.fits) {
        std::memcpy(out, e.text, static_cast<std::size_t>(width_));
        return true;
      }
      return false;
    }
    return FixedText(v, width_, decimals_, out);
  }

 private:
  static constexpr long kRange = 10000;
  struct Entry {
    char text[16];
    bool fits;
  };
  int width_, decimals_;
  double scale_;
  std::vector<Entry> table_;
  Entry negativeZero_;
};

// The local calendar fields of an event time, kept for one local day at a
// time so that events of the same day share the calendar arithmetic.
class LocalClock {
 public:
  // `zone`: hours west of Greenwich.
  explicit LocalClock(double zone) : zone_(zone) {}

  double zone() const { return zone_; }

  // RjdToCalendar(rjd, zone). False where it declines (a year outside
  // 1901..9999, or an instant that rounds onto the next day).
  bool Split(double rjd, astro::CalendarTime& c);

  // "yyyy_Mon_dd" (11 characters) and "hh:mm" (5 characters) of `rjd`, as the
  // report prints RjdToCalendar's fields; false where Split declines.
  bool Fields(double rjd, char* date, char* clock);

 private:
  double zone_;
  double dayStart_ = 1;  // local start of the cached day; empty while above dayEnd_
  double dayEnd_ = 0;
  astro::CalendarTime day_{};
  char date_[11] = {};
};

}  // namespace tevaro::run::fields
