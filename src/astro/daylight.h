// The daylight-saving period of Canada and the USA: from the second Sunday in
// March to the first Sunday in November, applied per evening date.
#pragma once

#include <cstdint>

namespace tevaro::astro {

// p - q * trunc(p / q): the remainder with the sign of p. q must not be 0.
std::int16_t IntMod(std::int32_t p, std::int16_t q) noexcept;

// Whole RJD of noon on a date (a date's day number).
std::int32_t DayNumber(std::int16_t year, std::int16_t month, std::int16_t day) noexcept;

// Weekday index of a day number: 0 Saturday, 1 Sunday, ... 6 Friday.
std::int16_t WeekdayIndex(std::int32_t dayNumber) noexcept;

// True when the evening date lies in the daylight-saving period of its year.
// The second Sunday of March is inside, the first Sunday of November is not.
bool IsDaylightSavingDate(std::int16_t year, std::int16_t month, std::int16_t day) noexcept;

}  // namespace tevaro::astro
