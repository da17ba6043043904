// The folder of the window program's --folder: made, given the start-up
// files it lacks, or refused with nothing written.
#include "data/start_folder.h"

#include <filesystem>
#include <set>

#include "test_files.h"

namespace tevaro::data {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;

const std::string kExamples = TEVARO_EXAMPLES_DIR;

// The names in a folder, sorted, or "(none)" when it does not exist.
std::string Listing(const fs::path& folder) {
  if (!fs::exists(folder)) return "(none)";
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  std::string out;
  for (const auto& n : names) out += n + " ";
  return out;
}

struct Case {
  const char* name;
  const char* folder;         // under the test's temporary folder
  const char* ownLocations;   // Location.dat put there first, or null
  bool ready;                 // PrepareStartFolder gives no message
  const char* listing;        // the folder's names afterwards
  const char* examples = TEVARO_EXAMPLES_DIR;  // the installed files
};

TEST(PrepareStartFolder, MakesFillsOrRefusesTheFolder) {
  const Case cases[] = {
      // Only a folder made here gets the example star file.
      {"new folder and its parent", "a/Tevaro", nullptr, true, "Limits.dat Location.dat stars.csv "},
      {"folder with its own Location.dat", "own", "own sites\n", true, "Limits.dat Location.dat "},
      {"under a regular file", "file/Tevaro", nullptr, false, "(none)"},
      {"a regular file", "file", nullptr, false, "(none)"},
      {"no installed files: made empty", "new", nullptr, true, "", "/nonexistent/examples"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("file", "not a folder\n");
    const fs::path folder = dir.path() / c.folder;
    if (c.ownLocations) {
      fs::create_directories(folder);
      dir.Write(std::string(c.folder) + "/Location.dat", c.ownLocations);
    }
    const std::optional<std::string> message = PrepareStartFolder(folder.string(), c.examples);
    EXPECT_EQ(!message, c.ready) << message.value_or("");
    if (message) {
      EXPECT_NE(message->find(folder.string()), std::string::npos) << *message;
      EXPECT_EQ(ReadAll(dir.File("file")), "not a folder\n");
      EXPECT_EQ(Listing(dir.path()), "file ");
      continue;
    }
    EXPECT_EQ(Listing(folder), c.listing);
    if (!*c.listing) continue;
    EXPECT_EQ(ReadAll((folder / "Location.dat").string()),
              c.ownLocations ? c.ownLocations : ReadAll(kExamples + "/Location.dat"));
    EXPECT_EQ(ReadAll((folder / "Limits.dat").string()), ReadAll(kExamples + "/Limits.dat"));
  }
}

}  // namespace
}  // namespace tevaro::data
