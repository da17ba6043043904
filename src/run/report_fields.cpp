#include "run/report_fields.h"

#include <cmath>
#include <cstring>

#include "astro/angles.h"
#include "astro/calendar.h"
#include "run/report.h"

namespace tevaro::run::fields {

namespace {

// Exact products of a 53-bit mantissa and a power of ten up to 10^14.
__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kPow10[16] = {1,
                                      10,
                                      100,
                                      1000,
                                      10000,
                                      100000,
                                      1000000,
                                      10000000,
                                      100000000,
                                      1000000000,
                                      10000000000,
                                      100000000000,
                                      1000000000000,
                                      10000000000000,
                                      100000000000000,
                                      1000000000000000};

// Writes the `count` lowest decimal digits of v, zeros in front.
void Digits(std::uint64_t v, int count, char* out) {
  for (int k = count - 1; k >= 0; --k) {
    out[k] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
}

// Two characters of a small whole number as the report cuts NumberText:
// a blank before a single digit.
void TwoChars(int v, char* out) {
  out[0] = v < 10 ? ' ' : static_cast<char>('0' + v / 10);
  out[1] = static_cast<char>('0' + v % 10);
}

}  // namespace

std::size_t GeneralText(double x, char* out) {
  const double a = std::fabs(x);
  if (!(a >= 1 && a < 100000)) return 0;
  int intDigits = 1;
  while (intDigits < 5 && a >= static_cast<double>(kPow10[intDigits])) ++intDigits;
  const int fracDigits = 15 - intDigits;

  // a = mantissa x 2^-shift exactly, with 36 <= shift <= 52 in this range, so
  // a x 10^fracDigits is mantissa x 10^fracDigits / 2^shift, an exact
  // fraction in 128-bit arithmetic.
  int exponent = 0;
  const double m = std::frexp(a, &exponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(m, 53));
  const int shift = 53 - exponent;
  const Wide scaled = static_cast<Wide>(mantissa) * kPow10[fracDigits];
  auto q = static_cast<std::uint64_t>(scaled >> shift);
  const Wide rest = scaled - (static_cast<Wide>(q) << shift);
  const Wide half = static_cast<Wide>(1) << (shift - 1);
  if (rest == half) return 0;  // a tie: left to the general routine
  if (rest > half) ++q;
  if (q >= kPow10[15]) return 0;  // rounded up to a power of ten

  std::size_t n = 0;
  out[n++] = x < 0 ? '-' : ' ';
  Digits(q / kPow10[fracDigits], intDigits, out + n);
  n += static_cast<std::size_t>(intDigits);
  std::uint64_t frac = q % kPow10[fracDigits];
  if (frac != 0) {
    int digits = fracDigits;
    while (frac % 10 == 0) {
      frac /= 10;
      --digits;
    }
    out[n++] = '.';
    // Leading zeros of the fraction, then its remaining digits.
    Digits(frac, digits, out + n);
    n += static_cast<std::size_t>(digits);
  }
  return n;
}

std::size_t TimeText(double x, char* out) {
  if (!(x >= 10000 && x < 100000)) return 0;
  // As GeneralText, with five integer digits and ten decimals.
  int exponent = 0;
  const double m = std::frexp(x, &exponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(m, 53));
  const int shift = 53 - exponent;
  const Wide scaled = static_cast<Wide>(mantissa) * kPow10[10];
  auto q = static_cast<std::uint64_t>(scaled >> shift);
  const Wide rest = scaled - (static_cast<Wide>(q) << shift);
  const Wide half = static_cast<Wide>(1) << (shift - 1);
  if (rest == half) return 0;
  if (rest > half) ++q;
  if (q >= kPow10[15]) return 0;
  out[0] = ' ';
  Digits(q / kPow10[10], 5, out + 1);
  const std::uint64_t frac = q % kPow10[10];
  if (frac == 0) return 6;  // a whole number has no point and is not padded
  // The general text drops the fraction's trailing zeros and the column puts
  // them back up to four decimals: the first four decimals either way.
  out[6] = '.';
  Digits(frac / kPow10[6], 4, out + 7);
  return 11;
}

FixedColumn::FixedColumn(int width, int decimals)
    : width_(width), decimals_(decimals), scale_(decimals == 0 ? 1.0 : 100.0), table_(2 * kRange + 1) {
  for (long k = -kRange; k <= kRange; ++k) {
    Entry& e = table_[static_cast<std::size_t>(k + kRange)];
    // A value whose rounding is k: k itself scaled back.
    e.fits = FixedText(static_cast<double>(k) / scale_, width, decimals, e.text);
  }
  negativeZero_.fits = FixedText(-0.25 / scale_, width, decimals, negativeZero_.text);
}

bool FixedText(double v, int width, int decimals, char* out) {
  if (!std::isfinite(v) || (decimals != 0 && decimals != 2) || width > 15) return false;
  // The rounding of FormatFixed: the scaled value, plus a half, floored.
  const double k = std::floor(v * (decimals == 0 ? 1.0 : 100.0) + 0.5);
  if (!(std::fabs(k) < 1e12)) return false;
  const auto digitsOf = static_cast<std::uint64_t>(std::fabs(k));
  int digits = 1;
  while (digits < 13 && digitsOf >= kPow10[digits]) ++digits;
  if (digits < decimals + 1) digits = decimals + 1;  // a zero before the point
  const int length = (v < 0 ? 1 : 0) + digits + 1;
  if (length > width) return false;
  char* p = out;
  for (int k2 = length; k2 < width; ++k2) *p++ = ' ';
  if (v < 0) *p++ = '-';
  char buf[16];
  Digits(digitsOf, digits, buf);
  const int whole = digits - decimals;
  std::memcpy(p, buf, static_cast<std::size_t>(whole));
  p += whole;
  *p++ = '.';
  std::memcpy(p, buf + whole, static_cast<std::size_t>(decimals));
  return true;
}

bool LocalClock::Split(double rjd, astro::CalendarTime& c) {
  // The local instant and the day split as RjdToCalendar makes them.
  const double t = rjd - zone_ / 24;
  if (!(t >= dayStart_ && t < dayEnd_)) {
    astro::CalendarTime d = astro::RjdToCalendar(rjd, zone_);
    // From 1901 on the year estimate of RjdToCalendar is at most one off and
    // its calendar is the plain one, the same for every instant of a day;
    // earlier years are left to it.
    if (d.year < 1901 || d.year > 9999 || d.month < 1 || d.month > 12) return false;
    const double start = astro::CalendarToRjd(d.year, d.month, d.day, 0, 0, 0);
    // An instant that rounded onto the next day is not that day's.
    if (!(t >= start && t < start + 1)) return false;
    dayStart_ = start;
    dayEnd_ = start + 1;
    day_ = d;
    Digits(static_cast<std::uint64_t>(d.year), 4, date_);
    date_[4] = '_';
    std::memcpy(date_ + 5, kMonthNames[d.month], 3);
    date_[8] = '_';
    TwoChars(d.day, date_ + 9);
  }
  const double f = (t - dayStart_) * 24;
  const auto secs = static_cast<long>(astro::NearestEven(f * 3600));
  if (secs < 0 || secs >= 86400) return false;
  c = day_;
  c.hour = static_cast<std::int16_t>(secs / 3600);
  c.minute = static_cast<std::int16_t>((secs % 3600) / 60);
  c.second = static_cast<std::int16_t>(secs % 60);
  return true;
}

bool LocalClock::Fields(double rjd, char* date, char* clock) {
  astro::CalendarTime c;
  if (!Split(rjd, c)) return false;
  std::memcpy(date, date_, sizeof date_);
  TwoChars(c.hour, clock);
  clock[2] = ':';
  TwoChars(c.minute, clock + 3);
  return true;
}

}  // namespace tevaro::run::fields
