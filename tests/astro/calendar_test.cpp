#include "astro/calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace tevaro::astro {
namespace {

using i16 = std::int16_t;

// RJD of 0h UT of a date, from the standard library's own calendar:
// 1970 January 1, 0h UT is RJD 40587.5.
double ChronoRjd(int y, unsigned m, unsigned d) {
  using namespace std::chrono;
  const sys_days days{year{y} / month{m} / day{d}};
  return static_cast<double>(days.time_since_epoch().count()) + 40587.5;
}

void ExpectCalendar(const CalendarTime& c, int y, int mo, int d, int h, int mi, int s) {
  EXPECT_EQ(c.year, y);
  EXPECT_EQ(c.month, mo);
  EXPECT_EQ(c.day, d);
  EXPECT_EQ(c.hour, h);
  EXPECT_EQ(c.minute, mi);
  EXPECT_EQ(c.second, s);
}

TEST(CalendarToRjd, WorkedValues) {
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2000, 1, 1, 0, 0, 0), 51544.5);
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(1975, 1, 0, 0, 0, 0), 42412.5);
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2024, 3, 1, 12, 0, 0), 60371.0);
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2024, 2, 29, 12, 0, 0), 60370.0);
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2000, 1, 1, 18, 0, 0), 51545.25);
  EXPECT_NEAR(CalendarToRjdAt(2024, 3, 20, 3, 6, 0), 60389.629166667, 5e-10);
  EXPECT_NEAR(CalendarToRjdAt(2000, 1, 1, 0, 0, 30.5f), 51544.5 + 30.5 / 86400, 1e-9);
}

TEST(CalendarToRjd, TwoDigitYearsAreWrittenBack) {
  i16 year = 99;
  EXPECT_DOUBLE_EQ(CalendarToRjd(year, 6, 1, 0, 0, 0), 51330.5);  // 1999 June 1
  EXPECT_EQ(year, 1999);
  year = 5;
  EXPECT_DOUBLE_EQ(CalendarToRjd(year, 1, 1, 0, 0, 0), ChronoRjd(1905, 1, 1));
  EXPECT_EQ(year, 1905);
  year = 0;
  CalendarToRjd(year, 1, 1, 0, 0, 0);
  EXPECT_EQ(year, 1900);
  year = 1000;
  CalendarToRjd(year, 1, 1, 0, 0, 0);
  EXPECT_EQ(year, 1000);
}

TEST(CalendarToRjd, DaysOutsideTheMonthRunIntoItsNeighbours) {
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2024, 3, 0, 0, 0, 0), CalendarToRjdAt(2024, 2, 29, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2023, 3, 0, 0, 0, 0), CalendarToRjdAt(2023, 2, 28, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2024, 1, 32, 0, 0, 0), CalendarToRjdAt(2024, 2, 1, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2024, 12, 32, 0, 0, 0), CalendarToRjdAt(2025, 1, 1, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CalendarToRjdAt(2024, 1, 1, 24, 0, 0), CalendarToRjdAt(2024, 1, 2, 0, 0, 0));
}

TEST(CalendarToRjd, AgreesWithAnIndependentCalendarEveryDay) {
  using namespace std::chrono;
  for (sys_days d = sys_days{year{1900} / January / 1}; d <= sys_days{year{2100} / December / 31};
       d += days{1}) {
    const year_month_day ymd{d};
    const double expected = static_cast<double>(d.time_since_epoch().count()) + 40587.5;
    const double got = CalendarToRjdAt(static_cast<i16>(static_cast<int>(ymd.year())),
                                       static_cast<i16>(static_cast<unsigned>(ymd.month())),
                                       static_cast<i16>(static_cast<unsigned>(ymd.day())), 0, 0, 0);
    ASSERT_EQ(got, expected) << static_cast<int>(ymd.year()) << "-" << static_cast<unsigned>(ymd.month()) << "-"
                             << static_cast<unsigned>(ymd.day());
  }
}

TEST(IsLeapYear, GregorianRule) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_TRUE(IsLeapYear(1904));
  for (int y = 1900; y <= 2100; ++y) {
    EXPECT_EQ(IsLeapYear(y), std::chrono::year{y}.is_leap()) << y;
  }
}

TEST(RjdToCalendar, WorkedValues) {
  ExpectCalendar(RjdToCalendar(51544.5, 0), 2000, 1, 1, 0, 0, 0);
  // 31 December of a leap year stays in that year.
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 12, 31, 12, 0, 0), 0), 2024, 12, 31, 12, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2000, 12, 31, 0, 0, 0), 0), 2000, 12, 31, 0, 0, 0);
  // Exactly 0h of 1 March belongs to March.
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 3, 1, 0, 0, 0), 0), 2024, 3, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2023, 3, 1, 0, 0, 0), 0), 2023, 3, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 2, 29, 0, 0, 0), 0), 2024, 2, 29, 0, 0, 0);
  // Local time is UT minus the zone; a zone east of Greenwich is negative.
  ExpectCalendar(RjdToCalendar(51544.5, 5), 1999, 12, 31, 19, 0, 0);
  ExpectCalendar(RjdToCalendar(51544.5, -1), 2000, 1, 1, 1, 0, 0);
}

