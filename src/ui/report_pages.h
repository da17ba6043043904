// Draws the report's pages as text, for a printer or a PDF. Needs Qt Gui only,
// so the batch front end can write the same PDF without the windows.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <bitset>
#include <cstddef>
#include <string>

#include "data/load_result.h"
#include "run/pagination.h"
#include "run/report.h"

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

namespace tevaro::ui {

// What to put on paper: report lines `from` to `to` (`to` 0: to the end),
// and the title that goes into every footer and the document information.
struct ReportDocument {
  const run::ReportBuffer* report = nullptr;
  QString title;
  std::size_t from = 1;
  std::size_t to = 0;
};

// The fixed-pitch font of the printed pages.
QFont PrintFont(double pointSize);

// The report's columns in a fixed-pitch font on one device. Qt draws a
// character the font lacks (U+FFFD, a CJK name) from another font, whose
// advance is rarely the report font's, so drawing a line as one string would
// shift every column after it. DrawRow puts the n-th character (code point)
// of a line in column n instead: runs of characters the font has go out as
// they are, and each missing one is centred in its cell, or squeezed into it
// when the substitute glyph is wider.
class ReportColumns {
 public:
  ReportColumns(const QFont& font, QPaintDevice* device);

  // Width of one column in the device's pixels.
  double cellWidth() const { return cellWidth_; }
  // True when the font itself has a glyph for `c`.
  bool Has(char32_t c) const;
  // Draws `text` with the painter's pen and the font given to the
  // constructor; `origin` is the left end of the baseline.
  void DrawRow(QPainter& painter, QPointF origin, const QString& text) const;

 private:
  QFont font_;
  QPaintDevice* device_;
  QRawFont raw_;
  double cellWidth_;
  std::bitset<256> latin1_;  // Has() of U+0000..U+00FF, asked once
};

// The printable area of `layout` and the print font's metrics on `device`.
run::PageGeometry GeometryFor(const QPageLayout& layout, QPaintDevice& device);

// Lays the document out for `device` with `layout`.
run::Pagination PaginateFor(const ReportDocument& doc, const QPageLayout& layout, QPaintDevice& device);

// Draws pages `fromPage` to `toPage` (1-based, within the pagination) with a
// painter already begun on `device`, starting a new page between them.
// False when the device refused a new page.
bool DrawPages(QPainter& painter, QPagedPaintDevice& device, const ReportDocument& doc,
               const run::Pagination& pagination, std::size_t fromPage, std::size_t toPage);

// The margins of an exported page on every side.
inline constexpr double kPdfMarginMm = 15.0;

// The document as PDF on `paper`, its title in the document information; the
// pagination it was drawn with into `laidOut` when given. Empty when Qt could
// not make the PDF.
QByteArray ReportPdf(const ReportDocument& doc, QPageSize::PageSizeId paper, run::Pagination* laidOut = nullptr);

// Writes ReportPdf to `path` through a temporary file and a rename.
data::WriteResult WriteReportPdf(const std::string& path, const ReportDocument& doc, QPageSize::PageSizeId paper);

}  // namespace tevaro::ui
