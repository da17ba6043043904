#include "run/pagination.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tevaro::run {
namespace {

// Metrics of a fixed-pitch font: a 10 pt font has a 12 pt row and 6 pt characters.
PageGeometry Geometry(double width, double height) { return {width, height, 1.2, 0.6}; }

// The fourteen header lines of a report in the altitude/azimuth layout.
void AddHeader(ReportBuffer& r) {
  r.Add(std::string(22, ' ') + "T e v a r o");
  r.Add("");
  for (const char* line : {" Location = Ridge", " Longitude = 120 (ddd.mmss)", " Latitude = 49 (ddd.mmss)",
                           " Time zone = 8", " Maximum Sun elevation = -12 degrees",
                           " Minimum star elevation  = 20 degrees", " Star limits file = Limits.dat",
                           " Star data file: stars.csv"})
    r.Add(line);
  r.Add(std::string(30, ' ') + "Brt   Fnt               LOCAL");
  r.Add("     JD      Star       Typ   Mag   Mag  Date         time   Azi Alt Event Comment");
  r.Add(std::string(87, '='));
  r.Add(NightLine(55686.5));
}

std::string Event(std::size_t n) { return " 55686." + std::to_string(1000 + n % 9000) + "  V" + std::to_string(n); }

// Header, then `events` event lines of one night.
ReportBuffer OneNight(std::size_t events) {
  ReportBuffer r;
  AddHeader(r);
  for (std::size_t i = 1; i <= events; ++i) r.Add(Event(i));
  return r;
}

// Every line from `from` to `to` on exactly one page, in order.
void ExpectEachLineOnce(const Pagination& p, std::size_t from, std::size_t to) {
  ASSERT_FALSE(p.pages.empty());
  std::size_t next = from;
  for (const Page& page : p.pages) {
    EXPECT_EQ(page.first, next);
    EXPECT_GE(page.last, page.first);
    EXPECT_LE(page.last - page.first + 1 + (page.headings ? 3 : 0), p.rowsPerPage);
    next = page.last + 1;
  }
  EXPECT_EQ(next, to + 1);
}

TEST(Pagination, BreaksAtThreePageHeights) {
  // 114 lines: the header, its night line and 100 events.
  const ReportBuffer r = OneNight(100);
  struct Case {
    double height;
    std::size_t rows, pages, secondLast;
  };
  // Rows = whole 12 pt rows less the two of the footer; later pages give
  // three rows to the headings.
  for (const Case c : {Case{600, 48, 3, 93}, Case{300, 23, 6, 43}, Case{150, 10, 16, 17}}) {
    SCOPED_TRACE(c.height);
    const Pagination p = Paginate(r, Geometry(540, c.height));
    EXPECT_EQ(p.rowsPerPage, c.rows);
    ASSERT_EQ(p.pages.size(), c.pages);
    EXPECT_EQ(p.pages[0].first, 1u);
    EXPECT_EQ(p.pages[0].last, c.rows);
    EXPECT_FALSE(p.pages[0].headings);
    EXPECT_EQ(p.pages[1].last, c.secondLast);
    EXPECT_EQ(p.pages.back().last, 114u);
    ExpectEachLineOnce(p, 1, 114);
  }
}

TEST(Pagination, LaterPagesRepeatTheThreeHeadingLines) {
  const ReportBuffer r = OneNight(200);
  const Pagination p = Paginate(r, Geometry(540, 600));
  EXPECT_EQ(p.headingFirst, 11u);
  EXPECT_EQ(p.headingLast, 13u);
  EXPECT_TRUE(r.Line(p.headingFirst).find("Brt   Fnt") != std::string_view::npos);
  for (std::size_t k = 1; k < p.pages.size(); ++k) EXPECT_TRUE(p.pages[k].headings);

  // A report without the "=" rule has no headings to repeat.
  ReportBuffer plain;
  for (int i = 0; i < 120; ++i) plain.Add("L" + std::to_string(i));
  const Pagination q = Paginate(plain, Geometry(540, 600));
  EXPECT_EQ(q.headingFirst, 0u);
  ASSERT_EQ(q.pages.size(), 3u);  // 48 + 48 + 24
  for (const Page& page : q.pages) EXPECT_FALSE(page.headings);
  ExpectEachLineOnce(q, 1, 120);
}

TEST(Pagination, NightLineMovesToTheNextPageWithItsFirstEvent) {
  // Line 48 would end page 1 (48 rows): make it a night line.
  ReportBuffer r;
  AddHeader(r);
  for (std::size_t i = 15; i <= 47; ++i) r.Add(Event(i));
  r.Add(NightLine(55687.5));
  for (std::size_t i = 49; i <= 100; ++i) r.Add(Event(i));
  const Pagination p = Paginate(r, Geometry(540, 600));
  ASSERT_GE(p.pages.size(), 2u);
  EXPECT_EQ(p.pages[0].last, 47u);
  EXPECT_EQ(p.pages[1].first, 48u);
  EXPECT_TRUE(IsNightLine(r.Line(p.pages[1].first)));
  ExpectEachLineOnce(p, 1, r.LineCount());

  // A night line that is the report's very last line stays where it falls.
  ReportBuffer tail = OneNight(34);  // 48 lines
  tail.Add(NightLine(55688.5));      // line 49 ends the report
  const Pagination t = Paginate(tail, Geometry(540, 600));
  ASSERT_EQ(t.pages.size(), 2u);
  EXPECT_EQ(t.pages[0].last, 48u);
  EXPECT_EQ(t.pages[1].first, 49u);
}

TEST(Pagination, RecognisesNightLines) {
  EXPECT_TRUE(IsNightLine(NightLine(55686.65)));
  EXPECT_TRUE(IsNightLine("Monday night --------------------------"));
  EXPECT_FALSE(IsNightLine("Monday night -------------------------"));  // 25 hyphens
  EXPECT_FALSE(IsNightLine("Someday night --------------------------"));
  EXPECT_FALSE(IsNightLine(std::string(87, '=')));
}

TEST(Pagination, FontSizeIsTheLargestAtWhichTheLongestLineFits) {
  const ReportBuffer r = OneNight(5);  // longest line: the 87-character rule
  // 540 / (87 x 0.6) = 10.34: the largest size, 10 pt.
  EXPECT_DOUBLE_EQ(Paginate(r, Geometry(540, 600)).fontPt, 10.0);
  // 400 / 52.2 = 7.66: rounded down to a tenth.
  const Pagination p = Paginate(r, Geometry(400, 600));
  EXPECT_DOUBLE_EQ(p.fontPt, 7.6);
  EXPECT_EQ(p.charsPerLine, 87u);  // 400 / 4.56 = 87.7
  EXPECT_NEAR(p.linePitchPt, 9.12, 1e-9);
  // Exactly 87 characters wide at 10 pt: the fit is not lost to rounding.
  EXPECT_DOUBLE_EQ(Paginate(r, Geometry(522, 600)).fontPt, 10.0);
}

TEST(Pagination, OverlongLineIsCutAtTheMarginAtSixPoints) {
  ReportBuffer r = OneNight(3);
  // A comment of 200 characters, with a two-byte character in it.
  std::string comment = " 55686.6543  V1234 Cyg   EA  " + std::string(60, 'x') + "\xC3\xA9";
  comment += std::string(200 - CharacterCount(comment), 'y');
  ASSERT_EQ(CharacterCount(comment), 200u);
  r.Add(comment);
  const Pagination p = Paginate(r, Geometry(400, 600));
  EXPECT_DOUBLE_EQ(p.fontPt, 6.0);
  EXPECT_EQ(p.charsPerLine, 111u);  // 400 / 3.6 = 111.1
  const std::string cut = PrintedLine(comment, p.charsPerLine);
  EXPECT_EQ(CharacterCount(cut), 111u);
  EXPECT_TRUE(cut.ends_with(kCutMark));
  EXPECT_EQ(cut.substr(0, cut.size() - kCutMark.size()), comment.substr(0, cut.size() - kCutMark.size()));
  // Lines that fit are printed as they are.
  EXPECT_EQ(PrintedLine(r.Line(13), p.charsPerLine), std::string(87, '='));
  // The cut never splits a UTF-8 sequence: é is the 90th character.
  const std::string atAccent = PrintedLine(comment, 90);
  EXPECT_EQ(CharacterCount(atAccent), 90u);
  EXPECT_EQ(atAccent.find("\xC3"), std::string::npos);
  EXPECT_EQ(PrintedLine(comment, 91).substr(89, 2), "\xC3\xA9");
}

TEST(Pagination, SelectionStartsWithTheHeadingLines) {
  const ReportBuffer r = OneNight(200);
  const Pagination p = Paginate(r, Geometry(540, 600), 50, 150);
  ASSERT_EQ(p.pages.size(), 3u);  // 45 + 45 + 11
  EXPECT_TRUE(p.pages[0].headings);
  ExpectEachLineOnce(p, 50, 150);
  // A selection that starts inside the header prints it as it is.
  const Pagination q = Paginate(r, Geometry(540, 600), 3, 20);
  ASSERT_EQ(q.pages.size(), 1u);
  EXPECT_FALSE(q.pages[0].headings);
}

TEST(Pagination, EmptyReportAndTinyPages) {
  EXPECT_TRUE(Paginate(ReportBuffer{}, Geometry(540, 600)).pages.empty());
  // Too low for the headings and a night line with its event: no repeats,
  // but every line still gets a page.
  const ReportBuffer r = OneNight(10);
  const Pagination p = Paginate(r, Geometry(540, 80));
  EXPECT_EQ(p.rowsPerPage, 4u);
  for (const Page& page : p.pages) EXPECT_FALSE(page.headings);
  ExpectEachLineOnce(p, 1, r.LineCount());
}

TEST(Pagination, PageCountOfAVeryLongReport) {
  const ReportBuffer r = OneNight(700000 - 14);
  ASSERT_EQ(r.LineCount(), 700000u);
  const Pagination p = Paginate(r, Geometry(540, 600));
  // 48 lines on page 1, 45 on each later one: 1 + ceil(699952 / 45).
  EXPECT_EQ(p.pages.size(), 15556u);
  EXPECT_EQ(p.pages.back().last, 700000u);
}

TEST(Pagination, FooterTexts) {
  EXPECT_EQ(PageFooterLeft("Ridge Station", 2025, 1, 10), "Ridge Station, evening of 2025-01-10");
  EXPECT_EQ(PageFooterLeft("", 2011, 5, 4), "Evening of 2011-05-04");
  EXPECT_EQ(PageFooterRight(3, 12), "page 3 of 12");
}

}  // namespace
}  // namespace tevaro::run
