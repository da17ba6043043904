#include "data/star_file.h"

#include <array>
#include <optional>

#include "data/named_star_file.h"
#include "data/record_reading.h"
#include "data/text.h"

namespace tevaro::data {
namespace {

constexpr std::array<const char*, 10> kFieldNames = {
    "name", "right ascension", "declination", "epoch", "period",
    "type", "magnitude at maximum", "magnitude at minimum", "comment", "duration"};

// Reads one star of `fieldCount` (5, 9 or 10) fields; the number of the field
// that could not be read (1-based) on failure.
std::optional<int> ReadStar(FieldReader& reader, int fieldCount, StarEntry& star) {
  int field = 1;
  auto text = [&](std::string& out) {
    std::optional<std::string> f = reader.ReadField();
    if (!f) return false;
    out = std::move(*f);
    ++field;
    return true;
  };
  auto real = [&](double& out) {
    const std::optional<double> f = reader.ReadReal();
    if (!f) return false;
    out = *f;
    ++field;
    return true;
  };
  // The period as a real, keeping the text of a field that is not a number.
  auto period = [&]() {
    std::optional<std::string> f = reader.ReadField();
    if (!f) return false;
    const std::optional<double> x = ParseNumber(*f);
    star.period = x.value_or(0.0);
    if (!x && !f->empty()) star.periodNotNumber = std::move(*f);
    ++field;
    return true;
  };
  // The duration: nothing when empty, the text when not a number.
  auto duration = [&]() {
    std::optional<std::string> f = reader.ReadField();
    if (!f) return false;
    if (const std::optional<double> x = ParseNumber(*f))
      star.durationHours = *x;
    else if (f->find_first_not_of(" \t") != std::string::npos)
      star.durationNotNumber = std::move(*f);
    ++field;
    return true;
  };
  auto value = [&](FieldValue& out) {
    std::optional<FieldValue> f = reader.ReadValue();
    if (!f) return false;
    out = std::move(*f);
    ++field;
    return true;
  };
  if (!text(star.name) || !real(star.raDms) || !real(star.decDms) || !real(star.epoch) || !period())
    return field;
  if (fieldCount == 5) {
    star.varType = "  ";
    star.comment = "nc";
    star.maxMag = FieldValue::Empty();
    star.minMag = FieldValue::Empty();
    return std::nullopt;
  }
  if (!text(star.varType) || !value(star.maxMag) || !value(star.minMag) || !text(star.comment)) return field;
  if (CharacterCount(star.varType) == 1) star.varType += ' ';
  if (fieldCount == 10 && !duration()) return field;
  return std::nullopt;
}

// Control characters of the texts a report prints become blanks, so that
// they cannot act on a terminal or shift the report's columns.
void BlankTexts(StarEntry& star) {
  star.name = BlankControls(star.name);
  star.varType = BlankControls(star.varType);
  star.comment = BlankControls(star.comment);
  for (FieldValue* mag : {&star.maxMag, &star.minMag})
    if (mag->kind == FieldValue::Kind::Text) mag->text = BlankControls(mag->text);
}

// The fields of the line `reader` stands at, read as a record's fields are
// read: a quoted field's commas and line ends are its own, and the line runs
// to the first line end outside quotes.
int FieldsOfLine(FieldReader& reader) {
  int count = 0;
  while (reader.ReadField()) {
    ++count;
    if (!reader.AfterComma()) break;
  }
  return count;
}

// Where the records run together: the first line from the third on whose
// field count differs from the layout's, as "line N has M fields ...";
// empty when every line has the layout's count. The blank tail holds no line.
std::string FirstLineOfOtherCount(const std::string& text, int fieldCount) {
  FieldReader reader(text);
  reader.ReadLine();
  reader.ReadLine();
  while (!reader.OnlyBlankLinesLeft()) {
    const int line = reader.Line();
    if (const int count = FieldsOfLine(reader); count != fieldCount) {
      return "line " + std::to_string(line) + " has " + std::to_string(count) +
             " fields where the file's records have " + std::to_string(fieldCount) +
             "; the records run together from there";
    }
  }
  return {};
}

}  // namespace

LoadResult<StarTable> LoadStarFile(const std::string& path) {
  LoadResult<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return bytes.failure();
  return ParseStarFile(bytes.value(), path);
}

LoadResult<StarTable> ParseStarFile(std::string_view bytes, const std::string& path) {
  std::string text = DecodeText(bytes);
  if (NamesStarColumns(text)) {
    LoadResult<StarTable> named = ParseNamedStarFile(text, path);
    if (named)
      for (StarEntry& star : named.value().entries) BlankTexts(star);
    return named;
  }

  // First pass: the fields of the third line give the layout.
  int fieldCount = 0;
  {
    FieldReader lines(text);
    if (auto failure = detail::SkipHeadingLines(lines, path)) return *failure;
    if (lines.OnlyBlankLinesLeft())
      return FileFailure{path, 3, "the file has no stars after its two heading lines"};
    fieldCount = FieldsOfLine(lines);
    if (fieldCount != 5 && fieldCount != 9 && fieldCount != 10) {
      return FileFailure{path, 3,
                         "this line has " + std::to_string(fieldCount) +
                             " comma-separated fields; a star file needs 5 (name, RA, Dec, epoch, period), "
                             "9 (adding type, two magnitudes and comment) or 10 (adding the eclipse's "
                             "duration in hours)"};
    }
  }

  // Second pass: the stars, a record being simply the next fieldCount fields.
  FieldReader reader(text);
  if (auto failure = detail::SkipHeadingLines(reader, path)) return *failure;
  StarTable table;
  do {
    const int recordLine = reader.Line();
    if (table.entries.size() >= StarTable::kCapacity) {
      return FileFailure{path, recordLine,
                         "more than " + std::to_string(StarTable::kCapacity) + " stars; at most " +
                             std::to_string(StarTable::kCapacity) + " can be loaded"};
    }
    StarEntry star;
    if (const std::optional<int> missing = ReadStar(reader, fieldCount, star)) {
      FileFailure failure = detail::CutShort(reader, path, recordLine, *missing,
                                             kFieldNames[static_cast<std::size_t>(*missing - 1)]);
      // The reading runs fields on across line ends, so the record cut short
      // is often far from the line that lacks a field: name that line too.
      if (const std::string where = FirstLineOfOtherCount(text, fieldCount); !where.empty())
        failure.reason += "; " + where;
      return failure;
    }
    BlankTexts(star);
    star.line = recordLine;
    table.entries.push_back(std::move(star));
  } while (!reader.OnlyBlankLinesLeft());
  return table;
}

}  // namespace tevaro::data
