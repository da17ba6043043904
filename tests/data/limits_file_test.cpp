#include "data/limits_file.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace tevaro::data {
namespace {

using testing::ExpectFailure;

using testing::ExampleFile;
using testing::TempDir;

const std::string kExample =
    "Site limits: declination (deg), east and west hour-angle limits (h)\r\n"
    "Dec, HA east, HA west\r\n"
    "-90, -12, 12\r\n"
    "-60, -6.0, 6.0\r\n"
    "-30, -3.0, 3.0\r\n"
    "0, -5.5, 5.5\r\n"
    "60, -6.0, 6.0\r\n"
    "90, -12, 12\r\n";

std::string RowsFile(int rows) {
  std::string text = "h\nh\n";
  for (int k = 0; k < rows; ++k) text += std::to_string(k - 90) + ",-3,3\n";
  return text;
}

TEST(LoadSiteLimits, ExampleCoversBothPolesAndInterpolates) {
  EXPECT_EQ(testing::ReadAll(ExampleFile("Limits.dat")), kExample);
  auto r = LoadSiteLimits(ExampleFile("Limits.dat"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const auto& rows = r.value().rows;
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0].declinationDeg, -90);
  EXPECT_EQ(rows[0].eastLimitHours, -12);
  EXPECT_EQ(rows[0].westLimitHours, 12);
  EXPECT_EQ(rows[2].declinationDeg, -30);
  EXPECT_EQ(rows[2].eastLimitHours, -3);
  EXPECT_EQ(rows[2].westLimitHours, 3);
  EXPECT_EQ(rows[5].declinationDeg, 90);
  EXPECT_EQ(rows[5].eastLimitHours, -12);
  EXPECT_EQ(rows[5].westLimitHours, 12);

  const astro::HourAngleLimits at30 = astro::LookupSiteLimits(r.value(), 30);
  EXPECT_DOUBLE_EQ(at30.eastHours, -5.75);
  EXPECT_DOUBLE_EQ(at30.westHours, 5.75);
  // South of -30 degrees, where the sample file once ended, stars have limits.
  const astro::HourAngleLimits south = astro::LookupSiteLimits(r.value(), -40);
  EXPECT_DOUBLE_EQ(south.eastHours, -4);
  EXPECT_DOUBLE_EQ(south.westHours, 4);
}

TEST(LoadSiteLimits, CapacityIs100Rows) {
  TempDir dir;
  auto full = LoadSiteLimits(dir.Write("100.dat", RowsFile(100)));
  ASSERT_TRUE(full.ok()) << full.failure().Message();
  EXPECT_EQ(full.value().rows.size(), 100u);

  const std::string p = dir.Write("101.dat", RowsFile(101));
  auto over = LoadSiteLimits(p);
  ExpectFailure(over, p, 103);
  EXPECT_NE(over.failure().reason.find("100"), std::string::npos) << over.failure().reason;
}

TEST(LoadSiteLimits, TextValueFailsAndEmptyIsZero) {
  TempDir dir;
  auto empty = LoadSiteLimits(dir.Write("e.dat", "h\nh\n-10,,3\n20,-4,\n"));
  ASSERT_TRUE(empty.ok()) << empty.failure().Message();
  EXPECT_EQ(empty.value().rows[0].eastLimitHours, 0);
  EXPECT_EQ(empty.value().rows[1].westLimitHours, 0);

  const std::string p = dir.Write("t.dat", "h\nh\n-30,-3,3\n0,-5.5\n5.5x\n60,-6,6\n");
  auto text = LoadSiteLimits(p);
  ExpectFailure(text, p, 5);  // the bad field lies on line 5
  EXPECT_NE(text.failure().reason.find("\"5.5x\" is not a number"), std::string::npos) << text.failure().reason;
  EXPECT_NE(text.failure().reason.find("west"), std::string::npos) << text.failure().reason;
}

TEST(LoadSiteLimits, RowsMustAscend) {
  TempDir dir;
  auto equal = LoadSiteLimits(dir.Write("eq.dat", "h\nh\n0,-1,1\n0,-2,2\n10,-3,3\n"));
  ASSERT_TRUE(equal.ok()) << equal.failure().Message();
  const std::string p = dir.Write("d.dat", "h\nh\n0,-1,1\n30,-2,2\n10,-3,3\n");
  auto down = LoadSiteLimits(p);
  ExpectFailure(down, p, 5);
  EXPECT_NE(down.failure().reason.find("ascending"), std::string::npos) << down.failure().reason;
}

TEST(LoadSiteLimits, TailTruncationAndHeadings) {
  TempDir dir;
  auto blank = LoadSiteLimits(dir.Write("b.dat", kExample + "\r\n\t\r\n"));
  ASSERT_TRUE(blank.ok()) << blank.failure().Message();
  EXPECT_EQ(blank.value().rows.size(), 6u);

  std::string p = dir.Write("cut.dat", kExample + "95, -12\r\n");
  ExpectFailure(LoadSiteLimits(p), p, 9);
  p = dir.Write("heads.dat", "Site limits\r\nDec, HA east, HA west\r\n");
  ExpectFailure(LoadSiteLimits(p), p, 3);
  p = dir.File("none.dat");
  ExpectFailure(LoadSiteLimits(p), p, 0);
}

}  // namespace
}  // namespace tevaro::data
