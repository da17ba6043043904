// The options file "tevaro-options.ini", beside the settings file: the
// choices beyond the settings' eleven lines, one `key = value` a line.
// The file is kept as bytes: lines it does not know (other keys, comments,
// blank lines, text in any encoding) and lines whose choice did not change
// are written back byte for byte, each with its own line end, so that a later
// version's choices and the user's own edits survive an older program.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/load_result.h"

namespace tevaro::data {

inline constexpr const char* kOptionsFileName = "tevaro-options.ini";

class OptionsFile {
 public:
  // The value of the last line that sets `key`, blanks around it removed;
  // nothing when no line does.
  std::optional<std::string> Get(std::string_view key) const;
  // The 1-based number of the line Get reads `key` from; 0 when none does.
  int LineOf(std::string_view key) const;
  // Sets `key`: its last line is rewritten as "key = value" (keeping its line
  // end) unless it holds that value already, or such a line is added at the
  // end with the file's first line end (LF in a file without one).
  void Set(std::string_view key, std::string_view value);
  // Removes every line that sets `key`.
  void Remove(std::string_view key);
  // The file's bytes: every line followed by its own end.
  std::string Text() const;

  // Each line's bytes with its end (CR LF, LF or CR); the last may have none.
  std::vector<std::string> lines;
  bool operator==(const OptionsFile&) const = default;
};

struct LoadedOptions {
  OptionsFile options;
  bool fromFile = false;  // false: no file, or one that could not be read
  // A file that exists but could not be read: why. Such a file must not be
  // written over, since its choices would be lost.
  std::optional<FileFailure> unreadable;
};

// The options file's path in `folder` (an empty folder: the bare name).
std::string OptionsPath(const std::string& folder);

// The lines of `bytes`: CR LF, LF and a lone CR each end a line; the bytes
// are kept as they are.
OptionsFile ParseOptions(std::string_view bytes);

// Reads the options file at `path`; missing or unreadable: no options.
LoadedOptions LoadOptionsFromFile(const std::string& path);

// Writes `options` to `path` through a temporary file renamed over it.
WriteResult SaveOptions(const std::string& path, const OptionsFile& options);

}  // namespace tevaro::data
