#include "astro/calendar.h"

#include <cmath>

#include "astro/angles.h"

namespace tevaro::astro {

namespace {

constexpr int kMonthDays[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

int MonthLength(int year, int month) {
  return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

}  // namespace

double CalendarToRjd(std::int16_t& year, std::int16_t month, std::int16_t day,
                     std::int16_t hour, std::int16_t minute, float second) noexcept {
  if (year < 1000) year = static_cast<std::int16_t>(year + 1900);
  // Months counted from March, so that the leap day ends the counting year.
  std::int32_t y = year;
  std::int32_t m = month;
  if (m < 3) {
    y -= 1;
    m += 9;
  } else {
    m -= 3;
  }
  const std::int32_t c = y / 100;  // truncating, as in the day-number formula
  const std::int32_t a = y % 100;
  const std::int32_t jdn = (146097 * c) / 4 + (1461 * a) / 4 + (153 * m + 2) / 5 + day + 1721119;
  const double t = hour + static_cast<double>(minute) / 60 + static_cast<double>(second) / 3600;
  return t / 24 + jdn - 2400000.5;
}

CalendarTime RjdToCalendar(double rjd, double zone) noexcept {
  const double t = rjd - zone / 24;
  auto year = static_cast<std::int16_t>(std::trunc((t - 15020.5) / 365.25) + 1900);
  double start = CalendarToRjd(year, 1, 1, 0, 0, 0);
  if (t < start) {
    year = static_cast<std::int16_t>(year - 1);
    start = CalendarToRjd(year, 1, 1, 0, 0, 0);
  }
  if (t - start >= (IsLeapYear(year) ? 366 : 365)) {
    year = static_cast<std::int16_t>(year + 1);
    start = CalendarToRjd(year, 1, 1, 0, 0, 0);
  }

  int month = 12;
  double s = start;
  for (int k = 2; k <= 12; ++k) {
    s += MonthLength(year, k - 1);
    if (s > t) {
      month = k - 1;
      break;
    }
  }
  const auto m16 = static_cast<std::int16_t>(month);
  int day = static_cast<int>(std::trunc(t - CalendarToRjd(year, m16, 1, 0, 0, 0))) + 1;
  const double f = (t - CalendarToRjd(year, m16, static_cast<std::int16_t>(day), 0, 0, 0)) * 24;

  // Whole seconds of the local day; a reading a hair below a full minute
  // becomes that minute rather than second 60.
  long secs = static_cast<long>(NearestEven(f * 3600));
  if (secs < 0) secs = 0;
  if (secs >= 86400) {
    secs -= 86400;
    if (++day > MonthLength(year, month)) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  return CalendarTime{year, static_cast<std::int16_t>(month), static_cast<std::int16_t>(day),
                      static_cast<std::int16_t>(secs / 3600),
                      static_cast<std::int16_t>((secs % 3600) / 60),
                      static_cast<std::int16_t>(secs % 60)};
}

bool IsLeapYear(int year) noexcept {
  return year % 400 == 0 || (year % 100 != 0 && year % 4 == 0);
}

}  // namespace tevaro::astro
