// Helpers shared by the data file readers: opening a file as decoded text,
// skipping its heading lines and wording the failures of a record.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "data/field_reader.h"
#include "data/load_result.h"
#include "data/text.h"

namespace tevaro::data::detail {

// Skips the two heading lines; a failure when the file has fewer.
inline std::optional<FileFailure> SkipHeadingLines(FieldReader& reader, const std::string& path) {
  for (int k = 1; k <= 2; ++k) {
    if (!reader.ReadLine()) {
      return FileFailure{path, k,
                         k == 1 ? "the file is empty; it needs two heading lines before its data"
                                : "the file ends after its first line; it needs two heading lines before its data"};
    }
  }
  return std::nullopt;
}

// Decimal text of a real with up to 15 significant digits, no exponent, no
// trailing zeros and a zero before a leading point ("0.5", "-12", "122.50515").
// A value that is not finite gives "0".
inline std::string DecimalText(double x) {
  if (!std::isfinite(x) || x == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", x);  // [-]d.dddddddddddddde[+-]x
  const std::string e(buf);
  const bool negative = e[0] == '-';
  const std::size_t mant = negative ? 1 : 0;
  const std::size_t ePos = e.find('e');
  std::string digits = e.substr(mant, 1) + e.substr(mant + 2, ePos - mant - 2);
  const int exponent = std::atoi(e.c_str() + ePos + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  }
  return out;
}

inline std::string Ordinal(int n) {
  const int tens = n % 100;
  const char* suffix = "th";
  if (tens < 11 || tens > 13) {
    if (n % 10 == 1) suffix = "st";
    if (n % 10 == 2) suffix = "nd";
    if (n % 10 == 3) suffix = "rd";
  }
  return std::to_string(n) + suffix;
}

// The record starting on `recordLine` ends before its field number `field`
// (1-based) named `fieldName`.
inline FileFailure CutShort(const FieldReader& reader, const std::string& path, int recordLine, int field,
                            const std::string& fieldName) {
  std::string reason = "the record starting on this line is cut short: the file ends before its " +
                       Ordinal(field) + " field (" + fieldName + ")";
  if (reader.QuoteLeftOpen()) reason += "; a double quote in it is never closed";
  return FileFailure{path, recordLine, reason};
}

}  // namespace tevaro::data::detail
