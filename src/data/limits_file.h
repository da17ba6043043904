// The site limits file: two heading lines, then declination (decimal degrees)
// and the east and west hour-angle limits (decimal hours) per row.
#pragma once

#include <string>

#include "astro/tables.h"
#include "data/load_result.h"

namespace tevaro::data {

LoadResult<astro::LimitsTable> LoadSiteLimits(const std::string& path);

}  // namespace tevaro::data
