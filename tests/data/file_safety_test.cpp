// Reading only regular files, saving through links and keeping what a save
// replaces, and messages that carry file text safely.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/limits_file.h"
#include "data/load_result.h"
#include "data/settings_file.h"
#include "data/text.h"
#include "test_files.h"

namespace tevaro::data {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(ReadFileBytes, RefusesAtOnceWhatIsNotARegularFile) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.dat");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Reading a pipe with no writer would wait for ever.
  auto r = ReadFileBytes(fifo);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.failure().reason, "this is a pipe, not a regular file");
  EXPECT_EQ(ReadFileBytes("/dev/null").failure().reason, "this is a device, not a regular file");
  EXPECT_EQ(ReadFileBytes(dir.path().string()).failure().reason, "this is a folder, not a file");
  // Through a reader, the same refusal with the file named.
  const auto limits = LoadSiteLimits(fifo);
  ASSERT_FALSE(limits.ok());
  EXPECT_EQ(limits.failure().Message(), fifo + ": this is a pipe, not a regular file");
  // A link to a regular file is read.
  const std::string real = dir.Write("real.dat", "bytes");
  fs::create_symlink(real, dir.File("link.dat"));
  ASSERT_TRUE(ReadFileBytes(dir.File("link.dat")).ok());
  EXPECT_EQ(ReadFileBytes(dir.File("link.dat")).value(), "bytes");
}

TEST(ReadFileBytes, SaysWhatTheSystemSays) {
  TempDir dir;
  EXPECT_EQ(ReadFileBytes("").failure().Message(), "no file name was given");
  EXPECT_EQ(ReadFileBytes(dir.File("none.dat")).failure().reason, "the file does not exist");
  fs::create_symlink(dir.File("b"), dir.File("a"));
  fs::create_symlink(dir.File("a"), dir.File("b"));
  EXPECT_EQ(ReadFileBytes(dir.File("a")).failure().reason,
            "the file cannot be opened: Too many levels of symbolic links");
  // A file in a folder this user may not enter (root may: test as nobody).
  fs::create_directories(dir.path() / "closed");
  const std::string inside = dir.Write("closed/x.dat", "x");
  fs::permissions(dir.path() / "closed", fs::perms::owner_write);
  const bool root = ::geteuid() == 0;
  if (root) ::setfsuid(65534);
  const std::string reason = ReadFileBytes(inside).failure().reason;
  if (root) ::setfsuid(0);
  fs::permissions(dir.path() / "closed", fs::perms::owner_all);
  EXPECT_EQ(reason, "the file cannot be opened: Permission denied");
}

TEST(FileFailureMessage, ControlCharactersEscapedAndLongFieldsCut) {
  TempDir dir;
  const std::string huge(3'000'000, 'x');
  const std::string p = dir.Write("lim.dat", "Limits\nDec, E, W\n0, -3, 3\n\x1b[31mten" + huge + ", -4, 4\n");
  const auto r = LoadSiteLimits(p);
  ASSERT_FALSE(r.ok());
  const std::string m = r.failure().Message();
  EXPECT_LT(m.size(), 300u) << m.substr(0, 300);
  EXPECT_NE(m.find("\"\\x1b[31mten" + std::string(kQuotedFieldCharacters - 8, 'x') + "\xE2\x80\xA6\""),
            std::string::npos)
      << m;
  EXPECT_EQ(m.find('\x1b'), std::string::npos);
  // NUL, CR, LF and a C1 character in a file's name.
  const FileFailure f{std::string("a\0b\r\n\xC2\x9B", 7), 2, "bad"};
  EXPECT_EQ(f.Message(), "a\\x00b\\x0d\\x0a\\x9b: line 2: bad");
  EXPECT_EQ(BlankControls("V1\tOph\x7f\xC2\x85z\xC3\xA9"), "V1 Oph  z\xC3\xA9");
}

