#include "data/start_folder.h"

#include <filesystem>
#include <iterator>
#include <system_error>
#include <vector>

#include "data/load_result.h"

namespace tevaro::data {

namespace fs = std::filesystem;

std::optional<std::string> PrepareStartFolder(const std::string& folder, const std::string& examplesFolder) {
  if (folder.empty()) return "no folder was given";
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  const bool made = !fs::exists(status);
  if (!made) {
    if (!fs::is_directory(status)) return "'" + folder + "' is not a folder";
  } else {
    fs::create_directories(folder, ec);
    if (ec) return "cannot create the folder '" + folder + "': " + ec.message();
  }
  std::vector<const char*> names(std::begin(kStartFolderFiles), std::end(kStartFolderFiles));
  if (made) names.insert(names.end(), std::begin(kNewFolderFiles), std::end(kNewFolderFiles));
  for (const char* name : names) {
    const fs::path target = fs::path(folder) / name;
    // A dangling link counts as present: the user's link is not replaced.
    if (fs::exists(fs::symlink_status(target, ec))) continue;
    const LoadResult<std::string> bytes = ReadFileBytes((fs::path(examplesFolder) / name).string());
    if (!bytes) continue;
    if (const WriteResult failure = WriteFileAtomically(target.string(), bytes.value())) return failure->Message();
  }
  return std::nullopt;
}

}  // namespace tevaro::data
