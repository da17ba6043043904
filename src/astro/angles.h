// Angle conversion and the fixed-width number text of the report.
#pragma once

#include <cstdint>
#include <string>

namespace tevaro::astro {

// Degrees per radian, as the whole library uses it. The shortened value is
// deliberate: every printed digit of the reports depends on it.
inline constexpr double DegreesPerRadian = 57.29577951;  // degrees / radian

// Converts a packed sexagesimal value DD.MMSS (hours or degrees) to a decimal
// value with the same sign. 12.30 gives 12.5; minutes or seconds of 60 and more
// are accepted as they stand (12.75 gives 13.25).
double DmsToDegrees(double packed) noexcept;

// Arccosine in degrees, 0 to 180. Arguments within 1e-7 of 0 give 90, within
// 1e-7 of 1 give 0; anything above 1 gives 0 and anything at or below -1 gives
// 180, so rounding noise beyond the ends never fails. NaN gives 90.
double ArcCosDeg(double x) noexcept;

// Arcsine in degrees, -90 to 90; beyond +-0.999999999 it gives +-90. NaN gives 0.
double ArcSinDeg(double x) noexcept;

// Fixed-point text of `value` right-aligned in `width` characters with
// `decimals` decimals (halves rounded toward plus infinity, the point always
// present). A text longer than the width loses fraction digits while the point
// still fits; beyond that the exponent form of FormatExponent is used.
// Non-finite values give "*" padded to the width.
std::string FormatFixed(double value, int width, int decimals);

// Exponent text, mantissa 0.1 <= |m| < 1, as "0.123D+05", padded on the left to
// at least `width` characters.
std::string FormatExponent(double value, int width, int decimals);

// Decimal digits of n with `fill` put in front until `width` is reached.
std::string FormatInteger(int n, int width, const std::string& fill);

// General text of a number: up to 15 significant digits, no trailing zeros, no
// zero before the point (.5), and a leading blank for values not below zero.
// 8 gives " 8", -10 gives "-10", 55686.65 gives " 55686.65".
std::string NumberText(double x);

// The integer nearest to x, a half going to the even neighbour (2.5 -> 2).
double NearestEven(double x) noexcept;

// A finite x brought into the range of one period as subtracting `period`
// while x > period and adding it while x < 0, one period at a time, leaves it:
// (0, period] from above, [0, period) from below, x itself in between. Done
// with an exact remainder, so it ends for any x and equals the stepwise result
// wherever every step is exact (|x| below 2^52 for the periods 24 and 360).
double ReduceToPeriod(double x, double period) noexcept;

}  // namespace tevaro::astro