TEST(WriteFileAtomically, SavesThroughALinkAndKeepsTheModeOfWhatItReplaces) {
  TempDir dir;
  const std::string target = dir.Write("night.txt", "old");
  ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
  const std::string link = dir.File("latest.txt");
  fs::create_symlink("night.txt", link);
  ASSERT_FALSE(WriteFileAtomically(link, "new"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadAll(target), "new");
  struct stat st{};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // A link to a file not there yet creates it.
  fs::create_symlink("later.txt", dir.File("dangling.txt"));
  ASSERT_FALSE(WriteFileAtomically(dir.File("dangling.txt"), "made"));
  EXPECT_EQ(ReadAll(dir.File("later.txt")), "made");
  EXPECT_TRUE(fs::is_symlink(dir.File("dangling.txt")));
  // The settings file at exit goes through its link the same way.
  const std::string kept = dir.Write("kept.ini", "x");
  fs::create_directories(dir.path() / "start");
  fs::create_symlink(kept, dir.path() / "start" / kSettingsFileName);
  ASSERT_FALSE(SaveSettings((dir.path() / "start").string(), Settings{}));
  EXPECT_TRUE(fs::is_symlink(dir.path() / "start" / kSettingsFileName));
  EXPECT_EQ(ReadAll(kept), SettingsText(Settings{}));
}

TEST(WriteFileAtomically, RefusesWhatIsNotARegularFileAndWritesNothing) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const WriteResult onPipe = WriteFileAtomically(fifo, "report");
  ASSERT_TRUE(onPipe);
  EXPECT_EQ(onPipe->Message(), "Could not write " + fifo + ": this is a pipe, not a regular file; nothing was written");
  EXPECT_TRUE(fs::is_fifo(fifo));
  fs::create_directories(dir.path() / "folder");
  ASSERT_TRUE(WriteFileAtomically(dir.File("folder"), "report"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
  fs::create_symlink("/dev/null", dir.File("to-device"));
  ASSERT_TRUE(WriteFileAtomically(dir.File("to-device"), "report"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(EntriesIn(dir.path()), 3u);  // no temporary file left
  EXPECT_EQ(WriteFileAtomically("", "x")->Message(), "Could not write: no file name was given");
  fs::create_symlink(dir.File("loop2"), dir.File("loop1"));
  fs::create_symlink(dir.File("loop1"), dir.File("loop2"));
  EXPECT_EQ(WriteFileAtomically(dir.File("loop1"), "x")->reason, "Too many levels of symbolic links");
}

TEST(WriteFileAtomically, LongNamesAndTemporaryFilesLeftBehind) {
  TempDir dir;
  // The temporary name is short, so a long legal name can be saved.
  const std::string name(240, 'n');
  ASSERT_FALSE(WriteFileAtomically(dir.File(name), "a"));
  EXPECT_EQ(ReadAll(dir.File(name)), "a");
  EXPECT_LT(TemporaryPrefix(name).size() + 12, 32u);

  // What saves killed between writing and renaming left behind: the next
  // successful save of that file removes its own, and only its own.
  const std::string mine = dir.Write(TemporaryPrefix("r.txt") + "0badf00d.tmp", "half");
  const std::string theirs = dir.Write(TemporaryPrefix("s.txt") + "0badf00d.tmp", "half");
  fs::create_directories(dir.path() / "r.txt.d");
  ASSERT_TRUE(WriteFileAtomically(dir.File("r.txt.d"), "x"));  // a failed save removes nothing
  EXPECT_TRUE(fs::exists(mine));
  ASSERT_FALSE(WriteFileAtomically(dir.File("r.txt"), "two"));
  EXPECT_FALSE(fs::exists(mine));
  EXPECT_TRUE(fs::exists(theirs));
  EXPECT_EQ(ReadAll(dir.File("r.txt")), "two");
}

}  // namespace
}  // namespace tevaro::data
