#include "run/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tevaro::run {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStars =
    "Eclipsing binaries\n"
    "name,RA,Dec,HJDo,Period,Type,Max,Min,Comment\n"
    "W UMa,9.43455,55.5709,45765.7385,0.3336375,EW,7.75,8.48,prototype\n"
    "Algol,3.08101,40.5720,45641.5135,2.8673043,EA,2.09,3.30,beta Per\n"
    "TX UMa,10.45205,45.3359,45761.8060,3.0632480,EA,7.06,8.80,Algol type\n";
constexpr const char* kLocations =
    "Observatory locations\n"
    "Name, Longitude, Latitude, Zone\n"
    "Veltrin Observatory, 120.3015, 50.1230, 8\n"
    "Lakeside Roof, -11.3000, 47.2015, -1\n";
constexpr const char* kLimits =
    "Site limits\n"
    "Dec, HA east, HA west\n"
    "-30, -3.0, 3.0\n"
    "0, -5.5, 5.5\n"
    "60, -6.0, 6.0\n"
    "90, -12, 12\n";

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("tevaro_session_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  // Loads the three good files and picks the first site.
  void LoadAll(Session& s) {
    ASSERT_FALSE(s.LoadLocations(Write("Location.dat", kLocations)));
    ASSERT_FALSE(s.LoadLimits(Write("Limits.dat", kLimits)));
    ASSERT_FALSE(s.LoadStars(Write("stars.csv", kStars)));
    s.limitsFileName = "Limits.dat";
    s.starFileName = "stars.csv";
    const SiteFieldTexts t = s.SelectSite(0);
    EXPECT_EQ(t.caption, "Tevaro - Veltrin Observatory");
  }

  static InputFields Fields() {
    InputFields in;
    in.siteIndex = 0;
    in.longitude = "120.3015";
    in.latitude = "50.1230";
    in.zone = "8";
    in.year = "2011";
    in.month = "5";
    in.day = "4";
    in.nights = "3";
    in.maxSun = "-12";
    in.minStar = "20";
    in.eventBox = {1, 0, 1, 0};
    in.option = 1;
    return in;
  }

  fs::path dir_;
};

TEST_F(SessionTest, CalculateChecksInputsThenFilesThenRuns) {
  Session s;
  InputFields in = Fields();
  in.year = "1850";
  CalculateResult r = s.Calculate(in);
  EXPECT_EQ(r.status, CalculateResult::Status::InvalidInput);
  EXPECT_EQ(r.message, "Hey!  The year is not for anyone presently living!");

  in = Fields();
  r = s.Calculate(in);
  EXPECT_EQ(r.status, CalculateResult::Status::FilesMissing);
  EXPECT_EQ(r.message, "Load the appropriate file first, please.  To do so, click 'File' on the menu bar.");
  EXPECT_EQ(s.report.LineCount(), 0u);

  ASSERT_FALSE(s.LoadLocations(Write("Location.dat", kLocations)));
  ASSERT_FALSE(s.LoadStars(Write("stars.csv", kStars)));
  EXPECT_EQ(s.Calculate(in).status, CalculateResult::Status::FilesMissing);
  ASSERT_FALSE(s.LoadLimits(Write("Limits.dat", kLimits)));
  r = s.Calculate(in);
  EXPECT_EQ(r.status, CalculateResult::Status::Listed);
  EXPECT_EQ(r.message, "");
  EXPECT_GT(s.report.LineCount(), 15u);
}

