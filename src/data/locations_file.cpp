#include "data/locations_file.h"

#include <array>
#include <optional>

#include "astro/time_zone.h"
#include "data/record_reading.h"

namespace tevaro::data {

LoadResult<SiteTable> LoadLocations(const std::string& path) {
  LoadResult<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return bytes.failure();
  return ParseLocations(bytes.value(), path);
}

LoadResult<SiteTable> ParseLocations(std::string_view bytes, const std::string& path) {
  FieldReader reader(DecodeText(bytes));
  if (auto failure = detail::SkipHeadingLines(reader, path)) return *failure;
  if (reader.OnlyBlankLinesLeft())
    return FileFailure{path, 3, "the file has no observatories after its two heading lines"};

  static constexpr std::array<const char*, 4> kFieldNames = {"name", "longitude", "latitude", "time zone"};
  SiteTable table;
  do {
    const int recordLine = reader.Line();
    if (table.entries.size() >= SiteTable::kCapacity) {
      return FileFailure{path, recordLine,
                         "more than " + std::to_string(SiteTable::kCapacity) + " observatories; at most " +
                             std::to_string(SiteTable::kCapacity) + " can be loaded"};
    }
    SiteEntry site;
    std::optional<std::string> name = reader.ReadField();
    if (!name) return detail::CutShort(reader, path, recordLine, 1, kFieldNames[0]);
    site.name = std::move(*name);
    FieldValue* numbers[] = {&site.longitudeDms, &site.latitudeDms, &site.zone};
    int zoneLine = 0;
    for (int k = 0; k < 3; ++k) {
      zoneLine = reader.Line();
      std::optional<FieldValue> v = reader.ReadValue();
      if (!v) return detail::CutShort(reader, path, recordLine, k + 2, kFieldNames[static_cast<std::size_t>(k + 1)]);
      *numbers[k] = std::move(*v);
    }
    if (site.zone.kind == FieldValue::Kind::Text && !astro::NamedZone::Find(site.zone.text)) {
      table.warnings.push_back({path, zoneLine,
                                "the time zone " + QuotedField(site.zone.text) +
                                    " is neither a number of hours nor a zone name the system knows"});
    }
    table.entries.push_back(std::move(site));
  } while (!reader.OnlyBlankLinesLeft());
  return table;
}

}  // namespace tevaro::data
