// A dropped file told by its content: the lines that could mislead a guess
// by field count.
#include "data/file_kind.h"

#include "test_files.h"

namespace tevaro::data {
namespace {

using testing::ReadAll;

TEST(KindOfDataFile, TellsTheThreeFilesApart) {
  const std::string ex = TEVARO_EXAMPLES_DIR;
  const struct {
    const char* what;
    std::string bytes;
    DataFileKind kind;
  } cases[] = {
      // Location.dat, Limits.dat and stars.csv: main_window_test drops them under misleading names.
      {"example stars-durations.csv", ReadAll(ex + "/stars-durations.csv"), DataFileKind::Stars},
      {"a zone name, LF ends", "h\nh\nHome, 13.2, 52.3, Europe/Berlin\n", DataFileKind::Locations},
      // A heading line of three numbers is still a heading.
      {"numbers in the headings", "1,2,3,4\n1,2,3,4\n-90,-12,12\n\n0,-6,6", DataFileKind::Limits},
      {"one row of four among threes", "h\nh\n-90,-12,12\n0,-6,6,1\n", DataFileKind::Stars},
      {"a star with five fields", "h\nh\nTV Cas,0.19187,59.0821,41931.51,1.8125931\n", DataFileKind::Stars},
      {"a site whose name is a number", "h\nh\n12,120.3,50.1,8\n", DataFileKind::Stars},
      {"headings only", "h\r\nh\r\n", DataFileKind::Stars},
      {"empty", "", DataFileKind::Stars},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOfDataFile(c.bytes), c.kind) << c.what;
}

}  // namespace
}  // namespace tevaro::data
