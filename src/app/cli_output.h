// Where an output of tevaro-cli goes: its file, or standard output for "-".
#pragma once

#include <string>

#include "data/load_result.h"

namespace tevaro::app {

// Writes the bytes `produce` gives to `file` through a temporary file and a
// rename, or to standard output when `file` is "-".
data::WriteResult WriteCliOutput(const std::string& file, const data::ByteSource& produce);

}  // namespace tevaro::app