TEST_F(SessionTest, AListedRunKeepsItsZoneAndFillsTheReport) {
  Session s;
  LoadAll(s);
  s.params.standardZone = 8;
  s.params.dstEnabled = true;  // 2011 May 4 lies in the daylight-saving period
  const CalculateResult r = s.Calculate(Fields());
  ASSERT_EQ(r.status, CalculateResult::Status::Listed);
  EXPECT_EQ(s.params.zone, 7);
  EXPECT_EQ(s.params.eveningDayNumber, 55686);
  EXPECT_EQ(s.label23Caption, "DAYLIGHT SAVINGS TIME");
  EXPECT_EQ(s.report.Line(3), " Location = Veltrin Observatory");
  EXPECT_EQ(s.report.Line(6).substr(0, 16), " Time zone = 7 (");
  EXPECT_EQ(s.report.Line(9), " Star limits file = Limits.dat");
  EXPECT_EQ(s.report.Line(10), " Star data file: stars.csv");
  // The run is kept for the chart without its events; found again, they are
  // the events of the report, whatever the fields hold by then.
  ASSERT_TRUE(s.lastRun);
  EXPECT_FALSE(s.lastRun->cachedOutcome);
  const PredictionOutcome again = RunPrediction(s.params, s.stars, s.limits);
  s.params.standardZone = 3;
  EXPECT_EQ(s.lastRun->outcome().events, again.events);
  EXPECT_EQ(s.lastRun->outcome().zone, 7);
  s.params.standardZone = 8;

  s.params.dstEnabled = false;
  ASSERT_EQ(s.Calculate(Fields()).status, CalculateResult::Status::Listed);
  EXPECT_EQ(s.params.zone, 8);
  EXPECT_EQ(s.label23Caption, "");
}

TEST_F(SessionTest, ARunWithoutEventsKeepsThePreviousReport) {
  Session s;
  LoadAll(s);
  ASSERT_EQ(s.Calculate(Fields()).status, CalculateResult::Status::Listed);
  const std::string before = s.report.Bytes();

  InputFields in = Fields();
  in.eventBox = {0, 2, 0, 0};  // nothing wanted (a grey box is not ticked)
  CalculateResult r = s.Calculate(in);
  EXPECT_EQ(r.status, CalculateResult::Status::NoEvent);
  EXPECT_EQ(r.message, "Sorry!  There is no minimum within this range.");
  EXPECT_EQ(s.report.Bytes(), before);

  in = Fields();
  in.minStar = "89.9";  // nothing climbs that high
  r = s.Calculate(in);
  EXPECT_EQ(r.status, CalculateResult::Status::NoEvent);
  EXPECT_EQ(s.report.Bytes(), before);
}

