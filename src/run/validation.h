// The inputs of one prediction run and their checks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "astro/light_time.h"
#include "astro/time_zone.h"

namespace tevaro::run {

// The inputs of a run, filled field by field by ValidateInputs and kept
// current by the main window between validations.
struct RunParameters {
  std::int16_t siteIndex = 0;   // site list entry, -1 for none
  double longitudeDms = 123;    // as typed, DD.MMSS, positive west
  double longitude = 123;       // decimal degrees
  double latitudeDms = 54;      // as typed, DD.MMSS, positive north
  double latitude = 54;         // decimal degrees
  std::int16_t zone = 8;        // zone in force, hours, positive west; the run replaces it
  std::int16_t year = 2011;     // evening date of the first night
  std::int16_t month = 5;
  std::int16_t day = 4;
  std::int16_t dayCount = 1;    // nights, 1..365
  double maxSunAltitude = -12;  // degrees; the Sun must be strictly below
  double minStarAltitude = 20;  // degrees; the star must be strictly above
  std::array<bool, 5> eventWanted{false, true, false, false, false};  // slot 0 always false
  std::int16_t ignoreEaSecondary = 0;  // Check2 state: 0 clear, 1 ticked, 2 grey
  std::int16_t outputMode = 1;         // 1 alt/az, 2 HA/airmass, 3 HA/declination
  bool inputError = false;

  std::int16_t standardZone = 8;  // observer's standard zone, hours, positive west
  bool dstEnabled = true;          // the Canada/USA rule; not applied to a named zone
  // A named zone (IANA, "Europe/Berlin") typed in the zone field; empty when
  // the field holds hours. standardZone then holds its standard offset.
  std::string zoneName;
  // The zone zoneName names, looked up when the name was set (by
  // ApplyFieldChange and ValidateInputs); empty for hours or an unknown
  // name. The run takes its clock from this, never from the name.
  std::optional<astro::NamedZone> namedZone;
  // How the stars' epochs are read (light time and time scale).
  astro::EpochScale epochScale = astro::EpochScale::HjdAsUt;
  // Check each minimum of a star with a duration over its whole eclipse and
  // mark the ones only partly observable.
  bool wholeEclipse = false;
  // The Moon on each night line and the " moon" mark on events near a bright Moon.
  bool moon = false;
  // How far off each prediction may be, from the stars' epoch and period
  // errors: the report's mark, the exports' sigma and widened spans.
  bool uncertainty = false;
  std::int32_t eveningDayNumber = 0;  // whole RJD of noon on the evening date
};

struct LoadedFlags {
  bool starsLoaded = false;
  bool sitesLoaded = false;
  bool limitsLoaded = false;
  bool All() const { return starsLoaded && sitesLoaded && limitsLoaded; }
};

// What the main window's controls hold, as plain values. This record is the
// one crossing point between the controls and the run:
//   siteIndex  Combo1 list index       longitude  Text1   latitude  Text2
//   zone       Text3                   year/month/day     Text4/Text5/Text6
//   nights     Text7                   maxSun     Text8   minStar   Text9
//   eventBox   Check1(0..3) states     ignoreEaBox Check2 state
//   option     1, 2 or 3 for the set Option1..3 button, 0 for none
struct InputFields {
  int siteIndex = -1;
  std::string longitude, latitude, zone, year, month, day, nights, maxSun, minStar;
  std::array<int, 4> eventBox{0, 0, 0, 0};  // 0 clear, 1 ticked, 2 grey
  int ignoreEaBox = 0;
  int option = 0;
};

// The text fields whose change handler keeps a RunParameters value current
// between validations.
enum class Field { Longitude, Latitude, Zone, Nights, MaxSun, MinStar };

// A field's change rule: the value of `text` into its RunParameters value
// (longitudeDms, latitudeDms, standardZone, dayCount, maxSunAltitude,
// minStarAltitude). A zone or night count beyond 16 bits leaves the stored
// value as it was. A zone text that begins with a letter is a zone name: it
// goes into zoneName, and a known zone's standard offset into standardZone.
void ApplyFieldChange(Field field, std::string_view text, RunParameters& p);

inline constexpr const char* kMsgYear = "Hey!  The year is not for anyone presently living!";
inline constexpr const char* kMsgMonth = "Well!  The month is not one I know!";
inline constexpr const char* kMsgDay = "I say!  The day is not part of our calendar!";
inline constexpr const char* kMsgNights = "Hmm!  You probably don't want to calculate for this many days!";
inline constexpr const char* kMsgSun = "Mais non!  You probably don't want the Sun above the horizon!";
inline constexpr const char* kMsgStar = "Ha ha!  You probably can't observe stars below the horizon!";
// The zones whose hour in force (one less under daylight saving) and whose
// start of the night (18 hours on) stay 16-bit values.
inline constexpr int kLowestZone = -32767;
inline constexpr int kHighestZone = 32767 - 18;
inline constexpr const char* kMsgZone = "Oops!  The time zone must be a whole number of hours between -32767 and 32749.";
// The message for a zone name the time-zone database does not know.
std::string UnknownZoneMessage(std::string_view text);
// The message for a zone name when the database itself cannot be read.
std::string NoZoneDatabaseMessage(std::string_view text);
inline constexpr const char* kMsgLongitudeRange = " is beyond 180 degrees east or west.";
inline constexpr const char* kMsgLatitudeRange = " is beyond 90 degrees north or south.";
inline constexpr const char* kMsgLoadFirst =
    "Load the appropriate file first, please.  To do so, click 'File' on the menu bar.";
inline constexpr const char* kMsgNoEvent = "Sorry!  There is no minimum within this range.";

// The check of a numeric field's text: empty when the text is one number
// (blanks around it allowed), else the message naming the field by `what`
// and quoting the text, as in: The latitude "5O.123" is not a number.
std::string CheckNumberField(std::string_view what, std::string_view text);

// Reads `in` into `p` in field order and checks each field, stopping at the
// first failure: fields before it keep their new values, fields after it their
// old ones. Sets p.inputError. Returns the message of the failed check, or an
// empty text when every field passed.
std::string ValidateInputs(const InputFields& in, RunParameters& p);

}  // namespace tevaro::run
