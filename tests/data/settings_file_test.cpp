#include "data/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "test_files.h"

namespace tevaro::data {
namespace {

using testing::TempDir;

const std::string kDefaultsText =
    "100,100,11800,6700\r\n0\r\n123,54\r\n8\r\n1\r\n-12\r\n20\r\n-1,0,0,0\r\n1\r\n0\r\n-1\r\n";

Settings Custom() {
  Settings s;
  s.placement = {-120, 2400, 9000, 32767};
  s.siteIndex = -1;
  s.longitudeDms = 122.50515;
  s.latitudeDms = -0.5;
  s.standardZone = -10;
  s.dayCount = 365;
  s.maxSunAltitude = -18.25;
  s.minStarAltitude = 0.000001;
  s.eventWanted = {0, -1, 1, -1};
  s.outputMode = 3;
  s.ignoreEaSecondary = 2;
  s.dstEnabled = 0;
  return s;
}

TEST(SettingsText, DefaultsGiveTheDocumentedFile) {
  EXPECT_EQ(SettingsText(Settings{}), kDefaultsText);
}

TEST(SettingsText, RealsHaveFifteenDigitsAndNoTrailingZeros) {
  Settings s = Custom();
  s.longitudeDms = 1.0 / 3.0;
  s.latitudeDms = 123456789012345678.0;
  s.maxSunAltitude = -0.1 - 0.2;
  s.minStarAltitude = 20.5;
  const std::string text = SettingsText(s);
  EXPECT_NE(text.find("\r\n0.333333333333333,123456789012346000\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n-0.3\r\n20.5\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("-120,2400,9000,32767\r\n-1\r\n"), std::string::npos) << text;
}

TEST(LoadSettings, DefaultsFileLoadsFromTheFile) {
  TempDir dir;
  dir.Write(kSettingsFileName, kDefaultsText);
  const LoadedSettings r = LoadSettings(dir.path().string());
  EXPECT_TRUE(r.fromFile) << r.reason;
  EXPECT_EQ(r.settings, Settings{});
  EXPECT_EQ(r.settings.placement.width, 11800);
  EXPECT_EQ(r.settings.longitudeDms, 123);
  EXPECT_EQ(r.settings.eventWanted[0], -1);
}

TEST(LoadSettings, SaveAndLoadRoundTrip) {
  TempDir dir;
  const Settings s = Custom();
  ASSERT_FALSE(SaveSettings(dir.path().string(), s));
  EXPECT_EQ(testing::ReadAll(dir.File(kSettingsFileName)), SettingsText(s));
  const LoadedSettings r = LoadSettings(dir.path().string());
  ASSERT_TRUE(r.fromFile) << r.reason;
  EXPECT_EQ(r.settings, s);
  // Saving again replaces the file and leaves no temporary file behind.
  ASSERT_FALSE(SaveSettings(dir.path().string(), Settings{}));
  EXPECT_EQ(testing::ReadAll(dir.File(kSettingsFileName)), kDefaultsText);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(LoadSettings, ReadsFollowTheFieldStreamAndRoundHalvesToEven) {
  TempDir dir;
  dir.Write(kSettingsFileName, "1,2,3,4,5\n6.5,7.5\n2.5,3.5,-4.5,-0.5\n-1,0,1,-1,2.5\n1.5\n0.5\n");
  const LoadedSettings r = LoadSettings(dir.path().string());
  ASSERT_TRUE(r.fromFile) << r.reason;
  const Settings& s = r.settings;
  EXPECT_EQ(s.placement, (OutputPlacement{1, 2, 3, 4}));
  EXPECT_EQ(s.siteIndex, 5);
  EXPECT_EQ(s.longitudeDms, 6.5);
  EXPECT_EQ(s.latitudeDms, 7.5);
  EXPECT_EQ(s.standardZone, 2);  // 2.5 -> 2
  EXPECT_EQ(s.dayCount, 4);      // 3.5 -> 4
  EXPECT_EQ(s.maxSunAltitude, -4.5);
  EXPECT_EQ(s.minStarAltitude, -0.5);
  EXPECT_EQ(s.eventWanted, (std::array<std::int16_t, 4>{-1, 0, 1, -1}));
  EXPECT_EQ(s.outputMode, 2);         // 2.5 -> 2
  EXPECT_EQ(s.ignoreEaSecondary, 2);  // 1.5 -> 2
  EXPECT_EQ(s.dstEnabled, 0);         // 0.5 -> 0
}

TEST(LoadSettings, NonNumericFieldReadsAsZero) {
  TempDir dir;
  dir.Write(kSettingsFileName, "100,100,11800,6700\r\nx\r\n123,54\r\n8\r\n1\r\n-12\r\n20\r\n-1,0,0,0\r\n1\r\n0\r\nyes\r\n");
  const LoadedSettings r = LoadSettings(dir.path().string());
  ASSERT_TRUE(r.fromFile) << r.reason;
  EXPECT_EQ(r.settings.siteIndex, 0);
  EXPECT_EQ(r.settings.dstEnabled, 0);
}

TEST(LoadSettings, AnyFailureGivesAllDefaults) {
  TempDir dir;
  const std::string folder = dir.path().string();

  const LoadedSettings missing = LoadSettings(folder);
  EXPECT_FALSE(missing.fromFile);
  EXPECT_EQ(missing.settings, Settings{});
  EXPECT_NE(missing.reason.find(kSettingsFileName), std::string::npos) << missing.reason;

  // Ten lines of values other than the defaults: the eleventh read fails.
  std::string ten = SettingsText(Custom());
  ten.erase(ten.rfind("0\r\n"));
  ASSERT_EQ(std::count(ten.begin(), ten.end(), '\n'), 10);
  dir.Write(kSettingsFileName, ten);
  const LoadedSettings short_ = LoadSettings(folder);
  EXPECT_FALSE(short_.fromFile);
  EXPECT_EQ(short_.settings, Settings{});
  EXPECT_NE(short_.reason.find("line 11"), std::string::npos) << short_.reason;

  // Ten lines followed by blank lines are still ten lines.
  dir.Write(kSettingsFileName, ten + "\r\n\r\n");
  EXPECT_FALSE(LoadSettings(folder).fromFile);

  // A number beyond the 16-bit range, also after rounding, in any 16-bit field.
  for (const char* bad : {"32768", "-32769", "32767.5", "1e9", "-40000", "1e400", "-1e999"}) {
    SCOPED_TRACE(bad);
    Settings s = Custom();
    std::string text = SettingsText(s);
    const std::size_t at = text.find("\r\n365\r\n");  // the number of nights
    ASSERT_NE(at, std::string::npos);
    text.replace(at + 2, 3, bad);
    dir.Write(kSettingsFileName, text);
    const LoadedSettings over = LoadSettings(folder);
    EXPECT_FALSE(over.fromFile);
    EXPECT_EQ(over.settings, Settings{});
    EXPECT_NE(over.reason.find("line 5"), std::string::npos) << over.reason;
  }
  // The limits themselves fit.
  std::string edge = kDefaultsText;
  edge.replace(0, 18, "32767,-32768,32767.4,-32768.5");
  dir.Write(kSettingsFileName, edge);
  const LoadedSettings fits = LoadSettings(folder);
  ASSERT_TRUE(fits.fromFile) << fits.reason;
  EXPECT_EQ(fits.settings.placement, (OutputPlacement{32767, -32768, 32767, -32768}));
}

TEST(SaveSettings, ReportsAFolderThatCannotBeWritten) {
  TempDir dir;
  const std::string missing = dir.File("no-such-folder");
  const WriteResult failure = SaveSettings(missing, Settings{});
  ASSERT_TRUE(failure);
  const std::string why = failure->Message();
  EXPECT_NE(why.find(kSettingsFileName), std::string::npos) << why;
  EXPECT_FALSE(std::filesystem::exists(missing));

  // A "folder" that is a regular file.
  const std::string file = dir.Write("plain-file", "content");
  EXPECT_TRUE(SaveSettings(file, Settings{}));
  EXPECT_EQ(testing::ReadAll(file), "content");
}

TEST(SaveSettings, FailedReplaceLeavesTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  // The settings name taken by a folder: the rename over it fails.
  std::filesystem::create_directories(dir.path() / kSettingsFileName / "inside");
  EXPECT_TRUE(SaveSettings(dir.path().string(), Settings{}));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / kSettingsFileName / "inside"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Limits the size of files this process writes (which binds root as well),
// so that a write fails part way.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST(SaveSettings, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  const std::string folder = dir.path().string();
  ASSERT_FALSE(SaveSettings(folder, Custom()));
  const std::string before = testing::ReadAll(dir.File(kSettingsFileName));
  WriteResult failure;
  {
    FileSizeLimit limit(10);
    failure = SaveSettings(folder, Settings{});
  }
  EXPECT_TRUE(failure);
  EXPECT_EQ(testing::ReadAll(dir.File(kSettingsFileName)), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_EQ(LoadSettings(folder).settings, Custom());
}

}  // namespace
}  // namespace tevaro::data
