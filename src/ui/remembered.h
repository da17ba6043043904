// What the windows remember between uses beyond the settings file, kept in
// the options file: the last star files opened and the places of the main
// window and the night chart.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/options_file.h"
#include "ui/twips.h"

class QWidget;

namespace tevaro::ui {

inline constexpr std::size_t kRecentStarFiles = 8;
inline constexpr const char* kMainWindowKey = "main-window";
inline constexpr const char* kChartWindowKey = "chart-window";

// The star files of "recent-stars-1" to "recent-stars-8", the latest first;
// empty values are left out.
std::vector<std::string> RecentStarFiles(const data::OptionsFile& o);
// Writes `files` (at most kRecentStarFiles) as the recent list, removing the
// lines of entries it no longer has.
void SetRecentStarFiles(data::OptionsFile& o, const std::vector<std::string>& files);
// `files` with `path` first, once, cut to kRecentStarFiles.
std::vector<std::string> WithRecent(std::vector<std::string> files, const std::string& path);

// A window's outer place and size, "left,top,width,height" in twips; nothing
// when the key is missing or does not hold four whole numbers with a size.
std::optional<OuterTwips> RememberedPlace(const data::OptionsFile& o, const char* key);
void RememberPlace(data::OptionsFile& o, const char* key, const OuterTwips& place);
// Places `w` at `key`'s remembered place when there is one on a screen now;
// gives whether it did.
bool ApplyRememberedPlace(QWidget& w, const data::OptionsFile& o, const char* key);

}  // namespace tevaro::ui
