#include "app/window_options.h"

#include "app/cli_options.h"

namespace tevaro::app {

const char* const kWindowUsage =
    "usage: tevaro [--folder DIR | --user-folder] [Qt options]\n"
    "       tevaro --help | --version\n"
    "\n"
    "Opens the main window. The settings file tevaro6.ini, Location.dat and\n"
    "Limits.dat are read from the current folder, or with --folder from DIR, which\n"
    "is created when missing and given copies of the installed Location.dat and\n"
    "Limits.dat that it lacks. --user-folder is --folder ~/Tevaro, as the\n"
    "application menu starts it. --folder also takes its value as --folder=DIR.\n"
    "Exit status: 0 on Exit, 2 for a bad command line or a folder that cannot be\n"
    "made ready.\n";

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
