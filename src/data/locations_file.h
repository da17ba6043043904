// The locations file: two heading lines, then name, longitude, latitude and
// standard time zone of each observatory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/field_reader.h"
#include "data/load_result.h"

namespace tevaro::data {

struct SiteEntry {
  std::string name;
  FieldValue longitudeDms;  // DD.MMSS, positive west
  FieldValue latitudeDms;   // DD.MMSS, positive north
  FieldValue zone;          // hours, positive west
};

struct SiteTable {
  static constexpr std::size_t kCapacity = 101;
  std::vector<SiteEntry> entries;  // 0-based, entry k is site list entry k
  // Lines read all the same: a time zone that is neither a number nor a zone
  // name the system knows (a site pick puts it into the zone field as it is).
  std::vector<FileWarning> warnings;
};

// Reads a locations file: two heading lines, then four fields per site. The
// caller selects a site; nothing here looks at a saved selection.
LoadResult<SiteTable> LoadLocations(const std::string& path);

// The same over the file's bytes; `file` names it in a failure.
LoadResult<SiteTable> ParseLocations(std::string_view bytes, const std::string& file);

}  // namespace tevaro::data
