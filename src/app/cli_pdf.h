// The batch front end's --pdf: the report's printed pages as a PDF file.
#pragma once

#include <string>

#include "data/load_result.h"
#include "run/session.h"

namespace tevaro::app {

// Writes the session's report as the output window's Export PDF does, on
// paper "a4" or "letter", to `path` or to standard output for "-". Starts Qt only here, on its offscreen platform
// unless QT_QPA_PLATFORM names another, so the text report needs no Qt.
data::WriteResult WriteCliPdf(const run::Session& session, const std::string& path, const std::string& paper);

}  // namespace tevaro::app
