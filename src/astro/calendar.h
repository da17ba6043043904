// Gregorian calendar and reduced Julian dates (RJD = JD - 2400000; whole values
// fall at noon UT, 51544.5 is 2000 January 1, 0h UT).
#pragma once

#include <cstdint>

namespace tevaro::astro {

// RJD of a calendar instant, the fields read as UT (no zone is applied).
// `year` is in-out: a year below 1000 is replaced by year + 1900 (99 -> 1999).
// The day is not validated: day 0 is the last day of the previous month, and a
// day or hour past the end runs on into the next. Month must be 1 to 12.
double CalendarToRjd(std::int16_t& year, std::int16_t month, std::int16_t day,
                     std::int16_t hour, std::int16_t minute, float second) noexcept;

// The same for a year the caller keeps unchanged.
inline double CalendarToRjdAt(std::int16_t year, std::int16_t month, std::int16_t day,
                              std::int16_t hour, std::int16_t minute, float second) noexcept {
  return CalendarToRjd(year, month, day, hour, minute, second);
}

struct CalendarTime {
  std::int16_t year, month, day, hour, minute, second;
};

// Local calendar date and time of `rjd` in time zone `zone` (hours, positive
// west: local = UT - zone). The instant is rounded to the nearest whole second
// before it is split, carrying into minute, hour and date, so second is always
// 0 to 59; within the minute hour and minute are truncated (19:42:50 is 19:42).
CalendarTime RjdToCalendar(double rjd, double zone) noexcept;

bool IsLeapYear(int year) noexcept;

}  // namespace tevaro::astro
