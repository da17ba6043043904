#include "ui/report_pages.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

namespace tevaro::ui {

namespace {

// Metrics are read at a large size, where rounding to device pixels is
// negligible, and scaled down: the pagination takes them per point.
constexpr double kMeasurePt = 100.0;

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

double PxPerPt(const QPaintDevice& device) { return device.logicalDpiY() / 72.0; }

}  // namespace

QFont PrintFont(double pointSize) {
  QFont f(QStringLiteral("Liberation Mono"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setPointSizeF(pointSize);
  return f;
}

ReportColumns::ReportColumns(const QFont& font, QPaintDevice* device)
    : font_(font),
      device_(device),
      raw_(QRawFont::fromFont(font)),
      cellWidth_(QFontMetricsF(font, device).horizontalAdvance(QLatin1Char('0'))) {
  for (char32_t c = 0; c < latin1_.size(); ++c) latin1_[c] = raw_.supportsCharacter(c);
}

bool ReportColumns::Has(char32_t c) const {
  return c < latin1_.size() ? latin1_[c] : raw_.supportsCharacter(c);
}

void ReportColumns::DrawRow(QPainter& painter, QPointF origin, const QString& text) const {
  qsizetype runStart = 0;  // UTF-16 index where the pending run of present characters starts
  long runColumn = 0;      // its column
  long column = 0;
  auto flush = [&](qsizetype end) {
    if (end > runStart)
      painter.drawText(QPointF(origin.x() + static_cast<double>(runColumn) * cellWidth_, origin.y()),
                       text.mid(runStart, end - runStart));
  };
  for (qsizetype at = 0, next = 0; at < text.size(); at = next) {
    char32_t c = text[at].unicode();
    next = at + 1;
    if (QChar::isHighSurrogate(c) && next < text.size() && text[next].isLowSurrogate())
      c = QChar::surrogateToUcs4(text[at], text[next++]);
    if (!Has(c)) {
      flush(at);
      const QString one = text.mid(at, next - at);
      const double advance = QFontMetricsF(font_, device_).horizontalAdvance(one);
      const double left = origin.x() + static_cast<double>(column) * cellWidth_;
      if (advance > cellWidth_) {
        painter.save();
        painter.translate(left, origin.y());
        painter.scale(cellWidth_ / advance, 1.0);
        painter.drawText(QPointF(0, 0), one);
        painter.restore();
      } else {
        painter.drawText(QPointF(left + (cellWidth_ - advance) / 2, origin.y()), one);
      }
      runStart = next;
      runColumn = column + 1;
    }
    ++column;
  }
  flush(text.size());
}

run::PageGeometry GeometryFor(const QPageLayout& layout, QPaintDevice& device) {
  const QRectF area = layout.paintRect(QPageLayout::Point);
  const QFontMetricsF fm(PrintFont(kMeasurePt), &device);
  const double pxPerPt = PxPerPt(device);
  run::PageGeometry g;
  g.widthPt = area.width();
  g.heightPt = area.height();
  g.linePitchPerPt = fm.lineSpacing() / pxPerPt / kMeasurePt;
  g.charWidthPerPt = fm.horizontalAdvance(QLatin1Char('0')) / pxPerPt / kMeasurePt;
  return g;
}

run::Pagination PaginateFor(const ReportDocument& doc, const QPageLayout& layout, QPaintDevice& device) {
  return run::Paginate(*doc.report, GeometryFor(layout, device), doc.from, doc.to);
}

bool DrawPages(QPainter& painter, QPagedPaintDevice& device, const ReportDocument& doc,
               const run::Pagination& p, std::size_t fromPage, std::size_t toPage) {
  const run::ReportBuffer& report = *doc.report;
  const std::size_t total = p.pages.size();
  toPage = std::min(toPage, total);
  const double px = PxPerPt(device);
  const QFont font = PrintFont(p.fontPt);
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QFontMetricsF fm(font, &device);
  const double pitch = p.linePitchPt * px;
  const double ascent = fm.ascent();
  const ReportColumns columns(font, &device);
  const double width = static_cast<double>(p.charsPerLine) * columns.cellWidth();
  auto row = [&](std::size_t r, const QString& text, double x = 0) {
    columns.DrawRow(painter, QPointF(x, static_cast<double>(r) * pitch + ascent), text);
  };
  auto line = [&](std::size_t i) { return Text(run::PrintedLine(report.Line(i), p.charsPerLine)); };

  for (std::size_t n = fromPage; n <= toPage; ++n) {
    if (n > fromPage && !device.newPage()) return false;
    const run::Page& page = p.pages[n - 1];
    std::size_t r = 0;
    if (page.headings)
      for (std::size_t i = p.headingFirst; i <= p.headingLast; ++i) row(r++, line(i));
    for (std::size_t i = page.first; i <= page.last; ++i) row(r++, line(i));
    // The footer on the last row: the title on the left, the page number on
    // the right, the title cut short of it.
    const std::string right = run::PageFooterRight(n, total);
    const std::size_t room = p.charsPerLine > right.size() + 2 ? p.charsPerLine - right.size() - 2 : 0;
    const QString rightText = Text(right);
    row(p.rowsPerPage + run::kFooterRows - 1, Text(run::PrintedLine(doc.title.toStdString(), room)));
    row(p.rowsPerPage + run::kFooterRows - 1, rightText,
        width - static_cast<double>(rightText.size()) * columns.cellWidth());
  }
  return true;
}

QByteArray ReportPdf(const ReportDocument& doc, QPageSize::PageSizeId paper, run::Pagination* laidOut) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Tevaro"));
    writer.setTitle(doc.title);
    writer.setPageLayout(QPageLayout(QPageSize(paper), QPageLayout::Portrait,
                                     QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                                     QPageLayout::Millimeter));
    const run::Pagination p = PaginateFor(doc, writer.pageLayout(), writer);
    if (laidOut) *laidOut = p;
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    const bool drawn = DrawPages(painter, writer, doc, p, 1, p.pages.size());
    if (!painter.end() || !drawn) return {};
  }
  buffer.close();
  return bytes;
}

data::WriteResult WriteReportPdf(const std::string& path, const ReportDocument& doc, QPageSize::PageSizeId paper) {
  const QByteArray pdf = ReportPdf(doc, paper);
  if (pdf.isEmpty())
    return data::FileFailure{path, 0, "the PDF could not be made", data::FileFailure::Op::Write};
  return data::WriteFileAtomically(path, pdf.toStdString());
}

}  // namespace tevaro::ui
