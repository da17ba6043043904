// The site limits file: two heading lines, then declination (decimal degrees)
// and the east and west hour-angle limits (decimal hours) per row.
#pragma once

#include <string>
#include <string_view>

#include "astro/tables.h"
#include "data/load_result.h"

namespace tevaro::data {

// Reads a site limits file. A value that is not a number, rows out of
// ascending order of declination and more than 100 rows fail; an empty value
// is 0.
LoadResult<astro::LimitsTable> LoadSiteLimits(const std::string& path);

// The same over the file's bytes; `file` names it in a failure.
LoadResult<astro::LimitsTable> ParseSiteLimits(std::string_view bytes, const std::string& file);

}  // namespace tevaro::data
