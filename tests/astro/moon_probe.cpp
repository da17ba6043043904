// Answers questions about the Moon on standard input, one line each, for
// moon_check.py to compare with astropy:
//   moon UTC_RJD LONGITUDE_WEST_DEG LATITUDE_DEG STAR_RA_HOURS STAR_DEC_DEG
//     -> topocentric altitude (deg), illuminated fraction, distance from the star (deg)
// An unreadable line answers "error".
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "astro/moon.h"

using namespace tevaro::astro;

int main() {
  std::string line, verb;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    double t = 0, lon = 0, lat = 0, ra = 0, dec = 0;
    if (!(in >> verb >> t >> lon >> lat >> ra >> dec) || verb != "moon") {
      std::puts("error");
      continue;
    }
    // A table around the instant, as a run over those days would build it.
    const MoonModel model(t - 3.3, t + 4.1, lon, lat);
    const MoonPlace m = model.At(t);
    std::printf("%.6f %.6f %.6f\n", m.altitudeDeg, m.illuminated,
                SeparationDeg(m.direction, model.OfDate(DirectionOf(ra, dec))));
  }
  return 0;
}
