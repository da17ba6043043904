// Answers questions about the time model on standard input, one line each, for
// time_model_check.py to compare with astropy and zoneinfo:
//   earth hjd|bjd RA_HOURS DEC_DEG ELEMENT_RJD  -> UTC RJD seen from the Earth's centre
//   zone NAME UTC_RJD                           -> offset seconds, span from, span to, dst, abbreviation
//   spans NAME FROM_RJD TO_RJD                  -> from:to:offset of each span, blank-separated
//   local NAME LOCAL_RJD                        -> UTC RJD of that local clock reading
// An unknown zone answers "unknown"; an unreadable line "error".
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "astro/light_time.h"
#include "astro/time_zone.h"

using namespace tevaro::astro;

int main() {
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string verb, name;
    double a = 0, b = 0, c = 0;
    in >> verb >> name;
    if (verb == "earth") {
      const auto scale = EpochScaleFromName(name);
      if (!(in >> a >> b >> c) || !scale) {
        std::puts("error");
        continue;
      }
      // A table around the instant, as a run over those days would build it.
      const LightTimeModel model(*scale, c - 5, c + 5);
      std::printf("%.12f\n", model.EarthUtc(c, DirectionOf(a, b)));
      continue;
    }
    const auto zone = NamedZone::Find(name);
    if (!zone) {
      std::puts("unknown");
    } else if (verb == "zone" && in >> a) {
      const ZoneSpan s = zone->SpanAt(a);
      std::printf("%d %.10f %.10f %d %s\n", s.offsetSeconds, s.fromRjd, s.toRjd, s.daylightSaving ? 1 : 0,
                  s.abbreviation.c_str());
    } else if (verb == "spans" && in >> a >> b) {
      for (const ZoneSpan& s : zone->SpansOver(a, b)) std::printf("%.10f:%.10f:%d ", s.fromRjd, s.toRjd, s.offsetSeconds);
      std::puts("");
    } else if (verb == "local" && in >> a) {
      std::printf("%.10f\n", zone->UtcOfLocal(a));
    } else {
      std::puts("error");
    }
  }
  return 0;
}
