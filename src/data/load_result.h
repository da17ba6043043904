// What a reader gives back: the new table, or where and why reading failed.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace tevaro::data {

struct LoadFailure {
  std::string file;    // the path as given
  int line = 0;        // line where reading stopped, 0 when the file could not be opened
  std::string reason;  // what was wrong, a short sentence
  // "File: line N: reason", for a message box or stderr.
  std::string Message() const;
};

template <class T>
class LoadResult {
 public:
  LoadResult(T value) : v_(std::move(value)) {}
  LoadResult(LoadFailure failure) : v_(std::move(failure)) {}
  bool ok() const { return std::holds_alternative<T>(v_); }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<T>(v_); }
  const T& value() const { return std::get<T>(v_); }
  const LoadFailure& failure() const { return std::get<LoadFailure>(v_); }

 private:
  std::variant<T, LoadFailure> v_;
};

// The whole file as bytes, or a failure naming it.
LoadResult<std::string> ReadFileBytes(const std::string& path);

// Writes `bytes` to `path` through a temporary file in the same folder renamed
// over it, so an interrupted or failed write never leaves a partial file in its
// place. Returns the reason of a failure, empty on success.
std::string WriteFileAtomically(const std::string& path, const std::string& bytes);

// Takes one piece of a file's bytes; false when the piece could not be written.
using ByteSink = std::function<bool(std::string_view)>;
// Hands every piece of a file's bytes to the sink in order; false to give up.
using ByteSource = std::function<bool(const ByteSink&)>;

// WriteFileAtomically for bytes that come in pieces, so that a large text is
// written without a copy of the whole of it.
std::string WriteFileAtomicallyFrom(const std::string& path, const ByteSource& produce);

}  // namespace tevaro::data
