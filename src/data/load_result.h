// What a file operation gives back: a reader the new table or where and why
// reading failed; a writer nothing or why writing failed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace tevaro::data {

struct FileFailure {
  enum class Op { Read, Write };
  std::string file;    // the path as given
  int line = 0;        // line where reading stopped, 0 when the file could not be opened
  std::string reason;  // what was wrong, a short sentence
  Op op = Op::Read;
  std::string column = {};  // the named column of the line where reading stopped, if any
  // "File: line N: reason" (or "File: line N, column C: reason") for a read,
  // "Could not write File: reason" for a write, for a message box or stderr.
  std::string Message() const;
};

// A reader's word about a line it read all the same ("File: line N:
// reason"): nothing stops, the user is told.
using FileWarning = FileFailure;

// What a writer gives back: nothing on success.
using WriteResult = std::optional<FileFailure>;

template <class T>
class LoadResult {
 public:
  LoadResult(T value) : v_(std::move(value)) {}
  LoadResult(FileFailure failure) : v_(std::move(failure)) {}
  bool ok() const { return std::holds_alternative<T>(v_); }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<T>(v_); }
  const T& value() const { return std::get<T>(v_); }
  const FileFailure& failure() const { return std::get<FileFailure>(v_); }

 private:
  std::variant<T, FileFailure> v_;
};

// The whole file as bytes, or a failure naming it.
LoadResult<std::string> ReadFileBytes(const std::string& path);

// Writes `bytes` to `path` through a temporary file in the same folder renamed
// over it, so an interrupted or failed write never leaves a partial file in its
// place.
// A link is saved through to its target, a target that is not a regular file
// is refused, a replaced file keeps its permission bits, and the folder is
// synced after the rename. A temporary file that an earlier save of the same
// name left behind is removed after a successful save.
WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes);

// The file a write to `path` replaces, as an absolute path: links to the
// file followed as the write follows them, then ".", ".." and links among
// the folders resolved; a file or folder not there yet is taken by its name.
// Two paths name the same file when their targets are equal.
std::string WriteTarget(const std::string& path);

// Takes one piece of a file's bytes; false when the piece could not be written.
using ByteSink = std::function<bool(std::string_view)>;
// Hands every piece of a file's bytes to the sink in order; false to give up.
using ByteSource = std::function<bool(const ByteSink&)>;

// WriteFileAtomically for bytes that come in pieces, so that a large text is
// written without a copy of the whole of it.
WriteResult WriteFileAtomicallyFrom(const std::string& path, const ByteSource& produce);

// The start of the names of the temporary files that saves of `fileName` make
// in its folder (followed by eight hex digits and ".tmp").
std::string TemporaryPrefix(const std::string& fileName);

}  // namespace tevaro::data
