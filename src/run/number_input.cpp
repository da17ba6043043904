#include "run/number_input.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace tevaro::run {

namespace {

// The longest leading numeric part of `text` after its blanks: its characters
// (sign, digits, point, exponent as "e") and where it ends in `text`.
struct NumericPart {
  std::string number;  // empty when the text holds no number
  std::size_t end = 0;
};

NumericPart ScanNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string num;
  if (i < n && (text[i] == '+' || text[i] == '-')) num += text[i++];
  bool digits = false;
  while (i < n && text[i] >= '0' && text[i] <= '9') { num += text[i++]; digits = true; }
  if (i < n && text[i] == '.') {
    num += text[i++];
    while (i < n && text[i] >= '0' && text[i] <= '9') { num += text[i++]; digits = true; }
  }
  if (!digits) return {};
  // An exponent counts only when digits follow it ("12e" reads as 12).
  if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    if (j < n && (text[j] == '+' || text[j] == '-')) exp += text[j++];
    bool expDigits = false;
    while (j < n && text[j] >= '0' && text[j] <= '9') { exp += text[j++]; expDigits = true; }
    if (expDigits) {
      num += exp;
      i = j;
    }
  }
  return {num, i};
}

}  // namespace

double ReadNumber(std::string_view text) {
  const NumericPart part = ScanNumber(text);
  if (part.number.empty()) return 0;
  double v = std::strtod(part.number.c_str(), nullptr);
  // A number too large for a double is held at the largest one, so the checks
  // still see it as far out of range.
  if (std::isinf(v)) v = std::copysign(std::numeric_limits<double>::max(), v);
  return v;
}

bool IsNumberText(std::string_view text) {
  const NumericPart part = ScanNumber(text);
  if (part.number.empty()) return false;
  for (std::size_t i = part.end; i < text.size(); ++i)
    if (text[i] != ' ' && text[i] != '\t') return false;
  return true;
}

std::optional<std::int16_t> NearestInt16(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= -32768 && r <= 32767)) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

std::optional<std::int16_t> ReadInt16(std::string_view text) { return NearestInt16(ReadNumber(text)); }

}  // namespace tevaro::run
