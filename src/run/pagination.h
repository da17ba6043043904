// The report laid out on printed pages: which lines each page holds, the font
// size the lines are set in, and the footer texts. Printing, PDF export and
// the batch front end all draw the pages this gives.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "run/report.h"

namespace tevaro::run {

inline constexpr double kPrintMaxFontPt = 10.0;
inline constexpr double kPrintMinFontPt = 6.0;
// The footer takes one blank row and its own row below the lines.
inline constexpr int kFooterRows = 2;
// Marks a line cut at the right margin.
inline constexpr std::string_view kCutMark = "\xE2\x80\xA6";  // U+2026

// The printable area and the fixed-pitch font, its metrics given per point of
// font size (they scale with it).
struct PageGeometry {
  double widthPt = 0;
  double heightPt = 0;
  double linePitchPerPt = 1.2;  // row pitch ÷ font size
  double charWidthPerPt = 0.6;  // advance of one character ÷ font size
};

// One page: report lines `first` to `last` (1-based, inclusive), after the
// three column-heading lines when `headings` is set.
struct Page {
  std::size_t first = 0;
  std::size_t last = 0;
  bool headings = false;
};

struct Pagination {
  double fontPt = kPrintMaxFontPt;
  double linePitchPt = 0;
  std::size_t charsPerLine = 0;  // characters that fit the printable width
  std::size_t rowsPerPage = 0;   // rows above the footer
  // The report's column-heading lines (the two before the "=" rule, and the
  // rule), 0 when the report has none.
  std::size_t headingFirst = 0, headingLast = 0;
  std::vector<Page> pages;
};

// Characters in a UTF-8 line (a fixed-pitch font gives each the same advance).
std::size_t CharacterCount(std::string_view line);

// Whether `line` is a night line ("Friday night ----...").
bool IsNightLine(std::string_view line);

// The last line of the report's header: its "=" rule within the first 20
// lines; 0 when there is none.
std::size_t HeaderRuleLine(const ReportBuffer& report);

// Lays out report lines `from` to `to` (1-based, inclusive; `to` 0 means the
// last line). The first page starts at `from`, after the heading lines when
// `from` lies below the header; every later page starts with the heading
// lines. A night line never ends a page while a line follows it.
Pagination Paginate(const ReportBuffer& report, const PageGeometry& geometry, std::size_t from = 1,
                    std::size_t to = 0);

// `line` as printed: cut to `chars` characters, the last one the cut mark,
// when it is longer.
std::string PrintedLine(std::string_view line, std::size_t chars);

// The footer's left text and the document title: the observatory and the
// evening date, "Ridge Station, evening of 2025-01-10".
std::string PageFooterLeft(const std::string& observatory, int year, int month, int day);
// The footer's right text: "page 3 of 12".
std::string PageFooterRight(std::size_t page, std::size_t pages);

}  // namespace tevaro::run
