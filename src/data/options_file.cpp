#include "data/options_file.h"

#include <filesystem>

#include "data/text.h"

namespace tevaro::data {

namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The key of a "key = value" line; nothing for a comment or a line without '='.
std::optional<std::string_view> KeyOf(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t[0] == '#' || t[0] == ';') return std::nullopt;
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

}  // namespace

std::optional<std::string> OptionsFile::Get(std::string_view key) const {
  for (auto it = lines.rbegin(); it != lines.rend(); ++it)
    if (KeyOf(*it) == key) return std::string(Trim(std::string_view(*it).substr(it->find('=') + 1)));
  return std::nullopt;
}

void OptionsFile::Set(std::string_view key, std::string_view value) {
  std::string line = std::string(key) + " = " + std::string(value);
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    if (KeyOf(*it) == key) {
      *it = std::move(line);
      return;
    }
  }
  lines.push_back(std::move(line));
}

std::string OptionsFile::Text() const {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string OptionsPath(const std::string& folder) {
  if (folder.empty()) return kOptionsFileName;
  return (std::filesystem::path(folder) / kOptionsFileName).string();
}

OptionsFile ParseOptions(std::string_view bytes) {
  OptionsFile o;
  const std::string text = DecodeText(bytes);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    o.lines.push_back(std::move(line));
    pos = end + 1;
  }
  return o;
}

LoadedOptions LoadOptionsFromFile(const std::string& path) {
  LoadResult<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return {{}, false, bytes.failure().Message()};
  return {ParseOptions(bytes.value()), true, {}};
}

WriteResult SaveOptions(const std::string& path, const OptionsFile& options) {
  return WriteFileAtomically(path, options.Text());
}

}  // namespace tevaro::data
