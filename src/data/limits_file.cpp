#include "data/limits_file.h"

#include <array>
#include <optional>

#include "data/record_reading.h"
#include "data/text.h"

namespace tevaro::data {
LoadResult<astro::LimitsTable> LoadSiteLimits(const std::string& path) {
  LoadResult<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return bytes.failure();
  return ParseSiteLimits(bytes.value(), path);
}

LoadResult<astro::LimitsTable> ParseSiteLimits(std::string_view bytes, const std::string& path) {
  FieldReader reader(DecodeText(bytes));
  if (auto failure = detail::SkipHeadingLines(reader, path)) return *failure;
  if (reader.OnlyBlankLinesLeft())
    return FileFailure{path, 3, "the file has no limit rows after its two heading lines"};

  static constexpr std::array<const char*, 3> kFieldNames = {"declination", "east hour-angle limit",
                                                             "west hour-angle limit"};
  astro::LimitsTable table;
  do {
    const int recordLine = reader.Line();
    if (table.rows.size() >= astro::LimitsTable::kCapacity) {
      return FileFailure{path, recordLine,
                         "more than " + std::to_string(astro::LimitsTable::kCapacity) + " limit rows; at most " +
                             std::to_string(astro::LimitsTable::kCapacity) + " can be loaded"};
    }
    std::array<double, 3> values{};
    for (std::size_t k = 0; k < 3; ++k) {
      const int fieldLine = reader.Line();
      const std::optional<FieldValue> v = reader.ReadValue();
      if (!v) return detail::CutShort(reader, path, recordLine, static_cast<int>(k) + 1, kFieldNames[k]);
      if (v->kind == FieldValue::Kind::Text) {
        return FileFailure{path, fieldLine,
                           std::string("the ") + kFieldNames[k] + " " + QuotedField(v->text) + " is not a number"};
      }
      values[k] = v->NumberOr0();
    }
    if (!table.rows.empty() && values[0] < table.rows.back().declinationDeg) {
      return FileFailure{path, recordLine,
                         "the declination " + detail::DecimalText(values[0]) + " is below the previous row's " +
                             detail::DecimalText(table.rows.back().declinationDeg) +
                             "; rows must be in ascending order of declination"};
    }
    table.rows.push_back({values[0], values[1], values[2]});
  } while (!reader.OnlyBlankLinesLeft());
  return table;
}

}  // namespace tevaro::data
