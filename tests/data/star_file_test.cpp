#include "data/star_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>
#include <tuple>

#include "astro/angles.h"
#include "data/named_star_file.h"

#include "test_files.h"

namespace tevaro::data {
namespace {

using testing::ExpectFailure;

using testing::ExampleFile;
using testing::TempDir;
using testing::WithLineEnds;

const std::string kFullExample =
    "Season list, exported from a spreadsheet\n"
    "name,RA,Dec,HJDo,Period,Type,Max,Min,Comment\n"
    "XY Abc,12.3045,25.1230,55123.4567,0.3456789,EA,11.2,12.5,primary deep\n"
    "ZZ Def,5.0102,-3.4500,54321.1234,1.2345678,E,13.0,13.4,\n";

const std::string kShortExample =
    "my short list\n"
    "name,RA,Dec,HJDo,Period\n"
    "AB Xyz,20.1530,40.0512,55000.2345,0.812345\n";

std::string ShortFile(int stars) {
  std::string text = "heading\nname,RA,Dec,HJDo,Period\n";
  for (int k = 1; k <= stars; ++k) text += "S" + std::to_string(k) + ",1.2,3.4,50000.5,0.75\n";
  return text;
}

TEST(LoadStarFile, FullLayoutExample) {
  TempDir dir;
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(eol[0] == '\n' ? "LF" : eol[1] ? "CR LF" : "CR");
    auto r = LoadStarFile(dir.Write("full.csv", WithLineEnds(kFullExample, eol)));
    ASSERT_TRUE(r.ok()) << r.failure().Message();
    const auto& e = r.value().entries;
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].name, "XY Abc");
    EXPECT_EQ(e[0].raDms, 12.3045);
    EXPECT_EQ(e[0].decDms, 25.1230);
    EXPECT_EQ(e[0].epoch, 55123.4567);
    EXPECT_EQ(e[0].period, 0.3456789);
    EXPECT_EQ(e[0].varType, "EA");
    EXPECT_EQ(e[0].maxMag, FieldValue::Of(11.2));
    EXPECT_EQ(e[0].minMag, FieldValue::Of(12.5));
    EXPECT_EQ(e[0].comment, "primary deep");
    EXPECT_EQ(e[1].name, "ZZ Def");
    EXPECT_EQ(e[1].raDms, 5.0102);
    EXPECT_EQ(e[1].decDms, -3.45);
    EXPECT_EQ(e[1].epoch, 54321.1234);
    EXPECT_EQ(e[1].period, 1.2345678);
    EXPECT_EQ(e[1].varType, "E ");
    EXPECT_EQ(e[1].maxMag, FieldValue::Of(13.0));
    EXPECT_EQ(e[1].minMag, FieldValue::Of(13.4));
    EXPECT_EQ(e[1].comment, "");
  }
}

TEST(LoadStarFile, ShortLayoutFillsTypeCommentAndMagnitudes) {
  TempDir dir;
  auto r = LoadStarFile(dir.Write("short.csv", kShortExample + "CD Uvw,1.0203,-4.0506,51000.5,2.5\n"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const auto& e = r.value().entries;
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].name, "AB Xyz");
  EXPECT_EQ(e[0].raDms, 20.1530);
  EXPECT_EQ(e[0].decDms, 40.0512);
  EXPECT_EQ(e[0].epoch, 55000.2345);
  EXPECT_EQ(e[0].period, 0.812345);
  EXPECT_EQ(e[1].decDms, -4.0506);
  for (const StarEntry& s : e) {
    EXPECT_EQ(s.varType, "  ");
    EXPECT_EQ(s.comment, "nc");
    EXPECT_TRUE(s.maxMag.IsEmpty());
    EXPECT_TRUE(s.minMag.IsEmpty());
  }
}

