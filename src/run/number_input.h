// The numeric reading rule of the window's text fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tevaro::run {

// Value of a field's text: leading blanks skipped, the longest leading numeric
// part read (sign, digits, point, exponent), anything after it ignored; a text
// without a number reads as 0.
double ReadNumber(std::string_view text);

// Whether the whole text is one number under that rule: blanks around it,
// nothing else after it. "5O.123", "abc" and an empty text are not.
bool IsNumberText(std::string_view text);

// The nearest 16-bit integer (a half going to the even neighbour), or nullopt
// when the value does not fit 16 bits.
std::optional<std::int16_t> NearestInt16(double value);

// A field read into a 16-bit integer; nullopt when out of range.
std::optional<std::int16_t> ReadInt16(std::string_view text);

}  // namespace tevaro::run
