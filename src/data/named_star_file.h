// A star file whose first line names its columns, as a spreadsheet exports
// it: one star per line, each value found by its column's name, fields quoted
// as RFC 4180 has them (a comma, a line end or a doubled quote inside double
// quotes belongs to the field).
#pragma once

#include <string>
#include <string_view>

#include "data/load_result.h"
#include "data/star_file.h"

namespace tevaro::data {

// True when the first line of `text` (decoded, see DecodeText) names the
// columns every star needs: name, a right ascension (ra, ra_deg or
// ra_hours), a declination (dec or dec_deg), epoch and period. Names are
// compared ignoring case, blanks and underscores.
bool NamesStarColumns(std::string_view text);

// Reads such a file from its decoded text; `file` names it in a failure. A
// value that cannot be read fails the load, naming its line and column.
// Columns the reader does not know are ignored and named in one warning.
// Control characters are left in the texts (the caller blanks them).
LoadResult<StarTable> ParseNamedStarFile(std::string_view text, const std::string& file);

// The packed sexagesimal form (HH.MMSS or DD.MMSS, the sign applying to the
// whole) of a value in hours or degrees, such that DmsToDegrees gives the
// value back to 1e-9.
double PackSexagesimal(double value);

}  // namespace tevaro::data