TEST(LoadStarFile, MagnitudesAndTypesAsRead) {
  TempDir dir;
  auto r = LoadStarFile(dir.Write("m.csv",
                                  "h\nh\n"
                                  "A,1,2,3,4,EW,,faint,x\n"
                                  "B,1,2,3,4,,9.5,,y\n"
                                  "\"C, the third\",1,2,3,4,EB/KE,  ,10 ,z  \n"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const auto& e = r.value().entries;
  ASSERT_EQ(e.size(), 3u);
  EXPECT_TRUE(e[0].maxMag.IsEmpty());
  EXPECT_EQ(e[0].minMag, FieldValue::OfText("faint"));
  EXPECT_EQ(e[1].varType, "");  // an empty type stays empty
  EXPECT_EQ(e[1].maxMag, FieldValue::Of(9.5));
  EXPECT_EQ(e[2].name, "C, the third");  // a quoted comma after the third line changes nothing
  EXPECT_EQ(e[2].varType, "EB/KE");
  EXPECT_TRUE(e[2].maxMag.IsEmpty());
  EXPECT_EQ(e[2].minMag, FieldValue::Of(10));
  EXPECT_EQ(e[2].comment, "z");  // trailing blanks are not part of unquoted text
}

TEST(LoadStarFile, ThirdLineDecidesTheLayoutAndLaterRecordsShift) {
  TempDir dir;
  // Nine fields on the third line, ten on the fourth, eight on the fifth: the
  // fourth line's tenth field becomes the third star's name.
  auto r = LoadStarFile(dir.Write("shift.csv",
                                  "h\nh\n"
                                  "A,1,2,3,4,EA,5,6,cA\n"
                                  "B,1,2,3,4,EB,5,6,cB,extra\n"
                                  "7,8,9,10,EW,11,12,cC\n"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const auto& e = r.value().entries;
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[1].comment, "cB");
  EXPECT_EQ(e[2].name, "extra");
  EXPECT_EQ(e[2].raDms, 7);
  EXPECT_EQ(e[2].period, 10);
  EXPECT_EQ(e[2].varType, "EW");
  EXPECT_EQ(e[2].comment, "cC");

  // Five fields on the third line: a later nine-field line feeds two records.
  auto s = LoadStarFile(dir.Write("shift5.csv",
                                  "h\nh\n"
                                  "A,1,2,3,4\n"
                                  "B,1,2,3,4,EA,5,6,C\n"
                                  "7\n"));
  ASSERT_TRUE(s.ok()) << s.failure().Message();
  ASSERT_EQ(s.value().entries.size(), 3u);
  EXPECT_EQ(s.value().entries[2].name, "EA");
  EXPECT_EQ(s.value().entries[2].raDms, 5);
  EXPECT_EQ(s.value().entries[2].period, 7);
  EXPECT_EQ(s.value().entries[2].varType, "  ");
}

// The third line's fields are counted as they are read: a quoted comma or
// line end belongs to its field, on the third line as on any other.
TEST(LoadStarFile, QuotedCommaOnTheThirdLineIsPartOfItsField) {
  const struct {
    const char* text;
    std::size_t stars;
    const char* firstName;
  } cases[] = {
      {"h\nh\n\"Smith, A\",1,2,3,4\nB,1,2,3,4\n", 2, "Smith, A"},
      {"h\nh\n\"Alpha, Beta\",1,2,3,4,EA,5,6,\"c, d\"\n", 1, "Alpha, Beta"},
      {"h\r\nh\r\n\"Two\r\nlines, one name\",1,2,3,4\r\nB,1,2,3,4\r\n", 2, "Two  lines, one name"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    auto r = LoadStarFile(dir.Write("q.csv", c.text));
    ASSERT_TRUE(r.ok()) << c.text << ": " << r.failure().Message();
    EXPECT_EQ(r.value().entries.size(), c.stars) << c.text;
    EXPECT_EQ(r.value().entries[0].name, c.firstName) << c.text;
  }
}

TEST(LoadStarFile, OtherFieldCountsFail) {
  TempDir dir;
  for (const char* third : {"A,1,2,3", "A,1,2,3,4,5", "A,1,2,3,4,EA,5,6", "A,1,2,3,4,EA,5,6,c,2.5,x", "A"}) {
    SCOPED_TRACE(third);
    const std::string p = dir.Write("n.csv", std::string("h\nh\n") + third + "\n");
    ExpectFailure(LoadStarFile(p), p, 3);
  }
}

TEST(LoadStarFile, HeadingsAloneOrTooFewLinesFail) {
  TempDir dir;
  std::string p = dir.Write("two.csv", "Season list\nname,RA,Dec,HJDo,Period,Type,Max,Min,Comment\n");
  ExpectFailure(LoadStarFile(p), p, 3);
  p = dir.Write("blank.csv", "Season list\nname,RA\n   \r\n\r\n");
  ExpectFailure(LoadStarFile(p), p, 3);
  p = dir.Write("one.csv", "only one line");
  ExpectFailure(LoadStarFile(p), p, 2);
  p = dir.Write("empty.csv", "");
  ExpectFailure(LoadStarFile(p), p, 1);
}

TEST(LoadStarFile, BlankTailIsIgnoredButACutRecordFails) {
  TempDir dir;
  // Without a final line end, with one, and followed by blank lines.
  for (const std::string& tail : {std::string(""), std::string("\r\n"), std::string("\r\n\r\n"),
                                  std::string("\n  \t\n\n")}) {
    auto r = LoadStarFile(dir.Write("t.csv", WithLineEnds(kShortExample, "\r\n") + "B,1,2,3,4" + tail));
    ASSERT_TRUE(r.ok()) << r.failure().Message();
    EXPECT_EQ(r.value().entries.size(), 2u);
    EXPECT_EQ(r.value().entries[1].period, 4);
  }
  // A record cut short fails at the line where it starts, also when blank
  // lines follow it (they do not stand in for its missing fields).
  for (const std::string& tail : {std::string(""), std::string("\n"), std::string("\n\n")}) {
    const std::string p = dir.Write("cut.csv", kShortExample + "B,1,2,3" + tail);
    auto r = LoadStarFile(p);
    ExpectFailure(r, p, 4);
    EXPECT_NE(r.failure().reason.find("5th"), std::string::npos) << r.failure().reason;
  }
  const std::string p = dir.Write("cutfull.csv", kFullExample + "C,1,2,\n");
  ExpectFailure(LoadStarFile(p), p, 5);
}

TEST(LoadStarFile, ACutRecordNamesTheLineWhereTheRecordsRunTogether) {
  struct Case {
    const char* name;
    std::string text;
    int failedLine;        // where the record cut short starts
    const char* whereTold;  // the end of the reason, naming the line that lacks fields
  };
  const std::string full = "XY,1,2,3,4,EA,5,6,c\n";
  std::string tenFull;
  for (int k = 0; k < 8; ++k) tenFull += full;  // lines 3 to 10
  const Case cases[] = {
      // Line 11 lacks five fields: the run-on leaves the last record short.
      {"short line 11", "h\nh\n" + tenFull + "AB,1,2,3\n" + full + full + "CD,1,2,3,4,EA,5,6,c\n", 14,
       "; line 11 has 4 fields where the file's records have 9; the records run together from there"},
      {"CR LF and CR line ends count as the reader counts",
       "h\r\nh\r\nA,1,2,3,4\rB,1,2\r\nC,1,2,3,4\r\n", 5,
       "; line 4 has 3 fields where the file's records have 5; the records run together from there"},
      {"a line split in two", "h\nh\nA,1,2,3,4\nB,1,\n2,3,4\nC,1,2,3,4\n", 6,
       "; line 4 has 3 fields where the file's records have 5; the records run together from there"},
      {"quoted commas and line ends belong to their fields",
       "h\nh\nA,1,2,3,4\n\"B,\nb\",1,2,3,4\n\"C, c\",1,2,3\nD,1,2,3,4\n", 7,
       "; line 6 has 4 fields where the file's records have 5; the records run together from there"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string p = dir.Write("run.csv", c.text);
    auto r = LoadStarFile(p);
    ASSERT_FALSE(r.ok()) << c.name;
    const std::string& reason = r.failure().reason;
    EXPECT_EQ(r.failure().line, c.failedLine) << c.name << ": " << reason;
    ASSERT_GE(reason.size(), std::string(c.whereTold).size()) << c.name;
    EXPECT_EQ(reason.substr(reason.size() - std::string(c.whereTold).size()), c.whereTold) << c.name << ": " << reason;
  }
}

TEST(LoadStarFile, APeriodThatIsNotANumberKeepsItsText) {
  TempDir dir;
  auto r = LoadStarFile(dir.Write("p.csv", "h\nh\nA,1,2,3,abc\nB,1,2,3,\nC,1,2,3,0.5x\n"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const auto& e = r.value().entries;
  EXPECT_EQ(e[0].period, 0);
  EXPECT_EQ(e[0].periodNotNumber, std::optional<std::string>("abc"));
  EXPECT_EQ(e[1].periodNotNumber, std::nullopt);  // empty: a plain 0
  EXPECT_EQ(e[2].periodNotNumber, std::optional<std::string>("0.5x"));
}

TEST(LoadStarFile, TenthFieldIsTheEclipseDuration) {
  // duration field -> hours read, text kept when not a number
  struct Case {
    const char* field;
    std::optional<double> hours;
    std::optional<std::string> notNumber;
  };
  const Case cases[] = {
      {"2.5", 2.5, std::nullopt},        {"", std::nullopt, std::nullopt},
      {" 7.25 ", 7.25, std::nullopt},    {"\"3e0\"", 3.0, std::nullopt},
      {"-1", -1.0, std::nullopt},        {"abc", std::nullopt, "abc"},
      {"\"  \"", std::nullopt, std::nullopt}, {"2h", std::nullopt, "2h"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    auto r = LoadStarFile(dir.Write("d.csv", std::string("h\r\nh\r\nXY Abc,12.3045,25.1230,55123.4567,0.3456789,E,11.2,12.5,deep,") +
                                                 c.field + "\r\nZZ Def,5.0102,-3.4500,54321.1234,1.2345678,EA,,,,\r\n"));
    ASSERT_TRUE(r.ok()) << r.failure().Message();
    const auto& e = r.value().entries;
    ASSERT_EQ(e.size(), 2u);
    // The nine fields before it read as in the nine-field layout.
    EXPECT_EQ(e[0].varType, "E ");
    EXPECT_EQ(e[0].comment, "deep");
    EXPECT_EQ(e[0].durationHours, c.hours);
    EXPECT_EQ(e[0].durationNotNumber, c.notNumber);
    EXPECT_EQ(e[1].durationHours, std::nullopt);
    EXPECT_EQ(e[1].line, 4);
  }
  // A record cut short before its tenth field names it.
  const std::string p = dir.Write("cut.csv", "h\nh\nA,1,2,3,4,EA,5,6,c,1\nB,1,2,3,4,EA,5,6,c");
  auto cut = LoadStarFile(p);
  ExpectFailure(cut, p, 4);
  EXPECT_NE(cut.failure().reason.find("10th field (duration)"), std::string::npos) << cut.failure().reason;
}

TEST(LoadStarFile, CapacityIsTenThousandStars) {
  TempDir dir;
  auto full = LoadStarFile(dir.Write("10000.csv", ShortFile(10000) + "\n\n"));
  ASSERT_TRUE(full.ok()) << full.failure().Message();
  ASSERT_EQ(full.value().entries.size(), 10000u);
  EXPECT_EQ(full.value().entries.back().name, "S10000");

  const std::string p = dir.Write("10001.csv", ShortFile(10001));
  auto over = LoadStarFile(p);
  ExpectFailure(over, p, 10003);  // the 10001st star starts on line 10003
  EXPECT_NE(over.failure().reason.find("10000"), std::string::npos) << over.failure().reason;
}

TEST(LoadStarFile, ByteOrderMarkAndWindows1252Names) {
  TempDir dir;
  auto bom = LoadStarFile(dir.Write("bom.csv", "\xEF\xBB\xBF" + kShortExample));
  ASSERT_TRUE(bom.ok()) << bom.failure().Message();
  EXPECT_EQ(bom.value().entries[0].name, "AB Xyz");

  auto cp = LoadStarFile(dir.Write("cp.csv", "h\nh\nCes\xE9 Var,1,2,3,4,EA,5,6,\x93note\x94\n"));
  ASSERT_TRUE(cp.ok()) << cp.failure().Message();
  EXPECT_EQ(cp.value().entries[0].name, "Ces\xC3\xA9 Var");
  EXPECT_EQ(cp.value().entries[0].comment, "\xE2\x80\x9Cnote\xE2\x80\x9D");

  auto utf = LoadStarFile(dir.Write("utf.csv", "h\nh\n\xC3\xA9,1,2,3,4,\xC3\x89,5,6,c\n"));
  ASSERT_TRUE(utf.ok()) << utf.failure().Message();
  EXPECT_EQ(utf.value().entries[0].name, "\xC3\xA9");
  // A one-character type is one character, also when it takes two bytes.
  EXPECT_EQ(utf.value().entries[0].varType, "\xC3\x89 ");
}

TEST(LoadStarFile, MissingFileOrFolderFails) {
  TempDir dir;
  const std::string missing = dir.File("none.csv");
  ExpectFailure(LoadStarFile(missing), missing, 0);
  ExpectFailure(LoadStarFile(dir.path().string()), dir.path().string(), 0);
}

TEST(LoadStarFile, SampleFileOfRealBinaries) {
  auto r = LoadStarFile(ExampleFile("stars.csv"));
  ASSERT_TRUE(r.ok()) << r.failure().Message();
  const auto& e = r.value().entries;
  EXPECT_GE(e.size(), 25u);
  EXPECT_LE(e.size(), 40u);
  std::set<std::string> types;
  std::set<int> hours;
  int southern = 0;
  for (const StarEntry& s : e) {
    types.insert(s.varType);
    hours.insert(static_cast<int>(s.raDms));
    if (s.decDms < 0) ++southern;
    EXPECT_GT(s.period, 0) << s.name;
    EXPECT_GT(s.epoch, 10000) << s.name;
    EXPECT_TRUE(s.maxMag.IsNumber() && s.minMag.IsNumber()) << s.name;
    EXPECT_LT(s.maxMag.number, s.minMag.number) << s.name;
  }
  EXPECT_EQ(types, (std::set<std::string>{"EA", "EB", "EW"}));
  EXPECT_GE(hours.size(), 18u);  // spread around the sky
  EXPECT_GE(southern, 3);
}

// A file whose first line names its columns: each case's first star against
// the fields it must read into.
TEST(NamedStarFile, ColumnsAreReadByName) {
  // A star on line 2 as the five-field layout reads it.
  const auto star = [](std::string name, double epoch, double period) {
    StarEntry s;
    s.name = std::move(name), s.epoch = epoch, s.period = period;
    s.varType = "  ", s.comment = "nc";
    s.line = 2;
    return s;
  };
  StarEntry all = star("XY Abc", 55123.4567, 2.5);
  all.varType = "E ", all.comment = "deep";
  all.maxMag = FieldValue::OfText("faint"), all.minMag = FieldValue::Of(12.5);
  all.durationHours = 4.0, all.durationIIHours = 3.5, all.secondaryPhase = 0.43;
  all.epochError = 0.0004, all.periodError = 1e-6, all.epochScale = astro::EpochScale::Bjd;
  StarEntry quoted = star("Smith, \"A\"  B", 3, 4);
  quoted.varType = "", quoted.comment = "a, b\"";
  const struct {
    const char* what;
    std::string text;
    StarEntry star;  // the first star; raDms and decDms compared as hours and degrees
    double raHours, decDeg;
    std::size_t stars;
    int secondLine;  // line of the second star, 0 for none
  } cases[] = {
      {"spreadsheet export: byte-order mark, CR LF, names in any case with blanks",
       "\xEF\xBB\xBF Name ,RA,DEC,Epoch,PERIOD\r\nAB Xyz,20.1530,-40.0512,55000.2345,0.812345\r\n"
       ",,,,\r\n\r\nCD,1,2,3,4\r\n",
       star("AB Xyz", 55000.2345, 0.812345), 20 + 15 / 60.0 + 30 / 3600.0, -(40 + 5 / 60.0 + 12 / 3600.0), 2, 5},
      {"every column, in another order; scale names as written",
       "scale,Period_Error,epoch_error,Secondary Phase,duration_ii,duration,comment,min_mag,max_mag,type,period,"
       "epoch,dec,ra,name\n"
       "BJD,1e-6,0.0004,0.43,3.5,4,\"deep\",12.5,faint,E,2.5,55123.4567,-0.3,12.3045,XY Abc\n"
       "hjd as ut,,,,,,,,,,1,2,3,4,B\n",
       all, 12 + 30 / 60.0 + 45 / 3600.0, -0.5, 2, 3},
      {"RFC 4180 quoting: commas, doubled quotes and line ends inside quotes",
       "name,ra,dec,epoch,period,type,comment\n"
       "\"Smith, \"\"A\"\"\r\nB\",1,2,3,4,\"\",\"a, b\"\"\"\n\"C\",1,2,3,4\n",
       quoted, 1, 2, 2, 4},
      {"decimal degrees", "name,ra_deg,dec_deg,epoch,period\nA,37.9545,-0.25,3,4\n", star("A", 3, 4), 37.9545 / 15,
       -0.25, 1, 0},
      {"sexagesimal text", "name,ra,dec,epoch,period\nA,02:32:19.5,+71 17 50,3,4\nB, 2 32 ,-0:30,3,4\n",
       star("A", 3, 4), 2 + 32 / 60.0 + 19.5 / 3600.0, 71 + 17 / 60.0 + 50 / 3600.0, 2, 3},
      // Values a hair below a whole hour or degree are where packing slips.
      {"decimal hours", "name,ra_hours,dec_deg,epoch,period\nA,23.999999999,-89.9999999999,3,4\n", star("A", 3, 4),
       23.999999999, -89.9999999999, 1, 0},
  };
  const auto fields = [](const StarEntry& s) {
    return std::tie(s.name, s.epoch, s.period, s.varType, s.maxMag, s.minMag, s.comment, s.durationHours,
                    s.durationIIHours, s.secondaryPhase, s.epochError, s.periodError, s.epochScale, s.line);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto r = ParseStarFile(c.text, "n.csv");
    ASSERT_TRUE(r.ok()) << r.failure().Message();
    const auto& e = r.value().entries;
    ASSERT_EQ(e.size(), c.stars);
    EXPECT_TRUE(r.value().warnings.empty());
    EXPECT_EQ(fields(e[0]), fields(c.star));
    EXPECT_NEAR(astro::DmsToDegrees(e[0].raDms), c.raHours, 1e-10);
    EXPECT_NEAR(astro::DmsToDegrees(e[0].decDms), c.decDeg, 1e-10);
    if (c.secondLine) {
      EXPECT_EQ(e[1].line, c.secondLine);
    }
  }
  // The second star of the all-columns case: a row cut short keeps the
  // five-field defaults, and "hjd as ut" names the scale.
  const StarEntry second = ParseStarFile(cases[1].text, "n.csv").value().entries[1];
  EXPECT_EQ(second.epochScale, astro::EpochScale::HjdAsUt);
  EXPECT_EQ(second.comment, "");

  // Only a first line holding the five names is a header: a design file
  // whose second line names its columns reads as before.
  auto design = ParseStarFile("name,ra,dec,hjd,period\nname,ra,dec,epoch,period\nA,1,2,3,4\n", "d.csv");
  ASSERT_TRUE(design.ok()) << design.failure().Message();
  EXPECT_EQ(design.value().entries[0].name, "A");
  EXPECT_EQ(design.value().entries[0].line, 3);
}

// Each bad file against its whole message: the line, the column and the value.
TEST(NamedStarFile, BadValuesNameTheirLineAndColumn) {
  const std::string head = "name,ra,dec,epoch,period\n";
  const std::string good = "A,1,2,3,4\n";
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {head + good + "\n" + "B,1,2,3,0.63x\n",
       "f.csv: line 4, column period: \"0.63x\" is not a number"},
      {head + "A,1,2,,4\n", "f.csv: line 2, column epoch: the field is empty; every star needs one"},
      {head + "A,1,2,3\n", "f.csv: line 2, column period: the field is empty; every star needs one"},
      {head + "A,24:00:01,2,3,4\n",
       "f.csv: line 2, column ra: \"24:00:01\" is not a right ascension (HH.MMSS or HH:MM:SS from 0 to 24 hours; "
       "decimal hours go in a column ra_hours)"},
      {head + "A,12.75,2,3,4\n",
       "f.csv: line 2, column ra: \"12.75\" is not a right ascension (HH.MMSS or HH:MM:SS from 0 to 24 hours; "
       "decimal hours go in a column ra_hours)"},
      {head + "A,1,+10:60:00,3,4\n",
       "f.csv: line 2, column dec: \"+10:60:00\" is not a declination (DD.MMSS or DD:MM:SS from -90 to +90 degrees)"},
      {head + "A,1,1 2 3 4,3,4\n",
       "f.csv: line 2, column dec: \"1 2 3 4\" is not a declination (DD.MMSS or DD:MM:SS from -90 to +90 degrees)"},
      {"name,ra_deg,dec_deg,epoch,period\nA,360.5,2,3,4\n",
       "f.csv: line 2, column ra_deg: \"360.5\" is not a right ascension in degrees (0 to 360)"},
      {"name,ra_deg,dec_deg,epoch,period\nA,0,-90.5,3,4\n",
       "f.csv: line 2, column dec_deg: \"-90.5\" is not a declination in degrees (-90 to +90)"},
      {"name,ra,dec,epoch,period,scale\nA,1,2,3,4,tdb\n",
       "f.csv: line 2, column scale: \"tdb\" is not an epoch scale (hjd-as-ut, hjd or bjd)"},
      {"name,ra,dec,epoch,period,secondary_phase\nA,1,2,3,4,half\n",
       "f.csv: line 2, column secondary_phase: \"half\" is not a number"},
      {head + "A, B,1,2,3,4\n",
       "f.csv: line 2: this line has 6 fields where the first line names 5 columns; a comma inside a value needs "
       "double quotes around the value"},
      {head + good + "\"B,1,2,3,4\n", "f.csv: line 3, column name: a double quote is never closed"},
      {"name,ra,dec,epoch,Period,PERIOD\n" + good, "f.csv: line 1, column period: the column is named twice"},
      {"name,ra,dec,ra_deg,epoch,period\n" + good,
       "f.csv: line 1, column ra_deg: the column ra gives the right ascension already; keep one of them"},
      {head + "\r\n,,\n", "f.csv: line 2: the file has no stars after its line of column names"},
  };
  for (const auto& c : cases) {
    auto r = ParseStarFile(c.text, "f.csv");
    ASSERT_FALSE(r.ok()) << c.text;
    EXPECT_EQ(r.failure().Message(), c.message);
  }
}

}  // namespace
}  // namespace tevaro::data