// Calculate is the window's three steps in a row: for each kind of result
// both give the same result and leave the same session.
TEST_F(SessionTest, CalculateAndTheWindowsThreeStepsAgree) {
  using Status = CalculateResult::Status;
  struct Case {
    const char* what;
    void (*change)(Session&, InputFields&);
    Status status;
  };
  const Case cases[] = {
      {"events", [](Session&, InputFields&) {}, Status::Listed},
      {"no event", [](Session&, InputFields& in) { in.minStar = "89.9"; }, Status::NoEvent},
      {"past the event bound", [](Session& s, InputFields&) { s.maxEvents = 1; }, Status::TooManyEvents},
      {"a bad field", [](Session&, InputFields& in) { in.year = "1850"; }, Status::InvalidInput},
      {"a file missing", [](Session& s, InputFields&) { s.loaded.limitsLoaded = false; }, Status::FilesMissing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session one, three;
    InputFields in = Fields();
    for (Session* s : {&one, &three}) {
      LoadAll(*s);
      // A report for the run to keep or replace, and a zone in force that
      // the next run changes.
      s->params.dstEnabled = true;
      ASSERT_EQ(s->Calculate(Fields()).status, Status::Listed);
      s->params.dstEnabled = false;
      c.change(*s, in);
    }
    in.day = "20";
    const CalculateResult a = one.Calculate(in);
    RunInputs inputs;
    const std::optional<CalculateResult> refused = three.CheckForRun(in, inputs);
    const CalculateResult b = refused ? *refused : three.AcceptRun(ComputeRun(std::move(inputs)));
    EXPECT_EQ(a.status, c.status);
    EXPECT_EQ(b.status, a.status);
    EXPECT_EQ(b.message, a.message);
    EXPECT_EQ(three.params.inputError, one.params.inputError);
    EXPECT_EQ(three.params.zone, one.params.zone);
    EXPECT_EQ(three.params.eveningDayNumber, one.params.eveningDayNumber);
    EXPECT_EQ(three.label23Caption, one.label23Caption);
    EXPECT_EQ(three.report.Bytes(), one.report.Bytes());
    EXPECT_EQ(three.lastRun->params.day, one.lastRun->params.day);
  }
}

TEST_F(SessionTest, AFailedLoadChangesNothing) {
  Session fresh;
  EXPECT_TRUE(fresh.LoadStars((dir_ / "missing.csv").string()));
  EXPECT_TRUE(fresh.LoadLocations((dir_ / "missing.dat").string()));
  EXPECT_TRUE(fresh.LoadLimits((dir_ / "missing.dat").string()));
  EXPECT_FALSE(fresh.loaded.starsLoaded);
  EXPECT_FALSE(fresh.loaded.sitesLoaded);
  EXPECT_FALSE(fresh.loaded.limitsLoaded);

  Session s;
  LoadAll(s);
  const std::size_t stars = s.stars.entries.size();
  const std::size_t sites = s.sites.entries.size();
  const std::size_t rows = s.limits.rows.size();
  ASSERT_EQ(stars, 3u);

  const std::string badStars =
      Write("bad.csv", std::string("Heading\nname,RA,Dec\n") + "Lone star,1.0,2.0,3.0\n");
  const auto starFailure = s.LoadStars(badStars);
  ASSERT_TRUE(starFailure);
  EXPECT_EQ(starFailure->file, badStars);
  EXPECT_GT(starFailure->line, 0);
  EXPECT_NE(starFailure->Message().find(badStars), std::string::npos);

  const auto limitsFailure = s.LoadLimits(Write("badlimits.dat", "Limits\nDec, E, W\n0, -3, 3\nten, -4, 4\n"));
  ASSERT_TRUE(limitsFailure);
  EXPECT_EQ(limitsFailure->line, 4);
  const auto sitesFailure = s.LoadLocations((dir_ / "nowhere" / "Location.dat").string());
  ASSERT_TRUE(sitesFailure);
  EXPECT_EQ(sitesFailure->line, 0);

  EXPECT_TRUE(s.loaded.All());
  EXPECT_EQ(s.stars.entries.size(), stars);
  EXPECT_EQ(s.stars.entries[0].name, "W UMa");
  EXPECT_EQ(s.sites.entries.size(), sites);
  EXPECT_EQ(s.limits.rows.size(), rows);
  EXPECT_EQ(s.Calculate(Fields()).status, CalculateResult::Status::Listed);
}

TEST_F(SessionTest, LocationsLoadSelectsTheSavedSiteWhenItExists) {
  Session s;
  ASSERT_FALSE(s.LoadLocations(Write("Location.dat", kLocations)));
  s.params.siteIndex = 1;
  EXPECT_EQ(s.SiteToSelect(), 1);
  s.params.siteIndex = 2;
  EXPECT_EQ(s.SiteToSelect(), -1);
  s.params.siteIndex = -1;
  EXPECT_EQ(s.SiteToSelect(), -1);
  const SiteFieldTexts t = s.SelectSite(1);
  EXPECT_EQ(s.siteName, "Lakeside Roof");
  EXPECT_EQ(t.caption, "Tevaro - Lakeside Roof");
}

TEST_F(SessionTest, ARunPastTheEventBoundSaysSoAndKeepsTheReport) {
  Session s;
  LoadAll(s);
  ASSERT_EQ(s.Calculate(Fields()).status, CalculateResult::Status::Listed);
  const std::string before = s.report.Bytes();
  s.maxEvents = 3;
  const CalculateResult r = s.Calculate(Fields());
  EXPECT_EQ(r.status, CalculateResult::Status::TooManyEvents);
  EXPECT_EQ(r.message, "Sorry!  This run would list more than 3 events: shorten the span or the star list.");
  EXPECT_EQ(s.report.Bytes(), before);
  EXPECT_EQ(TooManyEventsMessage(kMaxEvents),
            "Sorry!  This run would list more than 10000000 events: shorten the span or the star list.");
}

TEST_F(SessionTest, StartUpReadsSettingsPicksTheSavedSiteAndFillsTheFields) {
  // Settings: site 1 saved with other typed coordinates, 3 nights, phases
  // 0.25 and 0.75, mode 9 (no button), EA box 2 (grey), DST off.
  Write("tevaro6.ini", "1,2,3,4\r\n1\r\n99.5,-10\r\n3\r\n3\r\n-15.5\r\n25\r\n0,-1,0,-1\r\n9\r\n2\r\n0\r\n");
  const std::string locations = Write("Location.dat", kLocations);
  Session s;
  const StartUpResult r = s.StartUp(dir_.string(), {2026, 3, 7}, {std::nullopt, locations, std::nullopt});
  EXPECT_FALSE(r.locationsFailure);
  // No Limits.dat in the current folder: the failure is kept, nothing shown.
  ASSERT_TRUE(r.limitsFailure);
  EXPECT_EQ(r.limitsFailure->file, "Limits.dat");
  EXPECT_FALSE(s.loaded.limitsLoaded);
  EXPECT_TRUE(s.loaded.sitesLoaded);

  // The saved site replaced the typed coordinates and zone.
  EXPECT_EQ(s.siteName, "Lakeside Roof");
  EXPECT_EQ(s.params.longitudeDms, -11.3);
  EXPECT_EQ(s.params.latitudeDms, 47.2015);
  EXPECT_EQ(s.params.standardZone, -1);
  const InputFields& f = r.fields;
  EXPECT_EQ(f.siteIndex, 1);
  EXPECT_EQ(f.longitude, "-11.3");
  EXPECT_EQ(f.latitude, " 47.2015");
  EXPECT_EQ(f.zone, "-1");
  EXPECT_EQ(f.year + "-" + f.month + "-" + f.day, "2026-03-07");
  EXPECT_EQ(f.nights, " 3");
  EXPECT_EQ(f.maxSun, "-15.5");
  EXPECT_EQ(f.minStar, " 25");
  EXPECT_EQ(f.eventBox, (std::array<int, 4>{0, 1, 0, 1}));
  EXPECT_EQ(f.option, 1);
  EXPECT_EQ(f.ignoreEaBox, 2);
  EXPECT_FALSE(s.params.dstEnabled);
  EXPECT_EQ(s.placement, (data::OutputPlacement{1, 2, 3, 4}));
  // Start-up records no file names: the report header names only files
  // chosen from the menu.
  EXPECT_TRUE(s.locationsFileName.empty());
  EXPECT_TRUE(s.limitsFileName.empty());
}

TEST_F(SessionTest, SitePickStoresTheSiteWhateverTheFieldsHeld) {
  Session s;
  s.params.siteIndex = -1;
  ASSERT_FALSE(s.LoadLocations(Write("Location.dat", kLocations)));
  EXPECT_TRUE(s.siteName.empty());  // nothing saved to select
  s.params.longitudeDms = 122.5;
  s.params.latitudeDms = 50;
  s.params.standardZone = 3;
  const SiteFieldTexts t = s.SelectSite(0);
  EXPECT_EQ(t.longitude, " 120.3015");
  EXPECT_EQ(s.params.longitudeDms, 120.3015);
  EXPECT_EQ(s.params.latitudeDms, 50.123);
  EXPECT_EQ(s.params.standardZone, 8);

  // A locations load selects the saved site and stores it too.
  s.params.siteIndex = 1;
  ASSERT_FALSE(s.LoadLocations(Write("Location.dat", kLocations)));
  EXPECT_EQ(s.siteName, "Lakeside Roof");
  EXPECT_EQ(s.params.standardZone, -1);
}

// The options file beside the settings: its choices at start-up, in any
// case of letters, a zone name giving way to the saved site's zone as the
// settings' zone does, and the file written back with the lines it did not
// know and those whose choice did not change as they were, bytes and line
// ends, a value it does not know included; the Moon's and Whole eclipse's
// lines only where the file had one or the choice is on, so a file from
// before those choices stays as it was.
TEST_F(SessionTest, OptionsFileCarriesTheNewChoicesAndKeepsWhatItDoesNotKnow) {
  const std::string withSite = "1,2,3,4\r\n0\r\n99.5,-10\r\n3\r\n3\r\n-15.5\r\n25\r\n0,-1,0,-1\r\n9\r\n2\r\n0\r\n";
  const std::string noSite = "1,2,3,4\r\n-1\r\n99.5,-10\r\n3\r\n3\r\n-15.5\r\n25\r\n0,-1,0,-1\r\n9\r\n2\r\n0\r\n";
  const struct {
    const char* what;
    const std::string& settings;
    const char* options;  // nullptr: no file; "/": a folder in its place
    astro::EpochScale scale;
    const char* zoneField;
    int standardZone;
    bool moon, eclipse;  // the choices after start-up
    bool turnOn;         // the Moon and Whole eclipse chosen before exit
    const char* written;  // the file after exit; nullptr: none written
  } cases[] = {
      {"no file", noSite, nullptr, astro::EpochScale::HjdAsUt, " 3", 3, false, false, false, nullptr},
      {"a folder in its place", noSite, "/", astro::EpochScale::HjdAsUt, " 3", 3, false, false, false, nullptr},
      {"choices and unknown lines", noSite, "# mine\r\nepochs = bjd\r\nzone=Europe/Berlin\r\ncolour = blue\r\n",
       astro::EpochScale::Bjd, "Europe/Berlin", -1, false, false, false,
       "# mine\r\nepochs = bjd\r\nzone=Europe/Berlin\r\ncolour = blue\r\n"},
      {"values in capitals, values it does not know", noSite, "epochs = BJD\nzone = 5\nmoon = yes\neclipse = ON\n",
       astro::EpochScale::Bjd, " 3", 3, false, true, false, "epochs = BJD\nzone = 5\nmoon = yes\neclipse = ON\n"},
      {"a value it does not know, then the choice made", noSite, "moon = yes\r# caf\xE9\r",
       astro::EpochScale::HjdAsUt, " 3", 3, false, false, true,
       "moon = on\r# caf\xE9\repochs = hjd-as-ut\rzone = \reclipse = on\r"},
      {"the saved site's zone wins", withSite, "epochs = hjd\nzone = Europe/Berlin\n", astro::EpochScale::Hjd, " 8", 8,
       false, false, false, "epochs = hjd\nzone = \n"},
      {"the Moon and Whole eclipse on", noSite, "moon = on\neclipse=on\n", astro::EpochScale::HjdAsUt, " 3", 3, true,
       true, false, "moon = on\neclipse=on\nepochs = hjd-as-ut\nzone = \n"},
      {"both chosen, no file before", noSite, nullptr, astro::EpochScale::HjdAsUt, " 3", 3, false, false, true,
       "epochs = hjd-as-ut\nzone = \neclipse = on\nmoon = on\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_ / data::kOptionsFileName);
    Write("tevaro6.ini", c.settings);
    if (c.options && std::string(c.options) == "/") fs::create_directory(dir_ / data::kOptionsFileName);
    else if (c.options) Write(data::kOptionsFileName, c.options);
    Session s;
    const StartUpResult r = s.StartUp(dir_.string(), {2027, 1, 10}, {std::nullopt, Write("Location.dat", kLocations), std::nullopt});
    EXPECT_EQ(s.params.epochScale, c.scale);
    EXPECT_EQ(r.fields.zone, c.zoneField);
    EXPECT_EQ(s.params.standardZone, c.standardZone);
    EXPECT_EQ(s.params.moon, c.moon);
    EXPECT_EQ(s.params.wholeEclipse, c.eclipse);
    if (c.turnOn) s.params.moon = s.params.wholeEclipse = true;
    ASSERT_FALSE(s.SaveOptionsFile());
    ASSERT_FALSE(s.SaveSettingsFile());
    const fs::path options = dir_ / data::kOptionsFileName;
    if (c.written) {
      std::ifstream in(options, std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.written);
    } else {
      EXPECT_TRUE(!fs::exists(options) || fs::is_directory(options));
    }
    // The settings keep their eleven lines; a named zone's is its standard offset.
    const data::LoadedSettings saved = data::LoadSettings(dir_.string());
    EXPECT_TRUE(saved.fromFile);
    EXPECT_EQ(saved.settings.standardZone, c.standardZone);
  }
}

// An options file there that cannot be read is named once and never
// written over, whatever is chosen; a value it does not know is named with
// its line.
TEST_F(SessionTest, AnOptionsFileThatCannotBeReadIsNeverWritten) {
  const fs::path options = dir_ / data::kOptionsFileName;
  for (const bool folder : {true, false}) {
    SCOPED_TRACE(folder ? "a folder in its place" : "over the size limit");
    fs::remove_all(options);
    if (folder) {
      fs::create_directory(options);
    } else {
      Write(data::kOptionsFileName, "moon = on\n");
      fs::resize_file(options, 64u * 1024 * 1024 + 1);
    }
    Session s;
    const StartUpResult r = s.StartUp(dir_.string(), {2027, 1, 10});
    ASSERT_TRUE(r.optionsFailure);
    EXPECT_EQ(r.optionsFailure->file, options.string());
    s.params.moon = s.params.wholeEclipse = true;
    s.params.epochScale = astro::EpochScale::Bjd;
    EXPECT_FALSE(s.SaveOptionsFile());
    EXPECT_EQ(fs::is_directory(options), folder);
    if (!folder) {
      EXPECT_EQ(fs::file_size(options), 64u * 1024 * 1024 + 1);
      std::ifstream in(options, std::ios::binary);
      std::string head(10, '\0');
      in.read(head.data(), 10);
      EXPECT_EQ(head, "moon = on\n");
    }
  }
  fs::remove_all(options);

  Session s;
  const auto warnings =
      s.ApplyOptions(data::ParseOptions("eclipse = yes\nzone = 5\nepochs = Hjd\nmoon = 1\nzone = Mars/Olympus\n"), "o.ini");
  std::vector<std::string> messages;
  for (const data::FileWarning& w : warnings) messages.push_back(w.Message());
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "o.ini: line 1: eclipse takes on or off, not \"yes\"; off is used",
                          "o.ini: line 4: moon takes on or off, not \"1\"; off is used",
                          "o.ini: line 5: zone takes a zone name the system knows, not \"Mars/Olympus\"",
                      }));
  EXPECT_EQ(s.params.epochScale, astro::EpochScale::Hjd);
}

