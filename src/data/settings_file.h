// The settings file "tevaro6.ini": eleven lines of comma-separated numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/load_result.h"

namespace tevaro::data {

inline constexpr const char* kSettingsFileName = "tevaro6.ini";

struct OutputPlacement {
  std::int16_t left = 100, top = 100, width = 11800, height = 6700;  // twips
  bool operator==(const OutputPlacement&) const = default;
};

struct Settings {
  OutputPlacement placement;
  std::int16_t siteIndex = 0;
  double longitudeDms = 123;
  double latitudeDms = 54;
  std::int16_t standardZone = 8;
  std::int16_t dayCount = 1;
  double maxSunAltitude = -12;
  double minStarAltitude = 20;
  std::array<std::int16_t, 4> eventWanted{-1, 0, 0, 0};  // -1 wanted, 0 not
  std::int16_t outputMode = 1;
  std::int16_t ignoreEaSecondary = 0;
  std::int16_t dstEnabled = -1;  // -1 on, 0 off
  bool operator==(const Settings&) const = default;
};

struct LoadedSettings {
  Settings settings;
  bool fromFile = false;  // false: the defaults, because the file was missing or bad
  std::string reason;     // why the defaults were used ("file: line N: ..."), empty when fromFile
};

// Reads "tevaro6.ini" in `folder`. Any failure (missing file, too few fields,
// a number too large for a 16-bit field) gives every value its default.
LoadedSettings LoadSettings(const std::string& folder);

// The same over the file's bytes; `file` names it in the reason.
LoadedSettings ParseSettings(std::string_view bytes, const std::string& file);

// The same for a settings file named by its path.
LoadedSettings LoadSettingsFromFile(const std::string& path);

// The path of the settings file in `folder` (an empty folder: the bare name).
std::string SettingsPath(const std::string& folder);

// The file's text for `s`: eleven lines, each ended by CR LF; integers as
// such, reals with up to 15 significant digits and no trailing zeros.
std::string SettingsText(const Settings& s);

// Writes "tevaro6.ini" in `folder` through a temporary file renamed over it.
WriteResult SaveSettings(const std::string& folder, const Settings& s);

}  // namespace tevaro::data
