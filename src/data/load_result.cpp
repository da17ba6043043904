#include "data/load_result.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "data/text.h"

namespace tevaro::data {
namespace {

// Data files are small; a file beyond this is refused rather than read whole.
constexpr std::uintmax_t kMaxFileBytes = 64u * 1024u * 1024u;
// Links followed from a save target before giving up, as the system does.
constexpr int kMaxLinks = 40;

std::string ErrnoText(int err) { return err ? std::string(std::strerror(err)) : "unknown error"; }

// Why a path cannot be opened, in the system's words where they say more
// than "does not exist".
std::string OpenFailure(int err) {
  if (err == ENOENT) return "the file does not exist";
  return "the file cannot be opened: " + ErrnoText(err);
}

// What a file that is not a regular file is, for a refusal.
std::string NotRegular(mode_t mode) {
  if (S_ISDIR(mode)) return "this is a folder, not a file";
  if (S_ISFIFO(mode)) return "this is a pipe, not a regular file";
  if (S_ISSOCK(mode)) return "this is a socket, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "this is a device, not a regular file";
  return "this is not a regular file";
}

// A file descriptor closed at the end of its scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now; the error of close, or 0.
  int Close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size, int& err) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The file a save replaces: the path itself, or the file its chain of
// symbolic links ends in (which need not exist yet).
std::optional<std::string> FollowLinks(std::string path, std::string& why) {
  namespace fs = std::filesystem;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    const fs::path to = fs::read_symlink(path, ec);
    if (ec) {
      why = "its link cannot be read (" + ec.message() + ")";
      return std::nullopt;
    }
    path = (to.is_absolute() ? to : fs::path(path).parent_path() / to).string();
  }
  why = ErrnoText(ELOOP);
  return std::nullopt;
}

constexpr const char* kTemporarySuffix = ".tmp";

void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string n = it->path().filename().string();
    if (n.size() > prefix.size() + 4 && n.compare(0, prefix.size(), prefix) == 0 &&
        n.compare(n.size() - 4, 4, kTemporarySuffix) == 0) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

}  // namespace

std::string TemporaryPrefix(const std::string& fileName) {
  std::uint32_t h = 2166136261u;  // FNV-1a of the name
  for (const char c : fileName) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  char text[16];
  std::snprintf(text, sizeof text, ".tv%08x-", static_cast<unsigned>(h));
  return text;
}

std::string FileFailure::Message() const {
  std::string m;
  if (op == Op::Write) m = file.empty() ? "Could not write: " : "Could not write " + file + ": ";
  else if (!file.empty()) m = file + ": ";
  if (op == Op::Read && line > 0)
    m += "line " + std::to_string(line) + (column.empty() ? "" : ", column " + column) + ": ";
  return EscapeControls(m + reason);
}

LoadResult<std::string> ReadFileBytes(const std::string& path) {
  if (path.empty()) return FileFailure{path, 0, "no file name was given"};
  // Only a regular file is read: a pipe or a device could block or never end.
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return FileFailure{path, 0, OpenFailure(errno)};
  if (!S_ISREG(st.st_mode)) return FileFailure{path, 0, NotRegular(st.st_mode)};
  // Opened without waiting, and checked again, should the path change between.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return FileFailure{path, 0, OpenFailure(errno)};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return FileFailure{path, 0, NotRegular(st.st_mode)};
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxFileBytes)
    return FileFailure{path, 0, "the file is too large to be a data file"};
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileFailure{path, 0, "the file cannot be read: " + ErrnoText(errno)};
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kMaxFileBytes) return FileFailure{path, 0, "the file is too large to be a data file"};
  }
  return bytes;
}

WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes) {
  return WriteFileAtomicallyFrom(path, [&bytes](const ByteSink& sink) { return bytes.empty() || sink(bytes); });
}

std::string WriteTarget(const std::string& path) {
  namespace fs = std::filesystem;
  std::string why;
  std::error_code ec;
  const fs::path followed = fs::absolute(FollowLinks(path, why).value_or(path), ec);
  if (ec) return path;
  const fs::path resolved = fs::weakly_canonical(followed, ec);
  return (ec ? followed.lexically_normal() : resolved).string();
}

WriteResult WriteFileAtomicallyFrom(const std::string& path, const ByteSource& produce) {
  namespace fs = std::filesystem;
  auto failed = [&](const std::string& why) { return FileFailure{path, 0, why, FileFailure::Op::Write}; };
  if (path.empty()) return failed("no file name was given");

  // A link is saved through: its target is replaced, the link stays.
  std::string why;
  const std::optional<std::string> resolved = FollowLinks(path, why);
  if (!resolved) return failed(why);
  const fs::path target(*resolved);
  if (target.filename().empty()) return failed("no file name was given");

  // Only a regular file is replaced, keeping its permission bits.
  struct stat st{};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return failed(ErrnoText(errno));
  if (exists && !S_ISREG(st.st_mode)) return failed(NotRegular(st.st_mode) + "; nothing was written");

  // A temporary file of a short fresh name in the target's folder, created
  // exclusively so that no other file is ever overwritten by it.
  const fs::path folder = target.parent_path();
  const std::string prefix = TemporaryPrefix(target.filename().string());
  std::random_device seed;
  std::mt19937 gen(seed());
  std::string tempPath;
  int fdNumber = -1;
  int openError = 0;
  for (int attempt = 0; attempt < 16 && fdNumber < 0; ++attempt) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "%08x", static_cast<unsigned>(gen()));
    tempPath = (folder / (prefix + tail + kTemporarySuffix)).string();
    fdNumber = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    openError = fdNumber < 0 ? errno : 0;
    if (fdNumber < 0 && openError != EEXIST) break;
  }
  if (fdNumber < 0) return failed("cannot create a file in its folder (" + ErrnoText(openError) + ")");
  Fd fd(fdNumber);

  auto abandon = [&](const std::string& reason) {
    std::error_code ignored;
    fs::remove(tempPath, ignored);
    return failed(reason);
  };
  if (exists) {
    // The owner is kept where the privileges allow; the mode must be kept.
    [[maybe_unused]] const int owned = ::fchown(fd.get(), st.st_uid, st.st_gid);
    if (::fchmod(fd.get(), st.st_mode & 07777) != 0)
      return abandon("cannot keep its permissions (" + ErrnoText(errno) + ")");
  }
  int err = 0;
  const bool written =
      produce([&](std::string_view piece) { return WriteAll(fd.get(), piece.data(), piece.size(), err); });
  if (!written) return abandon("writing failed (" + ErrnoText(err ? err : ECANCELED) + ")");
  if (::fsync(fd.get()) != 0) return abandon("writing failed (" + ErrnoText(errno) + ")");
  if ((err = fd.Close()) != 0) return abandon("writing failed (" + ErrnoText(err) + ")");
  if (::rename(tempPath.c_str(), target.c_str()) != 0)
    return abandon("cannot replace the file (" + ErrnoText(errno) + ")");

  // The rename itself reaches the disk with the folder.
  Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  RemoveStaleTemporaries(folder, prefix);
  return std::nullopt;
}

}  // namespace tevaro::data