// "uncertainty = on|off" as the Moon's line: read at start-up as written,
// the line added only once the choice is made.
TEST_F(SessionTest, OptionsFileCarriesTheUncertainty) {
  const struct {
    const char* options;  // nullptr: no file
    bool turnOn;          // chosen before exit
    const char* written;  // nullptr: none written
  } cases[] = {
      {"uncertainty = On\n", false, "uncertainty = On\nepochs = hjd-as-ut\nzone = \n"},
      {nullptr, false, nullptr},
      {nullptr, true, "epochs = hjd-as-ut\nzone = \nuncertainty = on\n"},
  };
  const fs::path options = dir_ / data::kOptionsFileName;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written ? c.written : "none");
    fs::remove_all(options);
    if (c.options) Write(data::kOptionsFileName, c.options);
    Session s;
    EXPECT_TRUE(s.StartUp(dir_.string(), {2027, 1, 10}).warnings.empty());
    EXPECT_EQ(s.params.uncertainty, c.options != nullptr);
    s.params.uncertainty = s.params.uncertainty || c.turnOn;
    ASSERT_FALSE(s.SaveOptionsFile());
    std::ifstream in(options, std::ios::binary);
    EXPECT_EQ(in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(none)", c.written ? c.written : "(none)");
  }
}

// A site whose zone is a name copies the name into the zone field, as a
// number is copied; the daylight-saving rule then does not apply to the run.
TEST_F(SessionTest, ASiteWithANamedZoneRunsOnThatZonesClock) {
  Session s;
  s.params.siteIndex = -1;
  ASSERT_FALSE(s.LoadLocations(Write("Location.dat", std::string(kLocations) + "Cerro Alto, 70.4415, -30.1000, America/Santiago\n")));
  ASSERT_FALSE(s.LoadLimits(Write("Limits.dat", kLimits)));
  ASSERT_FALSE(s.LoadStars(Write("stars.csv", kStars)));
  const SiteFieldTexts t = s.SelectSite(2);
  EXPECT_EQ(t.zone, "America/Santiago");
  EXPECT_EQ(s.params.zoneName, "America/Santiago");
  EXPECT_EQ(s.params.standardZone, 4);
  InputFields in = Fields();
  in.siteIndex = 2;
  in.longitude = t.longitude;
  in.latitude = t.latitude;
  in.zone = t.zone;
  in.year = "2027";
  in.month = "1";
  in.day = "10";
  in.nights = "30";  // northern stars, low from Chile: a month finds some
  in.minStar = "1";
  in.eventBox = {1, 1, 1, 1};
  s.params.dstEnabled = true;
  EXPECT_EQ(s.Calculate(in).status, CalculateResult::Status::Listed);
  EXPECT_EQ(s.report.Line(6), " Time zone = America/Santiago (UT-3)");
}

