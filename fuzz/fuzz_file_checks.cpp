// The checks made on a path before a file is read or replaced: what the
// first byte makes the path (a regular file, a folder, a pipe, a socket, a
// link to any of them, a loop of links, nothing), with the rest as content.
// A read never waits on a pipe and reads back exactly a regular file's bytes;
// a save replaces only a regular file, through any link, and leaves no
// temporary file.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/load_result.h"
#include "fuzz_check.h"

namespace fs = std::filesystem;
using namespace tevaro::data;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const fs::path dir = fs::temp_directory_path() / ("tevaro-fuzz-files-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  const fs::path p = dir / "target";
  const fs::path real = dir / "real";
  const int kind = data[0] % 8;
  const int linked = (data[0] / 8) % 2;
  const fs::path made = linked ? real : p;
  bool regular = false;
  switch (kind) {
    case 0: std::ofstream(made, std::ios::binary) << content; regular = true; break;
    case 1: fs::create_directories(made); break;
    case 2: FUZZ_CHECK(::mkfifo(made.c_str(), 0600) == 0); break;
    case 3: {  // a socket; no device, which a faulty save could replace
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un a{};
      a.sun_family = AF_UNIX;
      std::snprintf(a.sun_path, sizeof a.sun_path, "%s", made.c_str());
      FUZZ_CHECK(fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
      ::close(fd);
      break;
    }
    case 4: fs::create_symlink(made, made); break;  // a link to itself
    default: break;  // nothing there
  }
  if (linked) fs::create_symlink(real, p);

  const auto read = ReadFileBytes(p.string());
  FUZZ_CHECK(read.ok() == regular);
  if (read.ok()) FUZZ_CHECK(read.value() == content);
  else FUZZ_CHECK(!read.failure().reason.empty());

  const WriteResult written = WriteFileAtomically(p.string(), content + "x");
  const bool replaceable = regular || kind >= 5;  // a regular file or none
  FUZZ_CHECK(!written == replaceable);
  if (!written) {
    const auto back = ReadFileBytes(p.string());
    FUZZ_CHECK(back.ok() && back.value() == content + "x");
    if (linked) FUZZ_CHECK(fs::is_symlink(p));
  } else {
    FUZZ_CHECK(written->Message().rfind("Could not write ", 0) == 0);
  }
  std::size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir)) entries += e.path().filename().string().rfind(".tv", 0) == 0;
  FUZZ_CHECK(entries == 0);
  return 0;
}
