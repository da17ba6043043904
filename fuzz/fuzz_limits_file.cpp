// The site limits file reader over arbitrary bytes; a loaded table must be
// usable by the limit lookup.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "astro/tables.h"
#include "data/limits_file.h"
#include "fuzz_check.h"

using namespace tevaro::data;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto r = ParseSiteLimits(bytes, "fuzz.dat");
  if (!r.ok()) {
    FUZZ_CHECK(r.failure().line >= 1);
    FUZZ_CHECK(!r.failure().reason.empty());
    return 0;
  }
  const auto& rows = r.value().rows;
  FUZZ_CHECK(!rows.empty() && rows.size() <= tevaro::astro::LimitsTable::kCapacity);
  for (std::size_t k = 1; k < rows.size(); ++k) FUZZ_CHECK(rows[k - 1].declinationDeg <= rows[k].declinationDeg);
  for (double dec : {-90.0, -30.0, 0.0, 45.5, 90.0}) {
    const auto lim = tevaro::astro::LookupSiteLimits(r.value(), dec);
    (void)lim;
  }
  return 0;
}
