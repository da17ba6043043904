#include "data/text.h"

#include <array>
#include <cstdint>

namespace tevaro::data {
namespace {

// Windows-1252 code points of the bytes 0x80..0x9F; the five bytes the code
// page leaves undefined map to the C1 control of the same value.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::uint8_t Byte(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const std::uint8_t b = Byte(s, i);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = 0;
    std::uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (n - i < len) return false;
    const std::uint8_t b1 = Byte(s, i + 1);
    if (b1 < lo || b1 > hi) return false;
    for (std::size_t k = 2; k < len; ++k) {
      const std::uint8_t bk = Byte(s, i + k);
      if (bk < 0x80 || bk > 0xBF) return false;
    }
    i += len;
  }
  return true;
}

bool IsContinuation(char c) { return (static_cast<std::uint8_t>(c) & 0xC0) == 0x80; }

}  // namespace

std::string DecodeText(std::string_view bytes) {
  if (bytes.size() >= 3 && Byte(bytes, 0) == 0xEF && Byte(bytes, 1) == 0xBB && Byte(bytes, 2) == 0xBF)
    bytes.remove_prefix(3);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = Byte(bytes, i);
    if (b < 0x80)
      out += static_cast<char>(b);
    else if (b < 0xA0)
      AppendUtf8(out, kCp1252High[b - 0x80]);
    else
      AppendUtf8(out, b);
  }
  return out;
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8)
    if (!IsContinuation(c)) ++count;
  return count;
}

std::string CharacterPrefix(std::string_view utf8, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (!IsContinuation(utf8[i])) {
      if (seen == count) return std::string(utf8.substr(0, i));
      ++seen;
    }
  }
  return std::string(utf8);
}

std::string FitCharacters(std::string_view utf8, std::size_t count) {
  std::string out = CharacterPrefix(utf8, count);
  const std::size_t have = CharacterCount(out);
  if (have < count) out.append(count - have, ' ');
  return out;
}

namespace {

// The length of a control character at `i`: 1 for C0 and DEL, 2 for a C1
// character (U+0080..U+009F, bytes C2 80..C2 9F); 0 when there is none.
std::size_t ControlAt(std::string_view t, std::size_t i) {
  const auto c = static_cast<unsigned char>(t[i]);
  if (c < 0x20 || c == 0x7F) return 1;
  if (c == 0xC2 && i + 1 < t.size()) {
    const auto d = static_cast<unsigned char>(t[i + 1]);
    if (d >= 0x80 && d <= 0x9F) return 2;
  }
  return 0;
}

template <class Replace>
std::string MapControls(std::string_view t, Replace replace) {
  std::string out;
  out.reserve(t.size());
  for (std::size_t i = 0; i < t.size();) {
    const std::size_t n = ControlAt(t, i);
    if (n == 0) {
      out += t[i++];
      continue;
    }
    replace(out, static_cast<unsigned char>(n == 1 ? t[i] : t[i + 1]));
    i += n;
  }
  return out;
}

}  // namespace

std::string EscapeControls(std::string_view utf8) {
  return MapControls(utf8, [](std::string& out, unsigned char code) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[code >> 4];
    out += kHex[code & 15];
  });
}

std::string BlankControls(std::string_view utf8) {
  return MapControls(utf8, [](std::string& out, unsigned char) { out += ' '; });
}

std::string QuotedField(std::string_view utf8) {
  std::string cut = CharacterPrefix(utf8, kQuotedFieldCharacters);
  if (cut.size() < utf8.size()) cut += "\xE2\x80\xA6";  // …
  return "\"" + cut + "\"";
}

}  // namespace tevaro::data
