// What kind of data file a file is, told from its content: a file dropped on
// the main window is loaded as what it holds, whatever its name.
#pragma once

#include <string_view>

namespace tevaro::data {

enum class DataFileKind { Stars, Locations, Limits };

// The kind of the data file whose first bytes are `bytes`. The two heading
// lines are passed over; up to 20 data lines (blank ones skipped) decide:
// three numbers a line is a site limits file, a name and at least two numbers
// then a zone (hours or a zone name) is a locations file, anything else a
// star file, whose reader then says what is wrong with it.
DataFileKind KindOfDataFile(std::string_view bytes);

}  // namespace tevaro::data
