#include "data/options_file.h"

#include <filesystem>

namespace tevaro::data {

namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A line's bytes without its end.
std::string_view Content(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

std::string_view EndOf(std::string_view line) { return line.substr(Content(line).size()); }

// The key of a "key = value" line; nothing for a comment or a line without
// '='. A byte-order mark before the first key is not part of it.
std::optional<std::string_view> KeyOf(std::string_view line) {
  std::string_view t = Trim(Content(line));
  if (t.substr(0, 3) == "\xEF\xBB\xBF") t = Trim(t.substr(3));
  if (t.empty() || t[0] == '#' || t[0] == ';') return std::nullopt;
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

std::string_view ValueOf(std::string_view line) {
  const std::string_view c = Content(line);
  return Trim(c.substr(c.find('=') + 1));
}

}  // namespace

int OptionsFile::LineOf(std::string_view key) const {
  for (std::size_t i = lines.size(); i-- > 0;)
    if (KeyOf(lines[i]) == key) return static_cast<int>(i) + 1;
  return 0;
}

std::optional<std::string> OptionsFile::Get(std::string_view key) const {
  const int n = LineOf(key);
  if (n == 0) return std::nullopt;
  return std::string(ValueOf(lines[static_cast<std::size_t>(n - 1)]));
}

void OptionsFile::Set(std::string_view key, std::string_view value) {
  const std::string content = std::string(key) + " = " + std::string(value);
  if (const int n = LineOf(key); n > 0) {
    std::string& line = lines[static_cast<std::size_t>(n - 1)];
    if (ValueOf(line) != value) line = content + std::string(EndOf(line));
    return;
  }
  std::string end = "\n";
  for (const std::string& line : lines)
    if (!EndOf(line).empty()) {
      end = EndOf(line);
      break;
    }
  if (!lines.empty() && EndOf(lines.back()).empty()) lines.back() += end;
  lines.push_back(content + end);
}

void OptionsFile::Remove(std::string_view key) {
  std::erase_if(lines, [key](const std::string& line) { return KeyOf(line) == key; });
}

std::string OptionsFile::Text() const {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

std::string OptionsPath(const std::string& folder) {
  if (folder.empty()) return kOptionsFileName;
  return (std::filesystem::path(folder) / kOptionsFileName).string();
}

OptionsFile ParseOptions(std::string_view bytes) {
  OptionsFile o;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    else end += bytes.substr(end, 2) == "\r\n" ? 2 : 1;
    o.lines.emplace_back(bytes.substr(pos, end - pos));
    pos = end;
  }
  return o;
}

LoadedOptions LoadOptionsFromFile(const std::string& path) {
  LoadResult<std::string> bytes = ReadFileBytes(path);
  if (bytes) return {ParseOptions(bytes.value()), true, std::nullopt};
  // Anything in its place, a dangling link included, is not a missing file.
  std::error_code ec;
  const bool missing = std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::not_found;
  return {{}, false, missing ? std::nullopt : std::optional<FileFailure>(bytes.failure())};
}

WriteResult SaveOptions(const std::string& path, const OptionsFile& options) {
  return WriteFileAtomically(path, options.Text());
}

}  // namespace tevaro::data
