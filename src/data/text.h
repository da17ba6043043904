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

}  // namespace tevaro::data
