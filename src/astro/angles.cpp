#include "astro/angles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tevaro::astro {

double DmsToDegrees(double packed) noexcept {
  const double s = packed > 0 ? 1.0 : (packed < 0 ? -1.0 : 0.0);
  const double a = std::fabs(packed);
  const double d = std::floor(a + 0.0000001);
  const double f = a - d;
  const double m = std::floor(f * 100 + 0.00001);
  const double sec = f * 10000 - m * 100;
  return (m / 60 + d + sec / 3600) * s;
}

double ArcCosDeg(double x) noexcept {
  if (std::isnan(x)) return 90;
  if (std::fabs(x) < 0.0000001) return 90;
  if (std::fabs(x - 1) < 0.0000001) return 0;
  if (x <= -1) return 180;
  if (x > 1) return 0;
  const double r = std::atan(std::sqrt(1 - x * x) / x) * DegreesPerRadian;
  return r < 0 ? r + 180 : r;
}

double ArcSinDeg(double x) noexcept {
  if (std::isnan(x)) return 0;
  if (x > 0.999999999) return 90;
  if (x < -0.999999999) return -90;
  return std::atan(x / std::sqrt(1 - x * x)) * DegreesPerRadian;
}

namespace {

std::string PadLeft(std::string t, int width) {
  if (static_cast<int>(t.size()) < width) t.insert(0, static_cast<std::size_t>(width) - t.size(), ' ');
  return t;
}

// The fixed-point text of FormatFixed. A text too long for the width goes to
// the exponent form only when `mayUseExponent`; the mantissa of the exponent
// form is built with it off, so a mantissa that does not fit (a negative one in
// a field of two characters) is cut to the width instead of going round again.
std::string FixedText(double value, int width, int decimals, bool mayUseExponent) {
  if (!std::isfinite(value)) return PadLeft("*", width);
  if (decimals < 0) decimals = 0;
  const double scale = std::pow(10.0, decimals);
  const double r = std::floor(value * scale + 0.5) / scale;
  // A finite value whose scaled form overflows has more integer digits than
  // any column holds: that is the exponent form's case, not a text "inf".
  if (!std::isfinite(r)) return FormatExponent(value, width, width - 6);

  // Plain positional digits of |r| with exactly `decimals` fraction digits.
  // r is already rounded, so printing it at that precision adds no rounding of
  // its own beyond the representation error.
  const double ar = std::fabs(r);
  // 309 integer digits at most, the point and the decimals.
  char small[352];
  std::string large;
  char* buf = small;
  std::size_t cap = sizeof small;
  if (decimals > 32) {
    large.resize(static_cast<std::size_t>(decimals) + 320);
    buf = large.data();
    cap = large.size();
  }
  const auto res = std::to_chars(buf, buf + cap, ar, std::chars_format::fixed, decimals);
  std::string t;
  t.reserve(static_cast<std::size_t>(res.ptr - buf) + 3);
  if (value < 0) t += '-';
  t.append(buf, res.ptr);
  if (decimals == 0) t += '.';

  const int l = static_cast<int>(t.size());
  if (l <= width) return PadLeft(std::move(t), width);
  if (l - width < decimals + 1 || !mayUseExponent) {
    return t.substr(0, static_cast<std::size_t>(std::max(width, 0)));
  }
  return FormatExponent(value, width, width - 6);
}

}  // namespace

std::string FormatFixed(double value, int width, int decimals) {
  return FixedText(value, width, decimals, true);
}

std::string FormatExponent(double value, int width, int decimals) {
  if (decimals > width - 6) decimals = width - 6;
  if (decimals < 0) decimals = 0;
  std::string t;
  if (!std::isfinite(value)) {
    t = "*";
  } else if (std::fabs(value) <= 1e-16) {
    t = "." + std::string(static_cast<std::size_t>(decimals), '0') + "D+00";
  } else {
    const int e = static_cast<int>(std::floor(std::log(std::fabs(value)) / std::log(10.0))) + 1;
    const double m = value / std::pow(10.0, e);
    t = FixedText(m, decimals + 2, decimals, false) + (e < 0 ? "D-" : "D+") +
        FormatInteger(std::abs(e), 2, "0");
  }
  return PadLeft(std::move(t), width);
}

std::string FormatInteger(int n, int width, const std::string& fill) {
  std::string t = std::to_string(n);
  std::string out;
  for (int k = static_cast<int>(t.size()); k < width; ++k) out += fill;
  return out + t;
}

std::string NumberText(double x) {
  if (std::isnan(x)) return " NaN";
  if (std::isinf(x)) return x > 0 ? " Inf" : "-Inf";
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
  std::string t(buf, res.ptr);
  for (char& c : t)
    if (c == 'e') c = 'E';
  std::string sign = " ";
  if (t[0] == '-') {
    sign = "-";
    t.erase(0, 1);
  }
  const auto ePos = t.find('E');
  std::string mantissa = ePos == std::string::npos ? t : t.substr(0, ePos);
  std::string exponent = ePos == std::string::npos ? "" : t.substr(ePos);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  if (mantissa.size() > 1 && mantissa[0] == '0' && mantissa[1] == '.') mantissa.erase(0, 1);
  if (mantissa == "0") sign = " ";  // negative zero prints as zero
  return sign + mantissa + exponent;
}

double NearestEven(double x) noexcept {
  // std::nearbyint follows the current rounding mode, which is
  // round-to-nearest-even unless a caller changed it.
  return std::nearbyint(x);
}

double ReduceToPeriod(double x, double period) noexcept {
  if (x > period) {
    const double r = std::fmod(x, period);
    return r == 0 ? period : r;
  }
  if (x < 0) {
    const double r = std::fmod(x, period);  // in (-period, 0], exactly
    return r < 0 ? r + period : 0.0;
  }
  return x;
}

}  // namespace tevaro::astro
