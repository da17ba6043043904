// The star data file reader over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/star_file.h"
#include "data/text.h"
#include "fuzz_check.h"

using namespace tevaro::data;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto r = ParseStarFile(bytes, "fuzz.csv");
  if (!r.ok()) {
    FUZZ_CHECK(r.failure().file == "fuzz.csv");
    FUZZ_CHECK(r.failure().line >= 1);
    FUZZ_CHECK(!r.failure().reason.empty());
    return 0;
  }
  const auto& e = r.value().entries;
  FUZZ_CHECK(!e.empty() && e.size() <= StarTable::kCapacity);
  for (const StarEntry& s : e) {
    FUZZ_CHECK(CharacterCount(s.varType) != 1);
    FUZZ_CHECK(s.raDms - s.raDms == 0 && s.decDms - s.decDms == 0);
    FUZZ_CHECK(s.epoch - s.epoch == 0 && s.period - s.period == 0);
    // A duration is a finite number, or its text is kept, never both.
    FUZZ_CHECK(!s.durationHours || *s.durationHours - *s.durationHours == 0);
    FUZZ_CHECK(!(s.durationHours && s.durationNotNumber));
  }
  return 0;
}