TEST(FieldChange, ZoneAndNightsBeyondSixteenBitsKeepTheStoredValue) {
  RunParameters p;
  ApplyFieldChange(Field::Zone, "7.5", p);
  EXPECT_EQ(p.standardZone, 8);
  ApplyFieldChange(Field::Zone, "40000", p);
  EXPECT_EQ(p.standardZone, 8);
  ApplyFieldChange(Field::Nights, "6.5", p);
  EXPECT_EQ(p.dayCount, 6);
  ApplyFieldChange(Field::Nights, "-32769", p);
  EXPECT_EQ(p.dayCount, 6);
  ApplyFieldChange(Field::Longitude, " 12.5abc", p);
  EXPECT_EQ(p.longitudeDms, 12.5);
  ApplyFieldChange(Field::MinStar, "", p);
  EXPECT_EQ(p.minStarAltitude, 0);
}

TEST_F(SessionTest, FilesChosenInAFolderKeepTheirNamesOnlyWhenTheyLoad) {
  Session s;
  LoadAll(s);
  const std::string folder = dir_.string();
  Write("other.csv", std::string(kStars) + "RZ Cas,2.48437,69.3801,43200.3063,1.1952500,EA,6.18,7.72,\n");
  ASSERT_FALSE(s.OpenStarFile(folder, "other.csv"));
  EXPECT_EQ(s.stars.entries.size(), 4u);
  EXPECT_EQ(s.starFileName, "other.csv");
  EXPECT_EQ(s.chosenFolder, folder);

  // A failed load from elsewhere records the folder but keeps the data and
  // the name the report header prints.
  fs::create_directories(dir_ / "sub");
  Write("sub/broken.csv", "Heading\nname,RA\nA,1\n");
  const std::string sub = (dir_ / "sub").string();
  const auto failure = s.OpenStarFile(sub, "broken.csv");
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->file, sub + "/broken.csv");
  EXPECT_EQ(s.chosenFolder, sub);
  EXPECT_EQ(s.starFileName, "other.csv");
  EXPECT_EQ(s.stars.entries.size(), 4u);
  // An empty name names the folder itself, which is no star file.
  EXPECT_TRUE(s.OpenStarFile(sub, ""));

  ASSERT_TRUE(s.OpenLimitsFile(folder, "missing.dat"));
  EXPECT_EQ(s.limitsFileName, "Limits.dat");
  EXPECT_EQ(s.limits.rows.size(), 4u);
  Write("wide.dat", "Limits\nDec, E, W\n-90, -12, 12\n90, -12, 12\n");
  ASSERT_FALSE(s.OpenLimitsFile(folder, "wide.dat"));
  EXPECT_EQ(s.limitsFileName, "wide.dat");
  EXPECT_EQ(s.limits.rows.size(), 2u);

  ASSERT_TRUE(s.OpenLocationsFile(sub, "Location.dat"));
  EXPECT_EQ(s.sites.entries.size(), 2u);
  EXPECT_TRUE(s.locationsFileName.empty());
  ASSERT_FALSE(s.OpenLocationsFile(folder, "Location.dat"));
  EXPECT_EQ(s.locationsFileName, "Location.dat");

  // The header names the files whose data the run used.
  ASSERT_EQ(s.Calculate(Fields()).status, CalculateResult::Status::Listed);
  const std::string header = s.report.Bytes().substr(0, 2000);
  EXPECT_NE(header.find("other.csv"), std::string::npos);
  EXPECT_NE(header.find("wide.dat"), std::string::npos);
  EXPECT_EQ(header.find("broken.csv"), std::string::npos);
}

