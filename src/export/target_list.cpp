// The target list: one row per star that has a listed event, in the order
// of its first event, for sequencers that import targets from CSV.
#include <cstdio>
#include <vector>

#include "export/event_values.h"
#include "export/formats.h"
#include "export/text.h"

namespace tevaro::exports {

bool WriteTargetList(const run::ListedRun& run, const ExportChoices&, const data::ByteSink& sink) {
  const run::PredictionOutcome& o = run.outcome();
  std::string out = "Familiar Name,Catalogue Entry,Right Ascension (J2000),Declination (J2000)\r\n";
  std::vector<bool> written(run.stars.entries.size());
  for (std::size_t i = o.HasListed() ? o.firstListed : o.events.size(); i < o.events.size(); ++i) {
    const std::uint32_t k = o.events[i].star;
    if (written[k]) continue;
    written[k] = true;
    const data::StarEntry& s = run.stars.entries.at(k);
    // The importer splits at every comma, quoted or not: a name's are blanked.
    std::string name = s.name;
    for (char& c : name)
      if (c == ',') c = ' ';
    const J2000Position at = PositionOf(s);
    const Sexagesimal ra = ToSexagesimal(at.raHours, 0), dec = ToSexagesimal(at.decDeg, 0);
    char position[160];
    std::snprintf(position, sizeof position, ",%02ldh %02ldm %02lds,%c%02ld\xC2\xB0 %02ld' %02ld\"\r\n",
                  ra.units % 24, ra.minutes, ra.seconds, dec.negative ? '-' : '+', dec.units, dec.minutes,
                  dec.seconds);
    AppendField(out, name);
    out += ',';
    AppendField(out, name);
    out += position;
  }
  return sink(out);
}

}  // namespace tevaro::exports