TEST(RjdToCalendar, SecondsAreRoundedAndNeverSixty) {
  // 2000 January 1, 18:00 UT in zone 8: the local instant lands a hair below
  // 10:00 in double arithmetic, and reads 10:00:00, not 9:59:60.
  ExpectCalendar(RjdToCalendar(51545.25, 8), 2000, 1, 1, 10, 0, 0);
  ExpectCalendar(RjdToCalendar(51545.2500001, 8), 2000, 1, 1, 10, 0, 0);
  ExpectCalendar(RjdToCalendar(51545.25, 0), 2000, 1, 1, 18, 0, 0);
  // Minutes are not rounded up: 19:42:50 stays 19:42.
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 6, 20, 19, 42, 50), 0), 2024, 6, 20, 19, 42, 50);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 6, 20, 19, 42, 29.4f), 0), 2024, 6, 20, 19, 42, 29);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 6, 20, 19, 42, 29.6f), 0), 2024, 6, 20, 19, 42, 30);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 6, 20, 19, 42, 59.6f), 0), 2024, 6, 20, 19, 43, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 6, 20, 19, 59, 59.7f), 0), 2024, 6, 20, 20, 0, 0);
}

TEST(RjdToCalendar, RoundingCarriesAcrossDayMonthAndYearEnds) {
  const double hair = 1e-9;  // about 0.1 ms
  ExpectCalendar(RjdToCalendar(51544.5 - hair, 0), 2000, 1, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(51544.5 + 8.0 / 24 - hair, 8), 2000, 1, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(51544.5 - 1.0 / 24 - hair, -1), 2000, 1, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 2, 1, 0, 0, 0) - hair, 0), 2024, 2, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2023, 3, 1, 0, 0, 0) - hair, 0), 2023, 3, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 2, 29, 0, 0, 0) - hair, 0), 2024, 2, 29, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 4, 30, 23, 59, 59.8f), 0), 2024, 5, 1, 0, 0, 0);
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 12, 31, 23, 59, 59.8f), 0), 2025, 1, 1, 0, 0, 0);
  // Below half a second before midnight the day is kept.
  ExpectCalendar(RjdToCalendar(CalendarToRjdAt(2024, 12, 31, 23, 59, 59.4f), 0), 2024, 12, 31, 23, 59, 59);
}

TEST(RjdToCalendar, RoundTripsEveryDayAtSeveralTimesAndZones) {
  using namespace std::chrono;
  struct Clock {
    i16 hour, minute, second;
  };
  const Clock clocks[] = {{0, 0, 0}, {0, 0, 1}, {6, 30, 15}, {12, 0, 0}, {18, 0, 0}, {19, 42, 50},
                          {23, 59, 59}};
  const i16 zones[] = {0, 8, -1};
  for (sys_days d = sys_days{year{1900} / January / 1}; d <= sys_days{year{2100} / December / 31};
       d += days{1}) {
    const year_month_day ymd{d};
    const auto y = static_cast<i16>(static_cast<int>(ymd.year()));
    const auto m = static_cast<i16>(static_cast<unsigned>(ymd.month()));
    const auto dd = static_cast<i16>(static_cast<unsigned>(ymd.day()));
    for (const Clock& c : clocks) {
      for (i16 zone : zones) {
        // The local clock reading, turned into UT by adding the zone.
        const double rjd = CalendarToRjdAt(y, m, dd, c.hour, c.minute, c.second) + zone / 24.0;
        const CalendarTime t = RjdToCalendar(rjd, zone);
        ASSERT_GE(t.second, 0);
        ASSERT_LE(t.second, 59);
        ASSERT_TRUE(t.year == y && t.month == m && t.day == dd && t.hour == c.hour &&
                    t.minute == c.minute && t.second == c.second)
            << y << "-" << m << "-" << dd << " " << c.hour << ":" << c.minute << ":" << c.second << " zone " << zone
            << " gave " << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":"
            << t.minute << ":" << t.second;
      }
    }
  }
}

TEST(RjdToCalendar, SecondsStayInRangeOverAFineSweep) {
  // Steps of an awkward fraction of a day, so the instants fall everywhere
  // within their seconds, including just below whole minutes.
  for (double rjd = 51544.5; rjd < 51544.5 + 3; rjd += 0.0000123457) {
    const CalendarTime t = RjdToCalendar(rjd, 8);
    ASSERT_GE(t.second, 0) << rjd;
    ASSERT_LE(t.second, 59) << rjd;
    ASSERT_LE(t.minute, 59) << rjd;
    ASSERT_LE(t.hour, 23) << rjd;
    const double back = CalendarToRjdAt(t.year, t.month, t.day, t.hour, t.minute, t.second) + 8.0 / 24;
    ASSERT_NEAR(back, rjd, 0.5 / 86400 + 1e-9) << rjd;
  }
}

}  // namespace
}  // namespace tevaro::astro
