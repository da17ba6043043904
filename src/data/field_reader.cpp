#include "data/field_reader.h"

#include <charconv>
#include <limits>
#include <system_error>
#include <utility>

namespace tevaro::data {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<double> ParseDecimal(std::string_view field, bool allowInfinity) {
  const std::string_view s = TrimBlanks(field);
  std::size_t i = 0;
  const std::size_t n = s.size();
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const std::size_t mantissaStart = i;
  // Decimal exponent of the leading significant digit, to tell an overflow
  // from an underflow when the value is out of range.
  long leadExponent = 0;
  bool seenSignificant = false;
  std::size_t digits = 0;
  long intDigits = 0;
  while (i < n && IsDigit(s[i])) {
    if (s[i] != '0' || seenSignificant) {
      seenSignificant = true;
      ++intDigits;
    }
    ++digits;
    ++i;
  }
  if (seenSignificant) leadExponent = intDigits - 1;
  if (i < n && s[i] == '.') {
    ++i;
    long place = -1;
    while (i < n && IsDigit(s[i])) {
      if (!seenSignificant && s[i] != '0') {
        seenSignificant = true;
        leadExponent = place;
      }
      --place;
      ++digits;
      ++i;
    }
  }
  if (digits == 0) return std::nullopt;
  long exponent = 0;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
      expNegative = s[i] == '-';
      ++i;
    }
    if (i >= n || !IsDigit(s[i])) return std::nullopt;
    while (i < n && IsDigit(s[i])) {
      if (exponent < 1000000) exponent = exponent * 10 + (s[i] - '0');
      ++i;
    }
    if (expNegative) exponent = -exponent;
  }
  if (i != n) return std::nullopt;

  double value = 0;
  const char* first = s.data() + mantissaStart;
  const char* last = s.data() + n;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range) {
    if (!seenSignificant || leadExponent + exponent < 0) return negative ? -0.0 : 0.0;
    if (!allowInfinity) return std::nullopt;  // too large for a double
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view field) { return ParseDecimal(field, false); }

std::optional<double> ParseNumberOrInfinity(std::string_view field) { return ParseDecimal(field, true); }

FieldReader::FieldReader(std::string text) : text_(std::move(text)) {
  std::size_t end = text_.size();
  while (end > 0) {
    const char c = text_[end - 1];
    if (!IsBlank(c) && c != '\r' && c != '\n') break;
    --end;
  }
  blankTailStart_ = end;
}

bool FieldReader::OnlyBlankLinesLeft() const { return pos_ >= blankTailStart_; }

bool FieldReader::AtLineEnd() const {
  return pos_ < text_.size() && (text_[pos_] == '\r' || text_[pos_] == '\n');
}

void FieldReader::ConsumeLineEnd() {
  if (pos_ >= text_.size()) return;
  if (text_[pos_] == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++line_;
  } else if (text_[pos_] == '\n') {
    ++pos_;
    ++line_;
  }
}

void FieldReader::ConsumeFieldEnd() {
  afterComma_ = false;
  if (AtEnd()) return;
  if (text_[pos_] == ',') {
    ++pos_;
    afterComma_ = true;
  } else if (AtLineEnd()) {
    ConsumeLineEnd();
  }
}

std::optional<std::string> FieldReader::ReadLine() {
  if (AtEnd()) return std::nullopt;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && !AtLineEnd()) ++pos_;
  std::string line = text_.substr(start, pos_ - start);
  ConsumeLineEnd();
  afterComma_ = false;
  return line;
}

std::optional<std::string> FieldReader::ReadField() {
  if (!afterComma_ && OnlyBlankLinesLeft()) return std::nullopt;
  afterComma_ = false;
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  if (AtEnd()) return std::string();  // an empty field after a final comma

  if (text_[pos_] == '"') {
    ++pos_;
    const std::size_t start = pos_;
    // The quoted text may hold line ends; they still count as lines.
    while (pos_ < text_.size() && text_[pos_] != '"') {
      if (AtLineEnd()) {
        const bool crlf = text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n';
        pos_ += crlf ? 2 : 1;
        ++line_;
      } else {
        ++pos_;
      }
    }
    std::string field = text_.substr(start, pos_ - start);
    if (AtEnd()) {
      quoteLeftOpen_ = true;
      return field;
    }
    ++pos_;  // the closing quote
    while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) ++pos_;
    ConsumeFieldEnd();
    return field;
  }

  const std::size_t start = pos_;
  while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) ++pos_;
  std::size_t end = pos_;
  while (end > start && IsBlank(text_[end - 1])) --end;
  std::string field = text_.substr(start, end - start);
  ConsumeFieldEnd();
  return field;
}

std::optional<double> FieldReader::ReadReal() {
  const std::optional<std::string> field = ReadField();
  if (!field) return std::nullopt;
  return ParseNumber(*field).value_or(0.0);
}

std::optional<FieldValue> FieldReader::ReadValue() {
  const std::optional<std::string> field = ReadField();
  if (!field) return std::nullopt;
  if (TrimBlanks(*field).empty()) return FieldValue::Empty();
  if (const std::optional<double> x = ParseNumber(*field)) return FieldValue::Of(*x);
  return FieldValue::OfText(*field);
}

}  // namespace tevaro::data
