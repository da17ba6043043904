// Command line of the window program tevaro.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tevaro::app {

struct WindowOptions {
  std::optional<std::string> folder;  // --folder DIR, or the user's own with --user-folder
  bool help = false;
  bool version = false;
};

// The folder --user-folder names: "Tevaro" in the home folder `home`.
std::string UserFolder(const std::string& home);

// Parses argv[1..]. Arguments starting with a single '-' are left to Qt
// (-platform, -style and the like); an unknown "--" option is an error, with
// the reason in `error`. `home` is the home folder, for --user-folder.
std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args, const std::string& home,
                                                std::string& error);

// The usage --help prints and a bad command line follows with.
std::string WindowUsage();

}  // namespace tevaro::app
