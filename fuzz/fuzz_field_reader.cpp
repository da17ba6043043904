// Drives FieldReader with an operation sequence taken from the input itself:
// every read must make progress or report the end, and line numbers never
// go back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/field_reader.h"
#include "data/text.h"
#include "fuzz_check.h"

using namespace tevaro::data;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = DecodeText(bytes);
  const std::size_t chars = CharacterCount(text);
  FUZZ_CHECK(CharacterPrefix(text, chars) == text);
  FUZZ_CHECK(CharacterCount(FitCharacters(text, size % 40)) == size % 40);
  FUZZ_CHECK(DecodeText(text) == text || text.rfind("\xEF\xBB\xBF", 0) == 0);

  FieldReader reader(text);
  int line = reader.Line();
  // Each successful read consumes at least one character or ends the text,
  // so the number of reads is bounded by the text's length.
  const std::size_t bound = 2 * text.size() + 4;
  std::size_t reads = 0;
  for (std::size_t k = 0;; ++k) {
    FUZZ_CHECK(++reads <= bound);
    const unsigned op = size ? static_cast<unsigned>(data[k % size]) % 4 : 0;
    bool more = false;
    switch (op) {
      case 0: {
        const auto f = reader.ReadField();
        more = f.has_value();
        if (f) {
          const auto x = ParseNumber(*f);
          if (x) FUZZ_CHECK(*x == *x);  // never NaN
        }
        break;
      }
      case 1: {
        const auto x = reader.ReadReal();
        more = x.has_value();
        if (x) FUZZ_CHECK(*x == *x && *x - *x == 0);  // finite
        break;
      }
      case 2: {
        const auto v = reader.ReadValue();
        more = v.has_value();
        if (v && v->kind == FieldValue::Kind::Number) FUZZ_CHECK(v->number - v->number == 0);
        break;
      }
      default:
        more = reader.ReadLine().has_value();
        break;
    }
    FUZZ_CHECK(reader.Line() >= line);
    line = reader.Line();
    if (!more) break;
  }
  if (!reader.AtEnd()) FUZZ_CHECK(reader.OnlyBlankLinesLeft());
  return 0;
}
