#include "data/field_reader.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tevaro::data {
namespace {

std::vector<std::string> AllFields(const std::string& text) {
  FieldReader r(text);
  std::vector<std::string> out;
  while (auto f = r.ReadField()) out.push_back(*f);
  return out;
}

using Fields = std::vector<std::string>;

TEST(ParseNumber, AcceptsDecimalNumbersOnly) {
  EXPECT_EQ(ParseNumber("12.3045"), 12.3045);
  EXPECT_EQ(ParseNumber("-3.4500"), -3.45);
  EXPECT_EQ(ParseNumber("+8"), 8.0);
  EXPECT_EQ(ParseNumber(" 55123.4567 "), 55123.4567);
  EXPECT_EQ(ParseNumber(".5"), 0.5);
  EXPECT_EQ(ParseNumber("5."), 5.0);
  EXPECT_EQ(ParseNumber("1.5e3"), 1500.0);
  EXPECT_EQ(ParseNumber("2E-2"), 0.02);
  EXPECT_EQ(ParseNumber("-0"), 0.0);
  EXPECT_EQ(ParseNumber("1e-400"), 0.0);  // too small: zero, not a failure
  EXPECT_EQ(ParseNumberOrInfinity("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseNumberOrInfinity("-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseNumberOrInfinity("2.5"), 2.5);
  EXPECT_FALSE(ParseNumberOrInfinity("abc").has_value());
  for (const char* bad : {"", "  ", "abc", "12abc", "1,5", "1.2.3", "e5", "1e", "1e+", ".", "-", "+-1",
                          "0x10", "inf", "nan", "1e400", "- 1", "1 2"}) {
    EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
  }
}

TEST(FieldReader, WholeLinesEndAtCrLfLoneLfAndLoneCr) {
  FieldReader r("one\r\ntwo\nthree\rfour\n\r\nsix");
  EXPECT_EQ(r.ReadLine(), "one");
  EXPECT_EQ(r.Line(), 2);
  EXPECT_EQ(r.ReadLine(), "two");
  EXPECT_EQ(r.ReadLine(), "three");
  EXPECT_EQ(r.ReadLine(), "four");
  EXPECT_EQ(r.ReadLine(), "");  // LF CR is two line ends
  EXPECT_EQ(r.Line(), 6);
  EXPECT_EQ(r.ReadLine(), "six");
  EXPECT_TRUE(r.AtEnd());
  EXPECT_FALSE(r.ReadLine().has_value());
}

TEST(FieldReader, LineEndSeparatesFieldsLikeAComma) {
  EXPECT_EQ(AllFields("a,b\r\nc\nd\re"), (Fields{"a", "b", "c", "d", "e"}));
  // A record is the next N fields, whatever lines they lie on.
  FieldReader r("x,1\n2,3,y\n");
  EXPECT_EQ(r.ReadField(), "x");
  EXPECT_EQ(r.ReadReal(), 1.0);
  EXPECT_EQ(r.ReadReal(), 2.0);
  EXPECT_EQ(r.ReadReal(), 3.0);
  EXPECT_EQ(r.Line(), 2);
  EXPECT_EQ(r.ReadField(), "y");
  EXPECT_TRUE(r.AtEnd());
}

TEST(FieldReader, QuotedFields) {
  // Commas and blanks inside quotes belong to the text; what follows the
  // closing quote up to the comma is skipped.
  EXPECT_EQ(AllFields("\"Ridge Station, south dome\", 70.2530\n"),
            (Fields{"Ridge Station, south dome", "70.2530"}));
  EXPECT_EQ(AllFields("\"  padded \"junk,next"), (Fields{"  padded ", "next"}));
  // A doubled quote is no escape: it ends the text.
  EXPECT_EQ(AllFields("\"say \"\"hi\"\"\",x"), (Fields{"say ", "x"}));
  EXPECT_EQ(AllFields("\"\",x"), (Fields{"", "x"}));
  // A line end inside quotes is part of the text and still counts as a line.
  FieldReader r("\"two\r\nlines\",z\nw");
  EXPECT_EQ(r.ReadField(), "two\r\nlines");
  EXPECT_EQ(r.Line(), 2);
  EXPECT_EQ(r.ReadField(), "z");
  EXPECT_EQ(r.Line(), 3);
  EXPECT_FALSE(r.QuoteLeftOpen());
}

TEST(FieldReader, UnclosedQuoteRunsToTheEnd) {
  FieldReader r("\"open, never closed\nnext,1");
  EXPECT_EQ(r.ReadField(), "open, never closed\nnext,1");
  EXPECT_TRUE(r.QuoteLeftOpen());
  EXPECT_TRUE(r.AtEnd());
  EXPECT_FALSE(r.ReadField().has_value());
}

TEST(FieldReader, EmptyFieldsAndBlanks) {
  // Two commas in a row, a comma at a line end and a blank line are empty.
  EXPECT_EQ(AllFields("a,,b,\n\nc\n"), (Fields{"a", "", "b", "", "", "c"}));
  // Leading blanks are skipped, trailing blanks of unquoted text dropped.
  EXPECT_EQ(AllFields("  Veltrin Observatory  \t, 8 \r\n"), (Fields{"Veltrin Observatory", "8"}));
  // A field after a final comma exists even when the text ends there.
  EXPECT_EQ(AllFields("a,"), (Fields{"a", ""}));
  EXPECT_EQ(AllFields("a,  "), (Fields{"a", ""}));
}

TEST(FieldReader, BlankTailHoldsNoFields) {
  FieldReader r("a,b\r\n  \r\n\t\n\n");
  EXPECT_EQ(r.ReadField(), "a");
  EXPECT_FALSE(r.OnlyBlankLinesLeft());
  EXPECT_EQ(r.ReadField(), "b");
  EXPECT_TRUE(r.OnlyBlankLinesLeft());
  EXPECT_FALSE(r.AtEnd());
  EXPECT_FALSE(r.ReadField().has_value());
  // A blank line with data after it is an empty field.
  EXPECT_EQ(AllFields("a\n \nb"), (Fields{"a", "", "b"}));
  EXPECT_TRUE(AllFields("").empty());
  EXPECT_TRUE(AllFields(" \r\n ").empty());
}

TEST(FieldReader, RealsAndValues) {
  FieldReader r("1.5,abc,,-2e1,12abc\n");
  EXPECT_EQ(r.ReadReal(), 1.5);
  EXPECT_EQ(r.ReadReal(), 0.0);  // not a number
  EXPECT_EQ(r.ReadReal(), 0.0);  // empty
  EXPECT_EQ(r.ReadReal(), -20.0);
  EXPECT_EQ(r.ReadReal(), 0.0);
  EXPECT_FALSE(r.ReadReal().has_value());

  FieldReader v("11.2,,faint, \"13.0\",\" \"\n");
  EXPECT_EQ(v.ReadValue(), FieldValue::Of(11.2));
  EXPECT_EQ(v.ReadValue(), FieldValue::Empty());
  EXPECT_EQ(v.ReadValue(), FieldValue::OfText("faint"));
  EXPECT_EQ(v.ReadValue(), FieldValue::Of(13.0));
  EXPECT_EQ(v.ReadValue(), FieldValue::Empty());
  EXPECT_FALSE(v.ReadValue().has_value());
  EXPECT_EQ(FieldValue::OfText("x").NumberOr0(), 0.0);
  EXPECT_EQ(FieldValue::Empty().NumberOr0(), 0.0);
}

}  // namespace
}  // namespace tevaro::data
