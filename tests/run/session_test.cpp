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

}  // namespace
}  // namespace tevaro::run