TEST_F(SessionTest, ANameThatDoesNotExistFindsTheFileDifferingOnlyInCase) {
  Write("Location.dat", kLocations);
  Write("Twin.csv", kStars);
  Write("twin.CSV", kStars);
  const std::string folder = dir_.string();
  struct Case {
    const char* typed;
    const char* found;
  };
  const Case cases[] = {
      {"location.dat", "Location.dat"}, {"LOCATION.DAT", "Location.dat"}, {"Location.dat", "Location.dat"},
      {"twin.csv", "twin.csv"},  // two candidates: neither is taken
      {"Twin.csv", "Twin.csv"},         {"nowhere.dat", "nowhere.dat"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExistingName(folder, c.typed), c.found) << c.typed;

  // The chooser's OK loads the file and records the name the file system has.
  Session s;
  ASSERT_FALSE(s.OpenLocationsFile(folder, "location.dat"));
  EXPECT_EQ(s.locationsFileName, "Location.dat");
  EXPECT_EQ(s.sites.entries.size(), 2u);
}

TEST_F(SessionTest, SavedReportHoldsExactlyTheLinesEachEndingInCrLf) {
  Session s;
  LoadAll(s);
  ASSERT_EQ(s.Calculate(Fields()).status, CalculateResult::Status::Listed);
  const std::string folder = dir_.string();
  ASSERT_FALSE(s.SaveReport(folder, "night.txt"));
  EXPECT_EQ(s.chosenFolder, folder);
  EXPECT_EQ(s.reportFileName, "night.txt");

  std::ifstream in(dir_ / "night.txt", std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string expected;
  for (std::size_t i = 1; i <= s.report.LineCount(); ++i) expected += std::string(s.report.Line(i)) + "\r\n";
  EXPECT_EQ(saved, expected);

  // Saving again replaces the file; a failed save leaves it and the report whole.
  const std::string before = s.report.Bytes();
  InputFields dec = Fields();
  dec.option = 3;
  ASSERT_EQ(s.Calculate(dec).status, CalculateResult::Status::Listed);
  ASSERT_FALSE(s.SaveReport(folder, "night.txt"));
  std::ifstream again(dir_ / "night.txt", std::ios::binary);
  const std::string second((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
  EXPECT_EQ(second, s.report.Bytes());
  EXPECT_NE(second, before);

  EXPECT_NE(s.SaveReport(folder, "")->Message().find("no file name was given"), std::string::npos);
  EXPECT_TRUE(s.SaveReport((dir_ / "no such folder").string(), "night.txt"));
  fs::create_directories(dir_ / "taken");
  EXPECT_TRUE(s.SaveReport(folder, "taken"));
  EXPECT_TRUE(fs::is_directory(dir_ / "taken"));
  EXPECT_EQ(s.report.Bytes(), second);
  std::size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir_)) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 4u);  // the three data files and the report: no temporary is left
}

}  // namespace
}  // namespace tevaro::run
