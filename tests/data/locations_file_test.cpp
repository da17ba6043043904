#include "data/locations_file.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace tevaro::data {
namespace {

using testing::ExpectFailure;

using testing::ExampleFile;
using testing::TempDir;

const std::string kExample =
    "Observatory locations, angles in DD.MMSS\r\n"
    "Name, Longitude (+W), Latitude (+N), Time zone (+W)\r\n"
    "Veltrin Observatory, 120.3015, 50.1230, 8\r\n"
    "\"Ridge Station, south dome\", 70.2530, -30.1045, 4\r\n"
    "Lakeside Roof, -11.3000, 47.2015, -1\r\n";

std::string SitesFile(int rows) {
  std::string text = "h\r\nh\r\n";
  for (int k = 0; k < rows; ++k) text += "Site " + std::to_string(k) + ", 1.2, 3.4, 5\r\n";
  return text;
}

void ExpectExampleSites(const SiteTable& t) {
  ASSERT_EQ(t.entries.size(), 3u);
  EXPECT_EQ(t.entries[0].name, "Veltrin Observatory");
  EXPECT_EQ(t.entries[0].longitudeDms, FieldValue::Of(120.3015));
  EXPECT_EQ(t.entries[0].latitudeDms, FieldValue::Of(50.1230));
  EXPECT_EQ(t.entries[0].zone, FieldValue::Of(8));
  EXPECT_EQ(t.entries[1].name, "Ridge Station, south dome");
  EXPECT_EQ(t.entries[1].longitudeDms, FieldValue::Of(70.2530));
  EXPECT_EQ(t.entries[1].latitudeDms, FieldValue::Of(-30.1045));
  EXPECT_EQ(t.entries[1].zone, FieldValue::Of(4));
  EXPECT_EQ(t.entries[2].name, "Lakeside Roof");
  EXPECT_EQ(t.entries[2].longitudeDms, FieldValue::Of(-11.3));
  EXPECT_EQ(t.entries[2].latitudeDms, FieldValue::Of(47.2015));
  EXPECT_EQ(t.entries[2].zone, FieldValue::Of(-1));
}

TEST(LoadLocations, ExampleLoadsThreeObservatories) {
  TempDir dir;
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    std::string text = kExample;
    std::string converted;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        converted += eol;
        ++i;
      } else {
        converted += text[i];
      }
    }
    auto r = LoadLocations(dir.Write("Location.dat", converted));
    ASSERT_TRUE(r.ok()) << r.failure().Message();
    ExpectExampleSites(r.value());
  }
}

TEST(LoadLocations, SampleFileIsTheExample) {
  EXPECT_EQ(testing::ReadAll(ExampleFile("Location.dat")), kExample);
  auto r = LoadLocations(ExampleFile("Location.dat"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  ExpectExampleSites(r.value());
}

TEST(LoadLocations, CapacityIs101Sites) {
  TempDir dir;
  auto full = LoadLocations(dir.Write("101.dat", SitesFile(101)));
  ASSERT_TRUE(full.ok()) << full.failure().Message();
  ASSERT_EQ(full.value().entries.size(), 101u);
  EXPECT_EQ(full.value().entries[100].name, "Site 100");

  const std::string p = dir.Write("102.dat", SitesFile(102));
  auto over = LoadLocations(p);
  ExpectFailure(over, p, 104);
  EXPECT_NE(over.failure().reason.find("101"), std::string::npos) << over.failure().reason;
}

TEST(LoadLocations, UnquotedCommaShiftsTheRow) {
  TempDir dir;
  auto r = LoadLocations(dir.Write("s.dat", "h\nh\nRidge Station, south dome, 70.2530, -30.1045, 4\n"
                                            "Lakeside Roof, -11.3, 47.2015\n"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const auto& e = r.value().entries;
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].name, "Ridge Station");
  EXPECT_EQ(e[0].longitudeDms, FieldValue::OfText("south dome"));
  EXPECT_EQ(e[0].zone, FieldValue::Of(-30.1045));
  EXPECT_EQ(e[1].name, "4");
  EXPECT_EQ(e[1].longitudeDms, FieldValue::OfText("Lakeside Roof"));
}

TEST(LoadLocations, NumbersKeepTheirKind) {
  TempDir dir;
  auto r = LoadLocations(dir.Write("k.dat", "h\nh\nA,,abc, 7 \n"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const SiteEntry& a = r.value().entries.at(0);
  EXPECT_TRUE(a.longitudeDms.IsEmpty());
  EXPECT_EQ(a.latitudeDms, FieldValue::OfText("abc"));
  EXPECT_EQ(a.zone, FieldValue::Of(7));
}

// A time zone that is neither a number nor a zone name the system knows is
// kept as read and named with its line; a number, an empty field or a known
// name is not.
TEST(LoadLocations, AZoneThatIsNoZoneIsNamed) {
  auto r = ParseLocations("h\nh\nA,1,2,5x\nB,1,2,Europe/Berlin\nC,1,2,\nD,1,2,Mars/Olympus\nE,1,2,-3.5\n"
                          "F,1,2\nlocaltime\nG,1,2,\"+\"\n",
                          "L.dat");
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  EXPECT_EQ(r.value().entries.at(0).zone, FieldValue::OfText("5x"));
  std::vector<std::string> messages;
  for (const FileWarning& w : r.value().warnings) messages.push_back(w.Message());
  const std::string neither = " is neither a number of hours nor a zone name the system knows";
  EXPECT_EQ(messages, (std::vector<std::string>{"L.dat: line 3: the time zone \"5x\"" + neither,
                                                 "L.dat: line 6: the time zone \"Mars/Olympus\"" + neither,
                                                 "L.dat: line 9: the time zone \"localtime\"" + neither,
                                                 "L.dat: line 10: the time zone \"+\"" + neither}));
}

TEST(LoadLocations, TailAndTruncation) {
  TempDir dir;
  auto blank = LoadLocations(dir.Write("b.dat", kExample + "\r\n  \r\n"));
  ASSERT_TRUE(blank.ok()) << blank.failure().Message();
  EXPECT_EQ(blank.value().entries.size(), 3u);

  std::string p = dir.Write("cut.dat", kExample + "Last, 1, 2\r\n");
  auto cut = LoadLocations(p);
  ExpectFailure(cut, p, 6);
  EXPECT_NE(cut.failure().reason.find("time zone"), std::string::npos) << cut.failure().reason;

  p = dir.Write("heads.dat", "h\r\nh\r\n");
  ExpectFailure(LoadLocations(p), p, 3);
  p = dir.Write("one.dat", "h");
  ExpectFailure(LoadLocations(p), p, 2);
  p = dir.File("missing.dat");
  ExpectFailure(LoadLocations(p), p, 0);
}

TEST(LoadLocations, ByteOrderMarkAndWindows1252) {
  TempDir dir;
  auto r = LoadLocations(dir.Write("e.dat", "\xEF\xBB\xBFh\nh\nMont-M\xE9gantic, 71.0910, 45.2719, 5\n"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  EXPECT_EQ(r.value().entries.at(0).name, "Mont-M\xC3\xA9gantic");
}

}  // namespace
}  // namespace tevaro::data
