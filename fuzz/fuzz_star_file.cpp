// The star data file reader over arbitrary bytes, in the design's layouts and
// with named columns.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "astro/angles.h"
#include "data/named_star_file.h"
#include "data/star_file.h"
#include "data/text.h"
#include "fuzz_check.h"

namespace {

bool Finite(const std::optional<double>& x) { return !x || std::isfinite(*x); }

}  // namespace

using namespace tevaro::data;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto r = ParseStarFile(bytes, "fuzz.csv");
  const bool named = NamesStarColumns(DecodeText(bytes));
  if (!r.ok()) {
    FUZZ_CHECK(r.failure().file == "fuzz.csv");
    FUZZ_CHECK(r.failure().line >= 1);
    FUZZ_CHECK(!r.failure().reason.empty());
    FUZZ_CHECK(named || r.failure().column.empty());
    return 0;
  }
  const auto& e = r.value().entries;
  FUZZ_CHECK(!e.empty() && e.size() <= StarTable::kCapacity);
  // Only the named layout warns (of unknown columns), on its first line.
  FUZZ_CHECK(r.value().warnings.size() <= (named ? 1u : 0u));
  for (const FileWarning& w : r.value().warnings) FUZZ_CHECK(w.line == 1 && !w.reason.empty());
  int lastLine = 0;
  for (const StarEntry& s : e) {
    // One star a line with named columns; the design's records may share a line.
    FUZZ_CHECK(named ? s.line > lastLine : s.line >= lastLine);
    lastLine = s.line;
    if (named) {
      // Every value read is a finite number, the position within the sky.
      const double raHours = tevaro::astro::DmsToDegrees(s.raDms), decDeg = tevaro::astro::DmsToDegrees(s.decDms);
      FUZZ_CHECK(raHours >= 0 && raHours <= 24 && decDeg >= -90 && decDeg <= 90);
      FUZZ_CHECK(std::isfinite(s.secondaryPhase) && Finite(s.durationIIHours));
      FUZZ_CHECK(Finite(s.epochError) && Finite(s.periodError));
      FUZZ_CHECK(!s.periodNotNumber && !s.durationNotNumber);
    } else {
      FUZZ_CHECK(s.secondaryPhase == 0.5 && !s.durationIIHours && !s.epochError && !s.periodError && !s.epochScale);
    }
    FUZZ_CHECK(CharacterCount(s.varType) != 1);
    FUZZ_CHECK(s.raDms - s.raDms == 0 && s.decDms - s.decDms == 0);
    FUZZ_CHECK(s.epoch - s.epoch == 0 && s.period - s.period == 0);
    // A duration is a finite number, or its text is kept, never both.
    FUZZ_CHECK(!s.durationHours || *s.durationHours - *s.durationHours == 0);
    FUZZ_CHECK(!(s.durationHours && s.durationNotNumber));
  }
  return 0;
}
