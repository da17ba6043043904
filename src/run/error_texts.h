// The failure texts shown when printing fails, indexed by failure number.
#pragma once

#include <array>
#include <string>

namespace tevaro::run {

class ErrorTexts {
 public:
  static constexpr int kLast = 1000;

  // Puts the program's 33 texts into their slots; every other slot is empty.
  void Fill();
  // The text for failure `number`; empty for a slot without a text or a
  // number outside 0 to 1000.
  const std::string& At(int number) const;
  int Count() const;

 private:
  std::array<std::string, kLast + 1> texts_;
};

// What a failed print shows: the number with a blank in front of it (a minus
// sign for a negative one), then a blank and the number's text. A number
// outside 0 to 1000 has no slot and shows the number alone.
std::string PrintFailureMessage(const ErrorTexts& texts, int number);

}  // namespace tevaro::run
