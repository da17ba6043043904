// The settings reader over arbitrary bytes, and the writer's text read back:
// writing what was read and reading it again gives the same text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/settings_file.h"
#include "fuzz_check.h"

using namespace tevaro::data;

namespace {

bool RealsRoundTrip(const Settings& s) {
  // Subnormal numbers carry fewer than 15 significant digits.
  for (double x : {s.longitudeDms, s.latitudeDms, s.maxSunAltitude, s.minStarAltitude})
    if (x != 0 && !std::isnormal(x)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const LoadedSettings r = ParseSettings(bytes, "tevaro6.ini");
  if (!r.fromFile) {
    FUZZ_CHECK(r.settings == Settings{});
    FUZZ_CHECK(r.reason.find("tevaro6.ini: line ") == 0);
    return 0;
  }
  FUZZ_CHECK(r.reason.empty());
  const std::string text = SettingsText(r.settings);
  const LoadedSettings again = ParseSettings(text, "tevaro6.ini");
  FUZZ_CHECK(again.fromFile);
  if (RealsRoundTrip(r.settings)) FUZZ_CHECK(SettingsText(again.settings) == text);
  return 0;
}
