#include "run/report_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <cstring>
#include <string>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "run/report.h"
#include "support/catalogue.h"

namespace tevaro::run {
namespace {

// The quick general text, or "(declined)".
std::string Quick(double x) {
  char buf[24];
  const std::size_t n = fields::GeneralText(x, buf);
  return n ? std::string(buf, n) : "(declined)";
}

std::string QuickFixed(double v, int width, int decimals) {
  char buf[16];
  return fields::FixedText(v, width, decimals, buf) ? std::string(buf, static_cast<std::size_t>(width))
                                                    : "(declined)";
}

TEST(GeneralTextTest, WorkedValuesAndTheEndsOfItsRange) {
  EXPECT_EQ(Quick(55686.65), " 55686.65");
  EXPECT_EQ(Quick(55686.5), " 55686.5");
  EXPECT_EQ(Quick(55686.0), " 55686");
  EXPECT_EQ(Quick(55686.65432109), " 55686.65432109");
  EXPECT_EQ(Quick(1.2345), " 1.2345");
  EXPECT_EQ(Quick(-12.345), "-12.345");
  EXPECT_EQ(Quick(1), " 1");
  EXPECT_EQ(Quick(99999.99999), " 99999.99999");
  // 15 significant digits round up into the next power of ten: declined.
  EXPECT_EQ(Quick(std::nextafter(100000.0, 0.0)), "(declined)");
  EXPECT_EQ(Quick(std::nextafter(10.0, 0.0)), "(declined)");
  for (double x : {0.5, 0.0, -0.999, 100000.0, 1e9, std::nan(""), HUGE_VAL}) EXPECT_EQ(Quick(x), "(declined)") << x;
}

// Over its whole range the quick text is NumberText's, wherever it gives one,
// and it declines only rarely.
TEST(GeneralTextTest, EqualsNumberTextOnMillionsOfValues) {
  testing::Random r(424242);
  std::size_t declined = 0, compared = 0;
  auto check = [&](double x) {
    char buf[24];
    const std::size_t n = fields::GeneralText(x, buf);
    if (n == 0) {
      ++declined;
      return;
    }
    ++compared;
    ASSERT_EQ(std::string(buf, n), astro::NumberText(x)) << std::hexfloat << x;
  };
  for (int k = 0; k < 1500000; ++k) {
    // Every binade of the range, every bit pattern of the mantissa.
    const double x = std::ldexp(1 + r.Uniform(), static_cast<int>(r.Next() % 17));
    if (x < 100000) check(k % 2 ? x : -x);
  }
  for (int k = 0; k < 500000; ++k) {
    // Event times and airmasses as the run makes them: few decimals, and
    // values a few ulps from a decimal boundary.
    const double t = std::round(r.Uniform(10000, 99999) * 1e4) / 1e4;
    check(t);
    check(std::nextafter(t, 0.0));
    check(std::nextafter(t, 1e6));
    check(1 / std::cos(r.Uniform(0, 1.5)));
  }
  EXPECT_GT(compared, 3000000u);
  EXPECT_LT(declined, compared / 1000);
}

// The time column as the report's literal formatter cuts NumberText.
std::string TimeColumn(double x) {
  std::string t = astro::NumberText(x).substr(0, 11);
  if (t.size() >= 8 && t.size() <= 10) t.append(11 - t.size(), '0');
  return t;
}

TEST(TimeTextTest, EqualsTheCutNumberTextOnMillionsOfTimes) {
  char buf[16];
  auto quick = [&](double x) {
    const std::size_t n = fields::TimeText(x, buf);
    return n ? std::string(buf, n) : std::string("(declined)");
  };
  EXPECT_EQ(quick(55686.5), " 55686.5000");
  EXPECT_EQ(quick(55686.65432109), " 55686.6543");
  EXPECT_EQ(quick(55686.0), " 55686");
  EXPECT_EQ(quick(55686.00000000001), " 55686");  // 15 digits round the fraction away
  EXPECT_EQ(quick(55686.99999999999), " 55687");
  EXPECT_EQ(quick(std::nextafter(100000.0, 0.0)), "(declined)");
  for (double x : {9999.5, -55686.5, 100000.0, std::nan("")}) EXPECT_EQ(quick(x), "(declined)") << x;

  testing::Random r(5);
  std::size_t declined = 0;
  for (int k = 0; k < 2000000; ++k) {
    double x = r.Uniform(10000, 100000);
    if (k % 4 == 1) x = std::round(x * 1e4) / 1e4;               // four decimals exactly
    if (k % 4 == 2) x = std::nextafter(std::round(x), k % 8 < 4 ? 0.0 : 1e6);  // beside a whole day
    if (k % 4 == 3) x = std::round(x * 2e10) / 2e10;              // at a rounding tie of the 15 digits
    const std::size_t n = fields::TimeText(x, buf);
    if (n == 0) {
      ++declined;
      continue;
    }
    ASSERT_EQ(std::string(buf, n), TimeColumn(x)) << std::setprecision(17) << x;
  }
  EXPECT_LT(declined, 2000u);
}

TEST(FixedColumnTest, EqualsFormatFixedInAndBeyondItsTable) {
  testing::Random r(11);
  for (const auto& [width, decimals] : {std::pair{5, 0}, std::pair{4, 0}, std::pair{6, 2}}) {
    const fields::FixedColumn column(width, decimals);
    auto check = [&](double v) {
      char buf[16];
      if (!column.Write(v, buf)) {
        // Declined only where FixedText declines too (the text does not fit).
        char direct[16];
        ASSERT_FALSE(fields::FixedText(v, width, decimals, direct)) << v;
        return;
      }
      ASSERT_EQ(std::string(buf, static_cast<std::size_t>(width)), astro::FormatFixed(v, width, decimals))
          << v << " width " << width;
    };
    for (double v : {0.0, -0.0, -0.25, 0.49, -0.49, -0.5, 0.5, 359.6, 89.5, -2.345, -9999.4, 9999.4, 1e6, -1e6})
      check(decimals ? v / 100 : v);
    for (int k = 0; k < 300000; ++k) check(r.Uniform(-12000, 12000) / (decimals ? 100 : 1));
  }
}

// FixedText depends on the value only through floor(v x 10^d + 0.5) and its
// sign, as FormatFixed does: every whole-number outcome of the report's
// widths is compared, each with values at both ends of its rounding interval.
TEST(FixedTextTest, EqualsFormatFixedForEveryRoundedValue) {
  struct Form {
    int width, decimals;
  };
  for (const Form f : {Form{4, 0}, Form{5, 0}, Form{6, 2}}) {
    const double scale = f.decimals ? 100.0 : 1.0;
    std::size_t declined = 0;
    for (long k = -120000; k <= 120000; ++k) {
      const double centre = static_cast<double>(k) / scale;
      for (const double v : {centre, centre - 0.4999 / scale, centre + 0.4999 / scale}) {
        char buf[16];
        const std::string general = astro::FormatFixed(v, f.width, f.decimals);
        if (!fields::FixedText(v, f.width, f.decimals, buf)) {
          ++declined;
          // Declined only where the general text does not fit the width.
          const std::size_t digits = std::max<std::size_t>(std::to_string(std::labs(k)).size(),
                                                           static_cast<std::size_t>(f.decimals) + 1);
          ASSERT_GT((v < 0 ? 1 : 0) + digits + 1, static_cast<std::size_t>(f.width)) << v;
          continue;
        }
        ASSERT_EQ(std::string(buf, static_cast<std::size_t>(f.width)), general)
            << v << " width " << f.width << " decimals " << f.decimals;
      }
    }
    EXPECT_GT(declined, 0u);
  }
}

TEST(FixedTextTest, SignsRoundingAndWhatItLeavesAlone) {
  EXPECT_EQ(QuickFixed(359.6, 5, 0), " 360.");
  EXPECT_EQ(QuickFixed(89.5, 4, 0), " 90.");
  EXPECT_EQ(QuickFixed(-2.345, 6, 2), " -2.35");
  EXPECT_EQ(QuickFixed(-0.3, 4, 0), " -0.");  // the sign of the value, not of the rounding
  EXPECT_EQ(QuickFixed(-0.001, 6, 2), " -0.00");
  EXPECT_EQ(QuickFixed(0.004, 6, 2), "  0.00");
  EXPECT_EQ(QuickFixed(-999.5, 5, 0), "-999.");
  EXPECT_EQ(QuickFixed(-9999.5, 5, 0), "(declined)");
  EXPECT_EQ(QuickFixed(std::nan(""), 5, 0), "(declined)");
  EXPECT_EQ(QuickFixed(1.25, 6, 1), "(declined)");
}

// The report's date and clock fields of RjdToCalendar, written as the report
// cuts them.
std::string GeneralFields(double rjd, std::int16_t zone) {
  const astro::CalendarTime c = astro::RjdToCalendar(rjd, zone);
  auto last = [](const std::string& s, std::size_t n) { return s.size() > n ? s.substr(s.size() - n) : s; };
  return last(astro::NumberText(c.year), 4) + "_" + kMonthNames[c.month] + "_" + last(astro::NumberText(c.day), 2) +
         " " + last(astro::NumberText(c.hour), 2) + ":" + last(astro::NumberText(c.minute), 2);
}

TEST(LocalClockTest, EqualsRjdToCalendarAcrossDaysYearsAndZones) {
  testing::Random r(19420);
  std::size_t declined = 0, compared = 0;
  auto check = [&](fields::LocalClock& clock, std::int16_t zone, double rjd) {
    char date[11], hhmm[5];
    if (!clock.Fields(rjd, date, hhmm)) {
      ++declined;
      return;
    }
    ++compared;
    ASSERT_EQ(std::string(date, 11) + " " + std::string(hhmm, 5), GeneralFields(rjd, zone))
        << std::setprecision(17) << rjd << " zone " << zone;
  };
  // Runs of nearby times, as a sorted report has them, across leap days,
  // year ends and centuries up to 9999.
  for (std::int16_t zone = -13; zone <= 12; zone += 5) {
    fields::LocalClock clock(zone);
    for (int run = 0; run < 400; ++run) {
      double t = r.Uniform(15100, 2900000);
      for (int k = 0; k < 300; ++k, t += r.Uniform(0, 0.2)) check(clock, zone, t);
    }
  }
  EXPECT_GT(compared, 500000u);
  EXPECT_LT(declined, compared / 1000);

  // Times a hair before and after local midnights, and half a second before
  // (the seconds round onto the next day there: declined).
  declined = compared = 0;
  for (std::int16_t zone = -13; zone <= 12; zone += 5) {
    fields::LocalClock clock(zone);
    for (int k = 0; k < 20000; ++k) {
      const double midnight = std::floor(r.Uniform(40000, 70000)) + 0.5 + zone / 24.0;
      for (double d : {-1e-9, 0.0, 1e-9, -0.4 / 86400, -0.6 / 86400, 0.5 / 86400}) check(clock, zone, midnight + d);
    }
  }
  EXPECT_GT(compared, 200000u);
  EXPECT_GT(declined, 0u);
}

TEST(LocalClockTest, DeclinesYearsBefore1901AndAfter9999) {
  fields::LocalClock clock(0);
  char date[11], hhmm[5];
  EXPECT_FALSE(clock.Fields(-700000, date, hhmm));
  EXPECT_FALSE(clock.Fields(15020.4, date, hhmm));  // 1899
  EXPECT_FALSE(clock.Fields(3000000, date, hhmm));
  ASSERT_TRUE(clock.Fields(55686.6543, date, hhmm));
  EXPECT_EQ(std::string(date, 11) + " " + std::string(hhmm, 5), "2011_May_ 5  3:42");
}

}  // namespace
}  // namespace tevaro::run
