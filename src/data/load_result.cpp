#include "data/load_result.h"

#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define TEVARO_HAVE_FSYNC 1
#endif

namespace tevaro::data {
namespace {

// Data files are small; a file beyond this is refused rather than read whole.
constexpr std::uintmax_t kMaxFileBytes = 64u * 1024u * 1024u;

std::string ErrnoText(int err) { return err ? std::string(std::strerror(err)) : "unknown error"; }

}  // namespace

std::string LoadFailure::Message() const {
  if (line <= 0) return file + ": " + reason;
  return file + ": line " + std::to_string(line) + ": " + reason;
}

LoadResult<std::string> ReadFileBytes(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return LoadFailure{path, 0, "the file does not exist"};
  if (fs::is_directory(status)) return LoadFailure{path, 0, "this is a folder, not a file"};
  if (fs::is_regular_file(status)) {
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > kMaxFileBytes) return LoadFailure{path, 0, "the file is too large to be a data file"};
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return LoadFailure{path, 0, "the file cannot be opened: " + ErrnoText(errno)};
  std::string bytes;
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxFileBytes) return LoadFailure{path, 0, "the file is too large to be a data file"};
  }
  if (in.bad()) return LoadFailure{path, 0, "the file cannot be read"};
  return bytes;
}

std::string WriteFileAtomically(const std::string& path, const std::string& bytes) {
  return WriteFileAtomicallyFrom(path, [&bytes](const ByteSink& sink) { return bytes.empty() || sink(bytes); });
}

std::string WriteFileAtomicallyFrom(const std::string& path, const ByteSource& produce) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const std::string failed = "Could not write " + path + ": ";

  // A temporary file of a fresh name in the target's folder, created
  // exclusively so that no other file is ever overwritten by it.
  std::random_device seed;
  std::mt19937_64 gen(seed());
  std::FILE* file = nullptr;
  std::string tempPath;
  int openError = 0;
  for (int attempt = 0; attempt < 16 && !file; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(gen()));
    tempPath = path + suffix;
    errno = 0;
    file = std::fopen(tempPath.c_str(), "wbx");
    openError = errno;
    if (!file && openError != EEXIST) break;
  }
  if (!file) return failed + "cannot create a file in its folder (" + ErrnoText(openError) + ")";

  auto abandon = [&](const std::string& why) {
    std::error_code ignored;
    fs::remove(tempPath, ignored);
    return failed + why;
  };

  int err = 0;
  bool ok = produce([&](std::string_view piece) {
    if (piece.empty() || std::fwrite(piece.data(), 1, piece.size(), file) == piece.size()) return true;
    err = errno;
    return false;
  });
  if (!ok && err == 0) err = ECANCELED;
  if (ok && std::fflush(file) != 0) {
    ok = false;
    err = errno;
  }
#ifdef TEVARO_HAVE_FSYNC
  if (ok && ::fsync(::fileno(file)) != 0) {
    ok = false;
    err = errno;
  }
#endif
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) return abandon("writing failed (" + ErrnoText(err) + ")");

  std::error_code ec;
  fs::rename(tempPath, target, ec);
  if (ec) return abandon("cannot replace the file (" + ec.message() + ")");
  return {};
}

}  // namespace tevaro::data
