#include "data/named_star_file.h"

#include <array>
#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

#include "astro/angles.h"
#include "astro/light_time.h"
#include "data/text.h"

namespace tevaro::data {
namespace {

enum Column : int {
  kName, kRa, kRaDeg, kRaHours, kDec, kDecDeg, kEpoch, kPeriod, kType, kMaxMag, kMinMag,
  kComment, kDuration, kDurationII, kSecondaryPhase, kEpochError, kPeriodError, kScale, kColumns
};

// Each column's name as messages print it; the header's names are compared
// with it ignoring case, blanks and underscores.
constexpr std::array<const char*, kColumns> kColumnNames = {
    "name",     "ra",       "ra_deg",      "ra_hours",        "dec",         "dec_deg",
    "epoch",    "period",   "type",        "max_mag",         "min_mag",     "comment",
    "duration", "duration_ii", "secondary_phase", "epoch_error", "period_error", "scale"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

bool BlankText(std::string_view s) {
  for (const char c : s)
    if (!IsBlank(c)) return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Key(std::string_view name) {
  std::string key;
  for (const char c : name) {
    if (IsBlank(c) || c == '_') continue;
    key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return key;
}

std::optional<Column> ColumnOf(std::string_view headerName) {
  const std::string key = Key(headerName);
  for (int c = 0; c < kColumns; ++c)
    if (key == Key(kColumnNames[static_cast<std::size_t>(c)])) return static_cast<Column>(c);
  return std::nullopt;
}

// Records as RFC 4180 has them: fields separated by commas, a record ended by
// a line end (CR LF, LF or CR) outside double quotes. Inside double quotes a
// comma or a line end belongs to the field and "" is one quote; text after
// the closing quote is kept, as spreadsheets keep it. Blanks around an
// unquoted field are dropped.
class RecordReader {
 public:
  explicit RecordReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  int Line() const { return line_; }  // line of the next character

  // The next record's fields; false when a double quote is never closed
  // (the fields then hold what was read).
  bool Next(std::vector<std::string>& fields) {
    fields.clear();
    for (;;) {
      std::string field;
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '"') {
        ++pos_;
        if (!Quoted(field)) {
          fields.push_back(std::move(field));
          return false;
        }
      }
      const std::size_t start = pos_;
      while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
      field += Trim(text_.substr(start, pos_ - start));
      fields.push_back(std::move(field));
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      SkipLineEnd();
      return true;
    }
  }

 private:
  // The text of a quoted field up to its closing quote, which is consumed.
  bool Quoted(std::string& field) {
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') {
        if (pos_ < text_.size() && text_[pos_] == '"') {
          field += '"';
          ++pos_;
          continue;
        }
        return true;
      }
      field += c;
      if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
    }
    return false;
  }
  void SkipLineEnd() {
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

// Where each column is in a record: its field index, or -1.
using ColumnIndex = std::array<int, kColumns>;

// The columns of a header record. Unknown names are collected as written.
ColumnIndex IndexColumns(const std::vector<std::string>& header, std::vector<std::string>* unknown) {
  ColumnIndex at;
  at.fill(-1);
  for (std::size_t k = 0; k < header.size(); ++k) {
    if (const std::optional<Column> c = ColumnOf(header[k])) {
      if (at[*c] < 0) at[*c] = static_cast<int>(k);
    } else if (unknown && !BlankText(header[k])) {
      unknown->push_back(header[k]);
    }
  }
  return at;
}

bool HasRequiredColumns(const ColumnIndex& at) {
  return at[kName] >= 0 && at[kEpoch] >= 0 && at[kPeriod] >= 0 &&
         (at[kRa] >= 0 || at[kRaDeg] >= 0 || at[kRaHours] >= 0) && (at[kDec] >= 0 || at[kDecDeg] >= 0);
}

// A text of two or three numbers separated by colons or blanks ("02:32:19.5",
// "+71 17 50", "-0:30"), an optional sign before the first: the value in the
// first number's unit. All but the last number are whole; minutes and seconds
// are below 60.
std::optional<double> Sexagesimal(std::string_view s) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  std::vector<double> parts;
  while (!s.empty()) {
    std::size_t n = 0;
    while (n < s.size() && s[n] != ':' && !IsBlank(s[n])) ++n;
    const std::string_view token = s.substr(0, n);
    if (token.empty() || token.front() == '+' || token.front() == '-') return std::nullopt;
    const std::optional<double> x = ParseNumber(token);
    if (!x) return std::nullopt;
    parts.push_back(*x);
    s.remove_prefix(n);
    s = Trim(s);
    if (!s.empty() && s.front() == ':') {
      s.remove_prefix(1);
      s = Trim(s);
      if (s.empty()) return std::nullopt;
    }
  }
  if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
  double value = 0, unit = 1;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const bool last = k + 1 == parts.size();
    if (!last && parts[k] != std::floor(parts[k])) return std::nullopt;
    if (k > 0 && !(parts[k] < 60)) return std::nullopt;
    value += parts[k] / unit;
    unit *= 60;
  }
  return negative ? -value : value;
}

bool IsSexagesimalText(std::string_view s) {
  s = Trim(s);
  for (const char c : s)
    if (c == ':' || IsBlank(c)) return true;
  return false;
}

// A packed HH.MMSS or DD.MMSS value whose minutes and seconds are below 60.
bool IsPackedSexagesimal(double packed) {
  const double a = std::fabs(packed);
  const double f = a - std::floor(a + 0.0000001);
  const double m = std::floor(f * 100 + 0.00001);
  return m < 60 && f * 10000 - m * 100 < 60;
}

}  // namespace

double PackSexagesimal(double value) {
  const double a = std::fabs(value);
  double d = std::floor(a);
  const double minutes = (a - d) * 60;
  double m = std::floor(minutes);
  // Seconds to 1e-7, so that a value a hair below a whole minute is not
  // packed as 59.99999... seconds of the minute before.
  double s = std::round((minutes - m) * 60 * 1e7) / 1e7;
  if (s >= 60) {
    s -= 60;
    ++m;
  }
  if (m >= 60) {
    m -= 60;
    ++d;
  }
  const double packed = d + m / 100 + s / 10000;
  return value < 0 ? -packed : packed;
}

bool NamesStarColumns(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && !IsLineEnd(text[end])) ++end;
  RecordReader reader(text.substr(0, end));
  std::vector<std::string> header;
  return reader.Next(header) && HasRequiredColumns(IndexColumns(header, nullptr));
}

