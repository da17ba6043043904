#include "astro/daylight.h"

#include <cmath>

#include "astro/calendar.h"

namespace tevaro::astro {

std::int16_t IntMod(std::int32_t p, std::int16_t q) noexcept {
  return static_cast<std::int16_t>(p - q * (p / q));  // C++ division truncates
}

std::int32_t DayNumber(std::int16_t year, std::int16_t month, std::int16_t day) noexcept {
  return static_cast<std::int32_t>(std::lround(CalendarToRjd(year, month, day, 12, 0, 0)));
}

std::int16_t WeekdayIndex(std::int32_t dayNumber) noexcept { return IntMod(dayNumber + 3, 7); }

bool IsDaylightSavingDate(std::int16_t year, std::int16_t month, std::int16_t day) noexcept {
  const std::int32_t n = DayNumber(year, month, day);
  const std::int32_t a = DayNumber(year, 3, 1);
  const int w = WeekdayIndex(a);
  const std::int32_t start = w == 0 ? a + 8 : (w == 1 ? a + 7 : a + 15 - w);
  const std::int32_t b = DayNumber(year, 11, 1);
  const int v = WeekdayIndex(b);
  const std::int32_t end = v == 0 ? b + 1 : (v == 1 ? b : b + 8 - v);
  return start <= n && n < end;
}

}  // namespace tevaro::astro
