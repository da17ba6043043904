#include "run/pagination.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/text.h"

namespace tevaro::run {

namespace {

// A small allowance so that an exact fit is not lost to rounding.
constexpr double kFitSlack = 1e-9;
constexpr std::size_t kHeadingRows = 3;
constexpr std::size_t kHeaderSearchLines = 20;

bool IsContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::size_t CharacterCount(std::string_view line) {
  std::size_t n = 0;
  for (const char c : line) n += IsContinuationByte(static_cast<unsigned char>(c)) ? 0 : 1;
  return n;
}

bool IsNightLine(std::string_view line) {
  static const std::string kTail = " night " + std::string(26, '-');
  if (line.size() <= kTail.size() || !line.ends_with(kTail)) return false;
  const std::string_view day = line.substr(0, line.size() - kTail.size());
  return std::any_of(std::begin(kWeekdayNames), std::end(kWeekdayNames),
                     [&](const char* name) { return day == name; });
}

std::size_t HeaderRuleLine(const ReportBuffer& report) {
  const std::size_t n = std::min(report.LineCount(), kHeaderSearchLines);
  for (std::size_t i = 1; i <= n; ++i) {
    const std::string_view line = report.Line(i);
    if (!line.empty() && line.find_first_not_of('=') == std::string_view::npos) return i;
  }
  return 0;
}

Pagination Paginate(const ReportBuffer& report, const PageGeometry& g, std::size_t from, std::size_t to) {
  Pagination p;
  const std::size_t count = report.LineCount();
  if (to == 0 || to > count) to = count;
  from = std::max<std::size_t>(from, 1);

  const std::size_t rule = HeaderRuleLine(report);
  const bool hasHeadings = rule >= kHeadingRows;
  if (hasHeadings) {
    p.headingFirst = rule - kHeadingRows + 1;
    p.headingLast = rule;
  }

  // The largest size, in tenths of a point, at which the longest printed line fits.
  // A line has no more characters than bytes: only a line longer in bytes
  // than the longest so far needs its characters counted.
  std::size_t longest = 0;
  for (std::size_t i = from; i <= to; ++i) {
    const std::string_view line = report.Line(i);
    if (line.size() > longest) longest = std::max(longest, CharacterCount(line));
  }
  if (hasHeadings && from > rule)
    for (std::size_t i = p.headingFirst; i <= p.headingLast; ++i)
      longest = std::max(longest, CharacterCount(report.Line(i)));
  const double charWidth = std::max(g.charWidthPerPt, 1e-6);
  double size = kPrintMaxFontPt;
  if (longest > 0) {
    const double fit = g.widthPt / (static_cast<double>(longest) * charWidth);
    size = std::clamp(std::floor(fit * 10 + kFitSlack) / 10, kPrintMinFontPt, kPrintMaxFontPt);
  }
  p.fontPt = size;
  p.linePitchPt = size * std::max(g.linePitchPerPt, 1e-6);
  const double chars = std::floor(g.widthPt / (size * charWidth) + kFitSlack);
  p.charsPerLine = static_cast<std::size_t>(std::max(chars, 1.0));
  const double rows = std::floor(g.heightPt / p.linePitchPt + kFitSlack) - kFooterRows;
  p.rowsPerPage = static_cast<std::size_t>(std::max(rows, 1.0));
  if (from > to) return p;

  // The headings repeat only on pages that still hold a night line and its
  // first event below them.
  const bool repeat = hasHeadings && p.rowsPerPage >= kHeadingRows + 2;
  p.pages.reserve((to - from + 1) / p.rowsPerPage + 1);
  std::size_t line = from;
  bool headings = repeat && from > rule;
  while (line <= to) {
    const std::size_t room = p.rowsPerPage - (headings ? kHeadingRows : 0);
    std::size_t last = std::min(line + room - 1, to);
    // A night line goes to the next page with its first event.
    if (last < to && last > line && IsNightLine(report.Line(last))) --last;
    p.pages.push_back({line, last, headings});
    line = last + 1;
    headings = repeat;
  }
  return p;
}

std::string PrintedLine(std::string_view line, std::size_t chars) {
  if (CharacterCount(line) <= chars) return std::string(line);
  if (chars == 0) return {};
  // Keep chars - 1 characters, whole UTF-8 sequences only, then the mark.
  std::size_t kept = 0;
  std::size_t end = 0;
  while (end < line.size()) {
    std::size_t next = end + 1;
    while (next < line.size() && IsContinuationByte(static_cast<unsigned char>(line[next]))) ++next;
    if (kept + 1 > chars - 1) break;
    ++kept;
    end = next;
  }
  std::string out(line.substr(0, end));
  out += kCutMark;
  return out;
}

std::string PageFooterLeft(const std::string& observatory, int year, int month, int day) {
  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
  if (observatory.empty()) return std::string("Evening of ") + date;
  return data::BlankControls(observatory) + ", evening of " + date;
}

std::string PageFooterRight(std::size_t page, std::size_t pages) {
  return "page " + std::to_string(page) + " of " + std::to_string(pages);
}

}  // namespace tevaro::run