LoadResult<StarTable> ParseNamedStarFile(std::string_view text, const std::string& path) {
  RecordReader reader(text);
  std::vector<std::string> fields;
  reader.Next(fields);
  const std::size_t columnCount = fields.size();
  StarTable table;

  // The header: each column once, one right ascension and one declination.
  std::vector<std::string> unknown;
  const ColumnIndex at = IndexColumns(fields, &unknown);
  auto headerFailure = [&](Column c, std::string reason) {
    FileFailure f{path, 1, std::move(reason)};
    f.column = kColumnNames[c];
    return f;
  };
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (const std::optional<Column> c = ColumnOf(fields[k]); c && at[*c] != static_cast<int>(k))
      return headerFailure(*c, "the column is named twice");
  for (const auto& group : {std::vector<Column>{kRa, kRaDeg, kRaHours}, std::vector<Column>{kDec, kDecDeg}}) {
    std::optional<Column> first;
    for (const Column c : group) {
      if (at[c] < 0) continue;
      if (first)
        return headerFailure(c, std::string("the column ") + kColumnNames[*first] + " gives the " +
                                    (group[0] == kRa ? "right ascension" : "declination") +
                                    " already; keep one of them");
      first = c;
    }
  }
  if (!unknown.empty()) {
    std::string names;
    for (std::size_t k = 0; k < unknown.size(); ++k) {
      if (k > 0) names += k + 1 == unknown.size() ? " and " : ", ";
      names += QuotedField(unknown[k]);
    }
    table.warnings.push_back(FileWarning{
        path, 1,
        unknown.size() == 1 ? "the column " + names + " is not a star file column and is ignored"
                            : "the columns " + names + " are not star file columns and are ignored"});
  }

  while (!reader.AtEnd()) {
    const int line = reader.Line();
    const bool closed = reader.Next(fields);
    auto failure = [&](int column, std::string reason) {
      FileFailure f{path, line, std::move(reason)};
      if (column >= 0) f.column = kColumnNames[static_cast<std::size_t>(column)];
      return f;
    };
    if (!closed) {
      // The column of the field left open, when the header names it.
      int column = -1;
      for (int c = 0; c < kColumns; ++c)
        if (at[c] == static_cast<int>(fields.size()) - 1) column = c;
      return failure(column, "a double quote is never closed");
    }
    bool blankRow = true;
    for (const std::string& f : fields) blankRow = blankRow && BlankText(f);
    if (blankRow) continue;  // a blank line or an empty spreadsheet row
    for (std::size_t k = columnCount; k < fields.size(); ++k)
      if (!BlankText(fields[k]))
        return failure(-1, "this line has " + std::to_string(fields.size()) +
                               " fields where the first line names " + std::to_string(columnCount) +
                               " columns; a comma inside a value needs double quotes around the value");
    if (table.entries.size() >= StarTable::kCapacity)
      return failure(-1, "more than " + std::to_string(StarTable::kCapacity) + " stars; at most " +
                             std::to_string(StarTable::kCapacity) + " can be loaded");

    // The field of a column: null when the file or this line has none.
    auto cell = [&](Column c) -> const std::string* {
      const int k = at[c];
      return k >= 0 && static_cast<std::size_t>(k) < fields.size() ? &fields[static_cast<std::size_t>(k)] : nullptr;
    };
    std::optional<FileFailure> bad;
    // A number, nothing for a missing or blank field; a field that holds
    // anything else sets `bad`.
    auto number = [&](Column c) -> std::optional<double> {
      const std::string* f = cell(c);
      if (!f || BlankText(*f)) return std::nullopt;
      const std::optional<double> x = ParseNumber(*f);
      if (!x && !bad) bad = failure(c, QuotedField(*f) + " is not a number");
      return x;
    };
    auto required = [&](Column c) {
      const std::string* f = cell(c);
      if ((!f || BlankText(*f)) && !bad) bad = failure(c, "the field is empty; every star needs one");
      return f ? *f : std::string();
    };

    StarEntry star;
    star.line = line;
    star.name = required(kName);
    required(kEpoch);
    star.epoch = number(kEpoch).value_or(0);
    required(kPeriod);
    star.period = number(kPeriod).value_or(0);

    // The position: packed sexagesimal or colon/blank text in ra and dec,
    // decimal degrees in ra_deg and dec_deg, decimal hours in ra_hours.
    auto position = [&](Column c, double unitsPerHour, double low, double high, const char* what) {
      const std::string field = required(c);
      if (bad) return 0.0;
      std::optional<double> value;  // hours or degrees
      double packed = 0;
      if ((c == kRa || c == kDec) && IsSexagesimalText(field)) {
        value = Sexagesimal(field);
        if (value) packed = PackSexagesimal(*value);
      } else if (const std::optional<double> x = ParseNumber(field)) {
        if (c == kRa || c == kDec) {
          if (IsPackedSexagesimal(*x)) {
            packed = *x;
            value = astro::DmsToDegrees(*x);
          }
        } else {
          value = *x / unitsPerHour;
          packed = PackSexagesimal(*value);
        }
      }
      if (!value || !(*value >= low && *value <= high))
        bad = failure(c, QuotedField(field) + " is not " + what);
      return packed;
    };
    if (at[kRa] >= 0)
      star.raDms = position(kRa, 1, 0, 24, "a right ascension (HH.MMSS or HH:MM:SS from 0 to 24 hours; "
                                           "decimal hours go in a column ra_hours)");
    else if (at[kRaDeg] >= 0)
      star.raDms = position(kRaDeg, 15, 0, 24, "a right ascension in degrees (0 to 360)");
    else
      star.raDms = position(kRaHours, 1, 0, 24, "a right ascension in hours (0 to 24)");
    if (at[kDec] >= 0)
      star.decDms = position(kDec, 1, -90, 90, "a declination (DD.MMSS or DD:MM:SS from -90 to +90 degrees)");
    else
      star.decDms = position(kDecDeg, 1, -90, 90, "a declination in degrees (-90 to +90)");

    // The optional columns; a column the file lacks, or a line cut short
    // before it, gives what the five-field layout gives.
    if (const std::string* f = cell(kType)) {
      star.varType = *f;
      if (CharacterCount(star.varType) == 1) star.varType += ' ';
    } else {
      star.varType = "  ";
    }
    for (const auto& [c, mag] : {std::pair{kMaxMag, &star.maxMag}, std::pair{kMinMag, &star.minMag}}) {
      const std::string* f = cell(c);
      if (!f || BlankText(*f)) *mag = FieldValue::Empty();
      else if (const std::optional<double> x = ParseNumber(*f)) *mag = FieldValue::Of(*x);
      else *mag = FieldValue::OfText(*f);
    }
    const std::string* comment = cell(kComment);
    star.comment = comment ? *comment : "nc";
    star.durationHours = number(kDuration);
    star.durationIIHours = number(kDurationII);
    star.secondaryPhase = number(kSecondaryPhase).value_or(0.5);
    star.epochError = number(kEpochError);
    star.periodError = number(kPeriodError);
    if (const std::string* f = cell(kScale); f && !BlankText(*f)) {
      star.epochScale = astro::EpochScaleFromName(Key(*f) == "hjdasut" ? "hjd-as-ut" : Key(*f));
      if (!star.epochScale && !bad)
        bad = failure(kScale, QuotedField(*f) + " is not an epoch scale (" + astro::EpochScaleNameList() + ")");
    }
    if (bad) return *bad;
    table.entries.push_back(std::move(star));
  }
  if (table.entries.empty()) return FileFailure{path, 2, "the file has no stars after its line of column names"};
  return table;
}

}  // namespace tevaro::data
