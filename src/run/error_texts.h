// The failure texts shown when printing fails, indexed by failure number.
#pragma once

#include <string>
#include <string_view>

namespace tevaro::run {

inline constexpr int kLastErrorNumber = 1000;

// The text for failure `number`; empty for a number without a text or outside
// 0 to 1000.
std::string_view ErrorText(int number);
// How many numbers have a text.
int ErrorTextCount();

// What a failed print shows: the number with a blank in front of it (a minus
// sign for a negative one), then a blank and the number's text. A number
// outside 0 to 1000 has no slot and shows the number alone.
std::string PrintFailureMessage(int number);

}  // namespace tevaro::run
