// Temporary folders and files for the data file tests.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "data/load_result.h"

namespace tevaro::data::testing {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the scope.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("tevaro-data-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

  // Writes `bytes` as they are into `name` and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string p = File(name);
    std::ofstream out(p, std::ios::binary);
    out << bytes;
    return p;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text with every "\n" replaced by `eol`.
inline std::string WithLineEnds(const std::string& text, const std::string& eol) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += eol;
    else
      out += c;
  }
  return out;
}

// Expects a failure at `line` with a reason, whose message names the file and
// the line.
template <class T>
void ExpectFailure(const LoadResult<T>& r, const std::string& path, int line) {
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.failure().file, path);
  EXPECT_EQ(r.failure().line, line);
  EXPECT_FALSE(r.failure().reason.empty());
  const std::string message = r.failure().Message();
  EXPECT_NE(message.find(path), std::string::npos) << message;
  if (line > 0) {
    EXPECT_NE(message.find("line " + std::to_string(line)), std::string::npos) << message;
  }
}

inline std::string ExampleFile(const std::string& name) { return std::string(TEVARO_EXAMPLES_DIR) + "/" + name; }

}  // namespace tevaro::data::testing
