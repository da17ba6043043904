// The locations file: two heading lines, then name, longitude, latitude and
// standard time zone of each observatory.
#pragma once

#include <string>
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
};

LoadResult<SiteTable> LoadLocations(const std::string& path);

}  // namespace tevaro::data
