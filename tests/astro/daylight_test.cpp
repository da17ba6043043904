#include "astro/daylight.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace tevaro::astro {
namespace {

using i16 = std::int16_t;

TEST(IntMod, RemainderHasTheSignOfTheDividend) {
  EXPECT_EQ(IntMod(10, 7), 3);
  EXPECT_EQ(IntMod(14, 7), 0);
  EXPECT_EQ(IntMod(-1, 7), -1);
  EXPECT_EQ(IntMod(-15, 7), -1);
  EXPECT_EQ(IntMod(60374, 7), 6);  // beyond 16 bits
  EXPECT_EQ(IntMod(-60374, 7), -6);
  EXPECT_EQ(IntMod(10, -7), 3);
}

TEST(WeekdayIndex, WorkedDays) {
  EXPECT_EQ(DayNumber(2024, 3, 1), 60371);
  EXPECT_EQ(WeekdayIndex(DayNumber(2024, 3, 1)), 6);  // Friday
  EXPECT_EQ(WeekdayIndex(DayNumber(2024, 3, 2)), 0);  // Saturday
  EXPECT_EQ(WeekdayIndex(DayNumber(2024, 3, 3)), 1);  // Sunday
  EXPECT_EQ(WeekdayIndex(DayNumber(2000, 1, 1)), 0);  // Saturday
}

TEST(IsDaylightSavingDate, WorkedDates) {
  struct Case {
    i16 year, month, day;
    bool dst;
  };
  const Case cases[] = {
      // 2024: from 10 March to 3 November.
      {2024, 3, 9, false}, {2024, 3, 10, true}, {2024, 11, 2, true}, {2024, 11, 3, false},
      {2024, 7, 1, true}, {2024, 1, 15, false}, {2024, 12, 31, false},
      // 2025: 1 March and 1 November are Saturdays.
      {2025, 3, 8, false}, {2025, 3, 9, true}, {2025, 11, 1, true}, {2025, 11, 2, false},
      // 2026: 1 March and 1 November are Sundays.
      {2026, 3, 7, false}, {2026, 3, 8, true}, {2026, 10, 31, true}, {2026, 11, 1, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsDaylightSavingDate(c.year, c.month, c.day), c.dst)
        << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(IsDaylightSavingDate, SecondSundayOfMarchToFirstSundayOfNovemberEveryYear) {
  using namespace std::chrono;
  for (int y = 1900; y <= 2100; ++y) {
    const sys_days start{year{y} / March / Sunday[2]};
    const sys_days end{year{y} / November / Sunday[1]};
    for (sys_days d = sys_days{year{y} / January / 1}; d <= sys_days{year{y} / December / 31};
         d += days{1}) {
      const year_month_day ymd{d};
      const auto m = static_cast<i16>(static_cast<unsigned>(ymd.month()));
      const auto dd = static_cast<i16>(static_cast<unsigned>(ymd.day()));
      const bool expected = start <= d && d < end;
      ASSERT_EQ(IsDaylightSavingDate(static_cast<i16>(y), m, dd), expected)
          << y << "-" << m << "-" << dd;
    }
  }
}

TEST(WeekdayIndex, AgreesWithTheCalendarEveryDay) {
  using namespace std::chrono;
  for (sys_days d = sys_days{year{1900} / January / 1}; d <= sys_days{year{2100} / December / 31};
       d += days{1}) {
    const year_month_day ymd{d};
    const i16 index = WeekdayIndex(DayNumber(static_cast<i16>(static_cast<int>(ymd.year())),
                                             static_cast<i16>(static_cast<unsigned>(ymd.month())),
                                             static_cast<i16>(static_cast<unsigned>(ymd.day()))));
    // 0 is Saturday, 1 Sunday ... 6 Friday; chrono counts 0 Sunday ... 6 Saturday.
    ASSERT_EQ(index, static_cast<i16>((weekday{d}.c_encoding() + 1) % 7))
        << static_cast<int>(ymd.year()) << "-" << static_cast<unsigned>(ymd.month()) << "-"
        << static_cast<unsigned>(ymd.day());
  }
}

}  // namespace
}  // namespace tevaro::astro
