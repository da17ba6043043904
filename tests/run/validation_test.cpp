#include "run/validation.h"

#include <gtest/gtest.h>

#include <date/tz.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "astro/time_zone.h"
#include "run/number_input.h"
#include "run/prediction.h"

namespace tevaro::run {
namespace {

// Fields that pass every check.
InputFields GoodFields() {
  InputFields in;
  in.siteIndex = 0;
  in.longitude = "120.3015";
  in.latitude = "50.1230";
  in.zone = "8";
  in.year = "2011";
  in.month = "5";
  in.day = "4";
  in.nights = "1";
  in.maxSun = "-12";
  in.minStar = "20";
  in.eventBox = {1, 0, 1, 0};
  in.ignoreEaBox = 0;
  in.option = 1;
  return in;
}

std::string Validate(const InputFields& in) {
  RunParameters p;
  return ValidateInputs(in, p);
}

const std::vector<date::time_zone>& MissingDatabase() {
  throw std::runtime_error("discover_tz_dir failed to find zoneinfo");
}
const std::vector<date::time_zone>& EmptyDatabase() {
  static const auto* empty = new std::vector<date::time_zone>;  // a zone cannot be destroyed here
  return *empty;
}

// Without a readable database a zone name says so, hours still pass, and a
// zone taken before keeps its clock in the run: the run never looks a name up.
TEST(ValidateInputsTest, AMissingZoneDatabaseIsNamedAndLeavesTakenZonesAlone) {
  RunParameters berlin;
  InputFields in = GoodFields();
  in.zone = "Europe/Berlin";
  ASSERT_EQ(ValidateInputs(in, berlin), "");
  // An empty database is as unreadable as a missing one, not one without
  // that name.
  astro::SetZoneDatabaseReader(EmptyDatabase);
  const std::string unreadable =
      "Oops!  The time zone \"Europe/Berlin\" cannot be looked up: the time-zone database (tzdata) could not be "
      "read. Give hours west of Greenwich.";
  EXPECT_EQ(Validate(in), unreadable);
  astro::SetZoneDatabaseReader(MissingDatabase);
  EXPECT_EQ(Validate(in), unreadable);
  in.zone = "-1";
  EXPECT_EQ(Validate(in), "");
  const PredictionOutcome o = RunPrediction(berlin, {}, {});
  astro::SetZoneDatabaseReader(nullptr);
  EXPECT_EQ(o.clock.Name(), "Europe/Berlin");
  EXPECT_EQ(o.zone, -2);  // summer time on 2011-05-04
}

TEST(ReadNumberTest, LeadingNumericPartOfTheText) {
  EXPECT_DOUBLE_EQ(ReadNumber("   12.5"), 12.5);
  EXPECT_DOUBLE_EQ(ReadNumber("12e"), 12);
  EXPECT_DOUBLE_EQ(ReadNumber("12e+"), 12);
  EXPECT_DOUBLE_EQ(ReadNumber("1e3"), 1000);
  EXPECT_DOUBLE_EQ(ReadNumber("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(ReadNumber("+20"), 20);
  EXPECT_DOUBLE_EQ(ReadNumber("2011abc"), 2011);
  EXPECT_DOUBLE_EQ(ReadNumber("7.5 h"), 7.5);
  EXPECT_EQ(ReadNumber("abc"), 0);
  EXPECT_EQ(ReadNumber(""), 0);
  EXPECT_EQ(ReadNumber("   "), 0);
  EXPECT_EQ(ReadNumber("-"), 0);
  EXPECT_EQ(ReadNumber("."), 0);
  EXPECT_EQ(ReadNumber("e5"), 0);
}

TEST(ReadNumberTest, SixteenBitFieldsRoundHalvesToEvenAndRefuseWhatDoesNotFit) {
  EXPECT_EQ(ReadInt16("2.5"), std::int16_t{2});
  EXPECT_EQ(ReadInt16("3.5"), std::int16_t{4});
  EXPECT_EQ(ReadInt16("-2.5"), std::int16_t{-2});
  EXPECT_EQ(ReadInt16("32767.4"), std::int16_t{32767});
  EXPECT_EQ(ReadInt16("-32768.5"), std::int16_t{-32768});
  EXPECT_EQ(ReadInt16("32767.5"), std::nullopt);  // rounds to 32768
  EXPECT_EQ(ReadInt16("99999"), std::nullopt);
  EXPECT_EQ(ReadInt16("1e400"), std::nullopt);
  EXPECT_EQ(ReadInt16("-1e400"), std::nullopt);
}

TEST(ValidateInputsTest, MessagesReadExactlyAsTheUserSeesThem) {
  InputFields in = GoodFields();
  in.year = "1899";
  EXPECT_EQ(Validate(in), "Hey!  The year is not for anyone presently living!");
  in = GoodFields();
  in.month = "13";
  EXPECT_EQ(Validate(in), "Well!  The month is not one I know!");
  in = GoodFields();
  in.day = "33";
  EXPECT_EQ(Validate(in), "I say!  The day is not part of our calendar!");
  in = GoodFields();
  in.nights = "366";
  EXPECT_EQ(Validate(in), "Hmm!  You probably don't want to calculate for this many days!");
  in = GoodFields();
  in.maxSun = "0.1";
  EXPECT_EQ(Validate(in), "Mais non!  You probably don't want the Sun above the horizon!");
  in = GoodFields();
  in.minStar = "-0.1";
  EXPECT_EQ(Validate(in), "Ha ha!  You probably can't observe stars below the horizon!");
  EXPECT_STREQ(kMsgLoadFirst, "Load the appropriate file first, please.  To do so, click 'File' on the menu bar.");
  EXPECT_STREQ(kMsgNoEvent, "Sorry!  There is no minimum within this range.");
}

// One field's text among good fields, and the message it gives (empty when
// the fields pass).
struct FieldCase {
  std::string InputFields::*field;
  const char* text;
  const char* message;
};

void ExpectMessages(const std::vector<FieldCase>& cases) {
  for (const FieldCase& c : cases) {
    InputFields in = GoodFields();
    in.*(c.field) = c.text;
    RunParameters p;
    const std::string message = ValidateInputs(in, p);
    EXPECT_EQ(message, c.message) << "text '" << c.text << "'";
    EXPECT_EQ(p.inputError, !message.empty()) << "text '" << c.text << "'";
  }
}

TEST(ValidateInputsTest, RangeEdgesOfEveryCheckedField) {
  ExpectMessages({
      {&InputFields::year, "1900", ""},       {&InputFields::year, "2100", ""},
      {&InputFields::year, "1899", kMsgYear}, {&InputFields::year, "2101", kMsgYear},
      {&InputFields::year, "99999", kMsgYear},
      {&InputFields::month, "1", ""},
      {&InputFields::month, "12", ""},        {&InputFields::month, "0", kMsgMonth},
      {&InputFields::month, "13", kMsgMonth}, {&InputFields::month, "99999", kMsgMonth},
      {&InputFields::day, "0", ""},           {&InputFields::day, "32", ""},
      {&InputFields::day, "-1", kMsgDay},     {&InputFields::day, "33", kMsgDay},
      {&InputFields::day, "-99999", kMsgDay}, {&InputFields::nights, "365", ""},
      {&InputFields::nights, "1", ""},        {&InputFields::nights, "0", kMsgNights},
      {&InputFields::nights, "366", kMsgNights}, {&InputFields::nights, "99999", kMsgNights},
      {&InputFields::nights, "0.5", kMsgNights},  // rounds to 0
      {&InputFields::nights, "365.5", kMsgNights},  // rounds to 366
      {&InputFields::maxSun, "0", ""},        {&InputFields::maxSun, "0.1", kMsgSun},
      {&InputFields::maxSun, "-90", ""},      {&InputFields::minStar, "0", ""},
      {&InputFields::minStar, "-0.1", kMsgStar}, {&InputFields::minStar, "89", ""},
      {&InputFields::zone, "40000", kMsgZone},   {&InputFields::zone, "-40000", kMsgZone},
      {&InputFields::zone, "-12", ""},
      // A text that begins with a letter is a zone name, known or not.
      {&InputFields::zone, " Europe/Berlin ", ""},
      {&InputFields::zone, "Europe/Berln",
       "Oops!  The time zone \"Europe/Berln\" is not one I know: give hours west of Greenwich, or a zone name "
       "such as Europe/Berlin."},
  });
}

TEST(ValidateInputsTest, AFieldThatIsNotOneNumberOrOffTheGlobeRunsNothing) {
  ExpectMessages({
      {&InputFields::latitude, "5O.123", "The latitude \"5O.123\" is not a number."},
      {&InputFields::latitude, "95", "The latitude \"95\" is beyond 90 degrees north or south."},
      {&InputFields::latitude, "-90.0001", "The latitude \"-90.0001\" is beyond 90 degrees north or south."},
      {&InputFields::latitude, " -90 ", ""},
      {&InputFields::latitude, "89.61", "The latitude \"89.61\" is beyond 90 degrees north or south."},  // 90 deg 1 min
      {&InputFields::longitude, "200", "The longitude \"200\" is beyond 180 degrees east or west."},
      {&InputFields::longitude, "1e17", "The longitude \"1e17\" is beyond 180 degrees east or west."},
      {&InputFields::longitude, "+120.3015\t", ""},
      {&InputFields::longitude, "12e", "The longitude \"12e\" is not a number."},
      {&InputFields::longitude, "1.2.3", "The longitude \"1.2.3\" is not a number."},
      {&InputFields::longitude, "1\x1b[2J", "The longitude \"1\\x1b[2J\" is not a number."},
      {&InputFields::zone, "5h", "The time zone \"5h\" is not a number."},
      {&InputFields::year, "2011abc", "The year \"2011abc\" is not a number."},
      {&InputFields::month, "1x", "The month \"1x\" is not a number."},
      {&InputFields::day, "4.", ""},
      {&InputFields::nights, "1 2", "The number of nights \"1 2\" is not a number."},
      {&InputFields::maxSun, "-12 deg", "The maximum Sun altitude \"-12 deg\" is not a number."},
  });
  // The first bad field in field order is the one reported.
  RunParameters p;
  InputFields in = GoodFields();
  in.year = "1800";
  in.minStar = "abc";
  EXPECT_EQ(ValidateInputs(in, p), kMsgYear);
}

TEST(ValidateInputsTest, FieldsAreReadAsNumbersWithTheRoundingOfIntegerFields) {
  InputFields in = GoodFields();
  in.year = " 2011 ";
  in.zone = "7.5";
  in.longitude = "120.3015";
  in.latitude = "-33.30";
  in.maxSun = "-12.25";
  RunParameters p;
  ASSERT_EQ(ValidateInputs(in, p), "");
  EXPECT_EQ(p.year, 2011);
  EXPECT_EQ(p.zone, 8);
  EXPECT_DOUBLE_EQ(p.longitudeDms, 120.3015);
  EXPECT_NEAR(p.longitude, 120 + 30 / 60.0 + 15 / 3600.0, 1e-9);
  EXPECT_DOUBLE_EQ(p.latitudeDms, -33.3);
  EXPECT_NEAR(p.latitude, -33.5, 1e-9);
  EXPECT_EQ(p.maxSunAltitude, -12.25);  // not rounded

  in.zone = "6.5";
  ASSERT_EQ(ValidateInputs(in, p), "");
  EXPECT_EQ(p.zone, 6);
}

TEST(ValidateInputsTest, StopsAtTheFirstBadFieldLeavingLaterFieldsAlone) {
  RunParameters p;
  p.month = 7;
  p.day = 21;
  p.dayCount = 9;
  p.outputMode = 2;
  InputFields in = GoodFields();
  in.zone = "5";
  in.year = "1800";
  in.month = "13";
  in.day = "40";
  in.nights = "3";
  in.option = 3;
  EXPECT_EQ(ValidateInputs(in, p), kMsgYear);
  EXPECT_TRUE(p.inputError);
  EXPECT_EQ(p.zone, 5);  // read before the year
  EXPECT_EQ(p.month, 7);
  EXPECT_EQ(p.day, 21);
  EXPECT_EQ(p.dayCount, 9);
  EXPECT_EQ(p.outputMode, 2);

  // The user corrects the year; now the month is the first bad field.
  in.year = "2011";
  EXPECT_EQ(ValidateInputs(in, p), kMsgMonth);
  EXPECT_EQ(p.year, 2011);
  EXPECT_EQ(p.day, 21);

  // Every field corrected: the validation passes and clears the error.
  in.month = "6";
  in.day = "30";
  EXPECT_EQ(ValidateInputs(in, p), "");
  EXPECT_FALSE(p.inputError);
  EXPECT_EQ(p.month, 6);
  EXPECT_EQ(p.day, 30);
  EXPECT_EQ(p.dayCount, 3);
  EXPECT_EQ(p.outputMode, 3);
}

TEST(ValidateInputsTest, AZoneWhoseDaylightOrNightStartWouldWrapIsRefused) {
  // The hour in force is one less under daylight saving and the night starts
  // 18 hours on: both must stay 16-bit values.
  for (const char* bad : {"32767", "32750", "-32768"}) {
    RunParameters p;
    InputFields in = GoodFields();
    in.zone = bad;
    EXPECT_EQ(ValidateInputs(in, p), kMsgZone) << bad;
  }
  for (const char* good : {"32749", "-32767"}) {
    RunParameters p;
    InputFields in = GoodFields();
    in.zone = good;
    EXPECT_EQ(ValidateInputs(in, p), "") << good;
  }
}

TEST(ValidateInputsTest, AZoneBeyondSixteenBitsIsRefusedBeforeTheDateIsRead) {
  RunParameters p;
  p.zone = 3;
  p.year = 1999;
  InputFields in = GoodFields();
  in.zone = "40000";
  EXPECT_EQ(ValidateInputs(in, p), kMsgZone);
  EXPECT_TRUE(p.inputError);
  EXPECT_EQ(p.zone, 3);
  EXPECT_EQ(p.year, 1999);
}

TEST(ValidateInputsTest, CheckBoxesAndOptionButtons) {
  RunParameters p;
  p.outputMode = 2;
  InputFields in = GoodFields();
  in.eventBox = {2, 1, 0, 2};  // grey counts as not checked
  in.ignoreEaBox = 2;
  in.option = 0;  // no option button set
  in.siteIndex = -1;
  ASSERT_EQ(ValidateInputs(in, p), "");
  EXPECT_FALSE(p.eventWanted[0]);
  EXPECT_FALSE(p.eventWanted[1]);
  EXPECT_TRUE(p.eventWanted[2]);
  EXPECT_FALSE(p.eventWanted[3]);
  EXPECT_FALSE(p.eventWanted[4]);
  EXPECT_EQ(p.ignoreEaSecondary, 2);
  EXPECT_EQ(p.outputMode, 2);
  EXPECT_EQ(p.siteIndex, -1);

  in.eventBox = {1, 1, 1, 1};
  in.ignoreEaBox = 1;
  in.option = 3;
  ASSERT_EQ(ValidateInputs(in, p), "");
  for (int k = 1; k <= 4; ++k) EXPECT_TRUE(p.eventWanted[static_cast<std::size_t>(k)]);
  EXPECT_FALSE(p.eventWanted[0]);
  EXPECT_EQ(p.ignoreEaSecondary, 1);
  EXPECT_EQ(p.outputMode, 3);
}

}  // namespace
}  // namespace tevaro::run
