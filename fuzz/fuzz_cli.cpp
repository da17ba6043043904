// The batch front end's command line and the number reading of the fields:
// arguments separated by NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "fuzz_check.h"
#include "run/number_input.h"
#include "run/validation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  for (std::size_t from = 0; from <= bytes.size();) {
    const std::size_t nul = std::min(bytes.find('\0', from), bytes.size());
    args.push_back(bytes.substr(from, nul - from));
    from = nul + 1;
  }
  std::string error;
  const auto options = tevaro::app::ParseCli(args, error);
  FUZZ_CHECK(options.has_value() == error.empty());
  // Only --help and --version go without a star file.
  if (options) FUZZ_CHECK(options->help || options->version || !options->stars.empty());

  for (const std::string& a : args) {
    const double x = tevaro::run::ReadNumber(a);
    FUZZ_CHECK(x == x);
    FUZZ_CHECK(tevaro::run::ReadInt16(a) == tevaro::run::NearestInt16(x));
    std::array<int, 4> boxes{};
    if (tevaro::app::ParseEvents(a, boxes, error))
      for (int b : boxes) FUZZ_CHECK(b == 0 || b == 1);
    else
      FUZZ_CHECK(error.rfind("--events", 0) == 0);
    // A field's check: a whole number passes, anything after it fails, and
    // the message quotes the text with no raw control character.
    const bool number = tevaro::run::IsNumberText(a);
    if (number) FUZZ_CHECK(tevaro::run::IsNumberText(" " + a + "\t") && !tevaro::run::IsNumberText(a + "x"));
    const std::string message = tevaro::run::CheckNumberField("latitude", a);
    FUZZ_CHECK(message.empty() == number);
    for (const char c : message) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
    tevaro::run::InputFields in;
    tevaro::app::SplitDate(a, in);
    FUZZ_CHECK(in.year.size() + in.month.size() + in.day.size() <= a.size());
  }
  return 0;
}
