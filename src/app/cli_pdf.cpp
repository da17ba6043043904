#include "app/cli_pdf.h"

#ifdef TEVARO_HAVE_PDF
#include "app/cli_gui.h"
#include "app/cli_output.h"
#include "run/pagination.h"
#include "ui/report_pages.h"
#endif

namespace tevaro::app {

#ifdef TEVARO_HAVE_PDF

data::WriteResult WriteCliPdf(const run::Session& session, const std::string& path, const std::string& paper) {
  const CliGui gui;
  ui::ReportDocument doc;
  doc.report = &*session.report;
  doc.title = QString::fromStdString(
      run::PageFooterLeft(session.siteName, session.params.year, session.params.month, session.params.day));
  const QByteArray pdf = ui::ReportPdf(doc, paper == "letter" ? QPageSize::Letter : QPageSize::A4);
  if (pdf.isEmpty()) return data::FileFailure{path, 0, "the PDF could not be made", data::FileFailure::Op::Write};
  return WriteCliOutput(path, [&pdf](const data::ByteSink& sink) {
    return sink(std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  });
}

#else

data::WriteResult WriteCliPdf(const run::Session&, const std::string& path, const std::string&) {
  return data::FileFailure{path, 0, "this tevaro-cli was built without Qt, which --pdf needs",
                           data::FileFailure::Op::Write};
}

#endif

}  // namespace tevaro::app
