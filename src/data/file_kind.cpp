#include "data/file_kind.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace tevaro::data {

namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// A line's comma-separated fields; a comma inside double quotes separates nothing.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] == '"') quoted = !quoted;
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      fields.push_back(Trim(line.substr(start, i - start)));
      start = i + 1;
    }
  }
  return fields;
}

bool IsNumber(std::string_view field) {
  if (field.empty()) return false;
  const std::string text(field);
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

}  // namespace

DataFileKind KindOfDataFile(std::string_view bytes) {
  constexpr int kHeadingLines = 2, kDecidingLines = 20;
  int lineNumber = 0, examined = 0;
  bool limits = true, locations = true;
  std::size_t pos = 0;
  while (pos < bytes.size() && examined < kDecidingLines) {
    std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = Trim(bytes.substr(pos, end - pos));
    pos = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
    if (++lineNumber <= kHeadingLines || line.empty()) continue;
    ++examined;
    const std::vector<std::string_view> f = Fields(line);
    limits = limits && f.size() == 3 && IsNumber(f[0]) && IsNumber(f[1]) && IsNumber(f[2]);
    locations = locations && f.size() == 4 && !IsNumber(f[0]) && IsNumber(f[1]) && IsNumber(f[2]) && !f[3].empty();
  }
  if (examined == 0) return DataFileKind::Stars;
  if (limits) return DataFileKind::Limits;
  if (locations) return DataFileKind::Locations;
  return DataFileKind::Stars;
}

}  // namespace tevaro::data
