// Text of the data files: 8-bit bytes decoded to UTF-8, cut by characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tevaro::data {

// The bytes as UTF-8: kept as they are when they are valid UTF-8, otherwise
// decoded as Windows-1252. A leading UTF-8 byte-order mark is dropped.
std::string DecodeText(std::string_view bytes);

// Number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

// The first `count` characters of a UTF-8 text, never cutting a character.
std::string CharacterPrefix(std::string_view utf8, std::size_t count);

// The text padded with blanks on the right to `count` characters, or cut to them.
std::string FitCharacters(std::string_view utf8, std::size_t count);

// The text with each control character (C0, DEL, C1) written as \xHH, so
// that text from a file cannot act on a terminal or a message box.
std::string EscapeControls(std::string_view utf8);

// The text with each control character replaced by a blank, one blank per
// character, so that fixed columns stay aligned.
std::string BlankControls(std::string_view utf8);

// A field's text for a message: in double quotes, cut after
// kQuotedFieldCharacters characters with "…".
inline constexpr std::size_t kQuotedFieldCharacters = 40;
std::string QuotedField(std::string_view utf8);

}  // namespace tevaro::data
