// Runs the prediction for one star per line of standard input, for
// secondary_phase_check.py:
//   EPOCH PERIOD SECONDARY_PHASE YEAR MONTH DAY NIGHTS
// and answers each listed minimum as "I|II CYCLE TIME" (TIME the RJD, UT),
// then "end". The star stands at 0h, 0 deg for a site on the equator at
// longitude 0 with no Sun, altitude or hour-angle limit that a minimum could
// fail, so every minimum of the span is listed.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "data/star_file.h"
#include "run/prediction.h"

using namespace tevaro;

int main() {
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    data::StarEntry s;
    int year = 0, month = 0, day = 0, nights = 0;
    if (!(in >> s.epoch >> s.period >> s.secondaryPhase >> year >> month >> day >> nights)) {
      std::puts("error\nend");
      continue;
    }
    s.name = "PROBE";
    s.varType = "EA";
    run::RunParameters p;
    p.year = static_cast<std::int16_t>(year);
    p.month = static_cast<std::int16_t>(month);
    p.day = static_cast<std::int16_t>(day);
    p.dayCount = static_cast<std::int16_t>(nights);
    p.maxSunAltitude = 90;
    p.minStarAltitude = -90;
    p.eventWanted = {false, true, false, true, false};
    data::StarTable stars;
    stars.entries.push_back(s);
    const run::PredictionOutcome o = run::RunPrediction(p, stars, {});
    for (std::size_t i = o.firstListed; i < o.events.size(); ++i)
      std::printf("%s %.9f %.10f\n", o.events[i].phase == 3 ? "II" : "I", o.events[i].cycle, o.events[i].time);
    std::puts("end");
  }
  return 0;
}
