#include "astro/time_zone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "astro/calendar.h"

namespace tevaro::astro {
namespace {

constexpr double kMinute = 1.0 / 1440;

// RJD of a UT instant.
double Ut(int y, int m, int d, int h, int min = 0) {
  return CalendarToRjdAt(static_cast<std::int16_t>(y), static_cast<std::int16_t>(m), static_cast<std::int16_t>(d),
                         static_cast<std::int16_t>(h), static_cast<std::int16_t>(min), 0);
}

TEST(ZoneNameTest, ATextThatBeginsWithALetterIsAName) {
  const struct {
    const char* text;
    bool name;
  } cases[] = {{"Europe/Berlin", true}, {"  UTC", true}, {"8", false},  {" -5", false},
               {"+1", false},           {"", false},     {"   ", false}, {".5", false}};
  for (const auto& c : cases) EXPECT_EQ(LooksLikeZoneName(c.text), c.name) << '"' << c.text << '"';
  EXPECT_TRUE(NamedZone::Find(" Europe/Berlin "));
  EXPECT_EQ(NamedZone::Find(" Europe/Berlin ")->Name(), "Europe/Berlin");
  // The machine's own zone, the rules template and the unset clock's zone
  // are files of the zone folder but no zones to offer or accept.
  for (const char* unknown : {"Europe/Berln", "", "Mars/Olympus", "../../etc/passwd", "Europe/Berlin\n", "localtime",
                              " posixrules", "Factory", "LOCALTIME"})
    EXPECT_FALSE(NamedZone::Find(unknown)) << unknown;
  const std::vector<std::string> names = ZoneNames();
  EXPECT_TRUE(std::binary_search(names.begin(), names.end(), "America/Santiago"));
  for (const char* hidden : {"posix/Europe/Berlin", "localtime", "posixrules", "Factory"})
    EXPECT_FALSE(std::binary_search(names.begin(), names.end(), hidden)) << hidden;
}

// The clock readings of the nights of the changes mapped to UT: a skipped
// reading goes to the change, a repeated one to its first instant. (Offsets
// at every change of nine zones are compared with zoneinfo in
// time_model_check.)
TEST(NamedZoneTest, ClockChangesOfBothHemispheres) {
  const NamedZone berlin = *NamedZone::Find("Europe/Berlin");
  const double noon = Ut(2027, 3, 28, 12);  // a local day's whole RJD: local noon
  const struct {
    const char* reading;
    double local, utc;
  } readings[] = {
      {"18:00 the evening before", noon - 1 + 0.25, Ut(2027, 3, 27, 17)},
      {"02:30, skipped", noon - 0.5 + 2.5 / 24, Ut(2027, 3, 28, 1)},
      {"06:00 the morning after", noon - 0.25, Ut(2027, 3, 28, 4)},
      {"18:00 that evening", noon + 0.25, Ut(2027, 3, 28, 16)},
      {"02:30 on the night back, first of two", Ut(2027, 10, 31, 12) - 0.5 + 2.5 / 24, Ut(2027, 10, 31, 0, 30)},
  };
  for (const auto& r : readings) EXPECT_NEAR(berlin.UtcOfLocal(r.local), r.utc, 1e-9) << r.reading;
  EXPECT_EQ(berlin.StandardOffsetSeconds(Ut(2027, 7, 1, 0)), 3600);
  EXPECT_EQ(NamedZone::Find("Australia/Sydney")->StandardOffsetSeconds(Ut(2027, 1, 1, 0)), 36000);
}

}  // namespace
}  // namespace tevaro::astro
