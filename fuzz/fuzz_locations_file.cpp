// The locations file reader over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/locations_file.h"
#include "fuzz_check.h"

using namespace tevaro::data;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto r = ParseLocations(bytes, "fuzz.dat");
  if (!r.ok()) {
    FUZZ_CHECK(r.failure().line >= 1);
    FUZZ_CHECK(!r.failure().reason.empty());
    FUZZ_CHECK(r.failure().Message().find("fuzz.dat") == 0);
    return 0;
  }
  FUZZ_CHECK(!r.value().entries.empty() && r.value().entries.size() <= SiteTable::kCapacity);
  // At most one warning a site, each on a data line, in order.
  const auto& warnings = r.value().warnings;
  FUZZ_CHECK(warnings.size() <= r.value().entries.size());
  for (std::size_t i = 0; i < warnings.size(); ++i)
    FUZZ_CHECK(warnings[i].line >= 3 && (i == 0 || warnings[i].line >= warnings[i - 1].line));
  for (const SiteEntry& s : r.value().entries) {
    for (const FieldValue* v : {&s.longitudeDms, &s.latitudeDms, &s.zone}) {
      if (v->IsNumber()) FUZZ_CHECK(v->number - v->number == 0);
      if (v->kind == FieldValue::Kind::Text) FUZZ_CHECK(!v->text.empty());
    }
  }
  return 0;
}
