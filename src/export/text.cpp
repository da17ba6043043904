#include "export/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tevaro::exports {

namespace {

// A plain decimal number: an optional sign, digits with or without a point,
// an optional exponent.
bool IsPlainNumber(std::string_view t) {
  std::size_t i = t.empty() || (t[0] != '+' && t[0] != '-') ? 0 : 1;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i - from;
  };
  std::size_t mantissa = digits();
  if (i < t.size() && t[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

void AppendIso(std::string& out, double rjd, double zone, bool utc) {
  char buf[kIsoRoom];
  out.append(buf, PutIso(buf, astro::RjdToCalendar(rjd, zone), zone, utc));
}

}  // namespace

void AppendNumber(std::string& out, double x) {
  std::array<char, 32> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), x);
  out.append(buf.data(), r.ptr);
}

char* PutFixed(char* p, double x, int decimals) {
  static constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double scaled = std::fabs(x) * kScale[decimals];
  if (!(scaled < 9e15))  // beyond the integers a double holds exactly, or not a number
    return std::to_chars(p, p + kFixedRoom, x, std::chars_format::fixed, decimals).ptr;
  static constexpr auto kPairs = [] {
    std::array<char, 200> pairs{};
    for (int k = 0; k < 100; ++k) {
      pairs[2 * k] = static_cast<char>('0' + k / 10);
      pairs[2 * k + 1] = static_cast<char>('0' + k % 10);
    }
    return pairs;
  }();
  // The nearest integer to the exact |x| x 10^d, ties to even: the
  // product's own rounding error (exact, from an fma) settles the cases
  // where the rounded product sits on or beyond a half.
  double nearest = std::nearbyint(scaled);
  const double rest = (scaled - nearest) + std::fma(std::fabs(x), kScale[decimals], -scaled);
  if (rest > 0.5) nearest += 1;
  else if (rest < -0.5) nearest -= 1;
  auto n = static_cast<std::uint64_t>(nearest);
  const bool negative = x < 0 && n != 0;
  // The digits from the last, into the end of a buffer, then moved to p.
  char buf[24];
  char* q = buf + sizeof buf;
  int k = 0;
  for (; k + 2 <= decimals; k += 2, n /= 100) std::memcpy(q -= 2, &kPairs[2 * (n % 100)], 2);
  if (k < decimals) {
    *--q = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  if (decimals > 0) *--q = '.';
  for (; n >= 10; n /= 100) std::memcpy(q -= 2, &kPairs[2 * (n % 100)], 2);
  if (n > 0 || q == buf + sizeof buf || *q == '.') *--q = static_cast<char>('0' + n);
  if (negative) *--q = '-';
  const auto length = static_cast<std::size_t>(buf + sizeof buf - q);
  std::memcpy(p, q, length);
  return p + length;
}

void AppendFixed(std::string& out, double x, int decimals) {
  char buf[kFixedRoom];
  out.append(buf, PutFixed(buf, x, decimals));
}

std::string CsvNumber(double x, int decimals) {
  std::string s;
  AppendFixed(s, x, std::clamp(decimals, 0, 9));
  return s;
}

char* PutIso(char* p, const astro::CalendarTime& c, double zone, bool utc) {
  if (c.year < 0 || c.year > 9999) {
    std::memcpy(p, "invalid", 7);
    return p + 7;
  }
  const auto two = [&p](long v, char after) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
    p += 2;
    if (after) *p++ = after;
  };
  two(c.year / 100, 0);
  two(c.year % 100, '-');
  two(c.month, '-');
  two(c.day, 'T');
  two(c.hour, ':');
  two(c.minute, ':');
  two(c.second, 0);
  if (utc) {
    *p++ = 'Z';
    return p;
  }
  const long offset = std::lround(-zone * 60);  // minutes east
  *p++ = offset < 0 ? '-' : '+';
  two(std::labs(offset) / 60 % 100, ':');
  two(std::labs(offset) % 60, 0);
  return p;
}

char* PutIso(char* p, run::fields::LocalClock& clock, double rjd, bool utc) {
  astro::CalendarTime c;
  if (!clock.Split(rjd, c)) c = astro::RjdToCalendar(rjd, clock.zone());
  return PutIso(p, c, clock.zone(), utc);
}

std::string IsoLocal(double rjd, double zone) {
  std::string s;
  AppendIso(s, rjd, zone, false);
  return s;
}

std::string IsoUtc(double rjd) {
  std::string s;
  AppendIso(s, rjd, 0, true);
  return s;
}

void AppendField(std::string& out, std::string_view text) {
  std::string guarded;
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos &&
      !IsPlainNumber(text)) {
    guarded = "'" + std::string(text);
    text = guarded;
  }
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(text);
    return;
  }
  out.push_back('"');
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

const char* EventLabel(std::uint8_t phase) {
  static constexpr const char* kLabels[5] = {"", "I", ".25", "II", ".75"};
  return kLabels[phase <= 4 ? phase : 0];
}

const char* EventName(std::uint8_t phase) {
  switch (phase) {
    case 1: return "primary minimum";
    case 3: return "secondary minimum";
    case 2: return "maximum .25";
    default: return "maximum .75";
  }
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  std::size_t k = 0;
  while (k < s.size() && s[k] == ' ') ++k;
  return s.substr(k);
}

Sexagesimal ToSexagesimal(double value, int decimals) {
  Sexagesimal s;
  s.negative = value < 0;
  const double scale = decimals > 0 ? 10 : 1;
  // Tenths (or whole seconds) of the whole value, rounded once.
  const auto ticks = static_cast<long long>(std::llround(std::fabs(value) * 3600 * scale));
  const long long perMinute = static_cast<long long>(60 * scale);
  s.units = static_cast<long>(ticks / (60 * perMinute));
  s.minutes = static_cast<long>(ticks / perMinute % 60);
  s.seconds = static_cast<long>(ticks % perMinute / static_cast<long long>(scale));
  s.tenths = decimals > 0 ? static_cast<long>(ticks % 10) : 0;
  if (ticks == 0) s.negative = false;
  return s;
}

}  // namespace tevaro::exports
