// The options file over arbitrary bytes, and each of its lines as the zone
// field's text: reading never fails, a file written back is its bytes, a
// key set changes its own line only, and a zone text is either hours, a
// known zone or the zone message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "astro/time_zone.h"
#include "data/options_file.h"
#include "fuzz_check.h"
#include "run/prediction.h"
#include "run/session.h"

using namespace tevaro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const data::OptionsFile o = data::ParseOptions(bytes);
  FUZZ_CHECK(o.Text() == bytes);
  FUZZ_CHECK(data::ParseOptions(o.Text()) == o);
  data::OptionsFile set = o;
  set.Set("epochs", "hjd");
  FUZZ_CHECK(set.Get("epochs") == "hjd");
  const int line = set.LineOf("epochs");
  FUZZ_CHECK(set.lines.size() <= o.lines.size() + 1);
  for (std::size_t i = 0; i + 1 < o.lines.size(); ++i)
    FUZZ_CHECK(static_cast<int>(i) + 1 == line || set.lines[i] == o.lines[i]);

  run::Session session;
  const std::vector<data::FileWarning> warnings = session.ApplyOptions(o, "o.ini");
  for (const data::FileWarning& w : warnings) FUZZ_CHECK(w.line >= 1 && w.line <= static_cast<int>(o.lines.size()));
  FUZZ_CHECK(session.params.zoneName.empty() || astro::LooksLikeZoneName(session.params.zoneName));
  // Nothing chosen: every line the file had comes back as it was.
  session.optionsFromFile = true;
  const auto back = session.CurrentOptions();
  FUZZ_CHECK(back.has_value());
  for (std::size_t i = 0; i + 1 < o.lines.size(); ++i)
    FUZZ_CHECK(back->lines[i] == o.lines[i] || static_cast<int>(i) + 1 == back->LineOf("zone"));

  for (const std::string& line : o.lines) {
    if (line.size() > 200) continue;
    run::RunParameters p;
    run::ApplyFieldChange(run::Field::Zone, line, p);
    run::InputFields in;
    in.zone = line;
    in.year = "2027", in.month = "3", in.day = "27", in.nights = "3", in.maxSun = "-12", in.minStar = "20";
    const std::string message = run::ValidateInputs(in, p);
    FUZZ_CHECK(message.empty() != p.inputError);
    if (message.empty() && astro::LooksLikeZoneName(line)) {
      FUZZ_CHECK(astro::NamedZone::Find(line).has_value());
      // The run's frame on that zone's clock: a span of three nights.
      const run::PredictionOutcome out = run::RunPrediction(p, {}, {}, run::Engine::Literal);
      FUZZ_CHECK(out.clock.IsNamed());
      FUZZ_CHECK(out.rjdEnd - out.rjdStart > 2.4 && out.rjdEnd - out.rjdStart < 2.6);
    }
  }
  return 0;
}
