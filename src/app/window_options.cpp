#include "app/window_options.h"

#include "app/cli_options.h"
#include "run/option_texts.h"

namespace tevaro::app {

std::string WindowUsage() {
  return run::UsageText(
      "tevaro", run::kForWindow,
      run::WrapText("Opens the main window. The settings file tevaro6.ini, Location.dat and Limits.dat are read from "
                    "the current folder, or from the folder given. Options starting with a single dash are Qt's own.",
                    0),
      run::WrapText("Exit status: 0 on Exit, 2 for a bad command line or a folder that cannot be made ready.", 0));
}

std::string UserFolder(const std::string& home) { return home + "/Tevaro"; }

std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args, const std::string& home,
                                                std::string& error) {
  WindowOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const LongOption split = SplitLongOption(args[i]);
    const std::string& a = split.name;
    if (a.rfind("--", 0) != 0 && a != "-h") continue;  // Qt's own
    if (a == "--folder") {
      if (split.value) {
        o.folder = *split.value;
      } else if (i + 1 < args.size()) {
        o.folder = args[++i];
      } else {
        error = "--folder needs a value";
        return std::nullopt;
      }
      continue;
    }
    if (split.value) {
      error = a == "--help" || a == "--version" || a == "--user-folder" ? a + " takes no value"
                                                                         : "unknown option '" + a + "'";
      return std::nullopt;
    }
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--user-folder") {
      if (home.empty()) {
        error = "--user-folder: the home folder is not known (HOME is not set)";
        return std::nullopt;
      }
      o.folder = UserFolder(home);
    } else {
      error = "unknown option '" + a + "'";
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace tevaro::app
