// The options file "tevaro-options.ini", beside the settings file: the
// choices beyond the settings' eleven lines, one `key = value` a line.
// Lines it does not know (other keys, comments, blank lines) are kept as
// they are, so that a later version's choices survive an older program.
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
  // Sets `key`: its last line is rewritten as "key = value", or such a line
  // is added at the end.
  void Set(std::string_view key, std::string_view value);
  // The file's text: every line followed by LF.
  std::string Text() const;

  std::vector<std::string> lines;  // without their line ends
  bool operator==(const OptionsFile&) const = default;
};

struct LoadedOptions {
  OptionsFile options;
  bool fromFile = false;  // false: no file, or one that could not be read
  std::string reason;     // why not, empty when fromFile
};

// The options file's path in `folder` (an empty folder: the bare name).
std::string OptionsPath(const std::string& folder);

// The lines of `bytes` (LF or CR LF line ends, any text).
OptionsFile ParseOptions(std::string_view bytes);

// Reads the options file at `path`; missing or unreadable: no options.
LoadedOptions LoadOptionsFromFile(const std::string& path);

// Writes `options` to `path` through a temporary file renamed over it.
WriteResult SaveOptions(const std::string& path, const OptionsFile& options);

}  // namespace tevaro::data
