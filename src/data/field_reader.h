// The reading rules shared by every data file: whole-line reads for heading
// lines and comma-separated field reads for data, where a line end separates
// fields like a comma and a record is simply the next N fields.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tevaro::data {

// A value read from a number-or-empty field.
struct FieldValue {
  enum class Kind { Empty, Number, Text };
  Kind kind = Kind::Empty;
  double number = 0;  // the number when kind is Number
  std::string text;   // the text as read when kind is Text

  static FieldValue Empty() { return {}; }
  static FieldValue Of(double x) { return {Kind::Number, x, {}}; }
  static FieldValue OfText(std::string t) { return {Kind::Text, 0, std::move(t)}; }
  bool IsNumber() const { return kind == Kind::Number; }
  bool IsEmpty() const { return kind == Kind::Empty; }
  // The value in arithmetic: empty counts as 0.
  double NumberOr0() const { return kind == Kind::Number ? number : 0; }
  bool operator==(const FieldValue&) const = default;
};

// Parses a whole field as a decimal number ("." point, optional sign and
// exponent, blanks around it allowed). Nothing else in the field is allowed.
// A number too large for a double is not a number here.
std::optional<double> ParseNumber(std::string_view field);

// Like ParseNumber, but a number too large for a double gives an infinity of
// its sign, for callers that must tell "too large" from "not a number".
std::optional<double> ParseNumberOrInfinity(std::string_view field);

// Reads decoded text (UTF-8, see DecodeText). CR LF, a lone LF and a lone CR
// all end a line. Blank lines (only spaces and tabs) at the very end of the
// text hold no fields: a field read that starts there finds none.
class FieldReader {
 public:
  explicit FieldReader(std::string text);

  // The next whole line without its end; nullopt at the end of the text.
  std::optional<std::string> ReadLine();

  // The next field's text (quotes removed, surrounding blanks of an unquoted
  // field dropped); nullopt when the text ends before a field starts. A field
  // that follows a comma exists even when the text ends right after it (it is
  // empty); a field that would start in the blank tail does not.
  std::optional<std::string> ReadField();

  // A field as a real: a number, or 0 for an empty or non-numeric field.
  std::optional<double> ReadReal();

  // A field as number, empty or text.
  std::optional<FieldValue> ReadValue();

  // True when nothing at all, not even a line end, is left.
  bool AtEnd() const { return pos_ >= text_.size(); }

  // True when only blanks, tabs and line ends are left.
  bool OnlyBlankLinesLeft() const;

  // 1-based line number of the next character to be read.
  int Line() const { return line_; }

  // True when the last field read ended with a comma: another field follows
  // on its line.
  bool AfterComma() const { return afterComma_; }

  // True when the last quoted field ran to the end of the text without its
  // closing quote.
  bool QuoteLeftOpen() const { return quoteLeftOpen_; }

 private:
  bool AtLineEnd() const;
  void ConsumeLineEnd();
  // Consumes what ends a field: a comma or a line end, if one is next.
  void ConsumeFieldEnd();
  std::string text_;
  std::size_t pos_ = 0;
  std::size_t blankTailStart_ = 0;  // where the trailing blank lines begin
  int line_ = 1;
  bool afterComma_ = false;  // the last field ended with a comma
  bool quoteLeftOpen_ = false;
};

}  // namespace tevaro::data
