// The folder the window program runs in when it is given one (--folder):
// made on first use and given the installed Location.dat and Limits.dat, so
// that the settings and data files are then found by bare name as always.
#pragma once

#include <optional>
#include <string>

namespace tevaro::data {

// The start-up files a new folder gets copies of, when they are missing.
inline constexpr const char* kStartFolderFiles[] = {"Location.dat", "Limits.dat"};
// The example star file a folder gets only when it is made, so that the first
// start has a star file to open; a folder the user has is not given one.
inline constexpr const char* kNewFolderFiles[] = {"stars.csv"};

// Creates `folder` (and its parents) when it does not exist, then copies each
// of kStartFolderFiles that the folder lacks from `examplesFolder`, and into a
// folder it has just made kNewFolderFiles too; a file missing there is left
// out. A file the folder already has is kept as it is.
// Gives nothing when the folder is ready, or a message saying why it is not:
// it cannot be created, it is not a folder, or a copy cannot be written.
std::optional<std::string> PrepareStartFolder(const std::string& folder, const std::string& examplesFolder);

}  // namespace tevaro::data
