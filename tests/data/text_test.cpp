#include "data/text.h"

#include <gtest/gtest.h>

namespace tevaro::data {
namespace {

TEST(DecodeText, KeepsValidUtf8AndDropsByteOrderMark) {
  EXPECT_EQ(DecodeText("Ces\xC3\xA9 Obs"), "Ces\xC3\xA9 Obs");
  EXPECT_EQ(DecodeText("\xEF\xBB\xBFname,RA"), "name,RA");
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF"), "");
  EXPECT_EQ(DecodeText(""), "");
  // A four-byte character stays whole.
  EXPECT_EQ(DecodeText("\xF0\x9F\x94\xAD"), "\xF0\x9F\x94\xAD");
}

TEST(DecodeText, ReadsInvalidUtf8AsWindows1252) {
  // e acute, the euro sign and a left double quote of the code page.
  EXPECT_EQ(DecodeText("Ces\xE9 Obs"), "Ces\xC3\xA9 Obs");
  EXPECT_EQ(DecodeText("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(DecodeText("\x93x\x94"), "\xE2\x80\x9Cx\xE2\x80\x9D");
  // One bad byte makes the whole text Windows-1252, also valid-looking pairs.
  EXPECT_EQ(DecodeText("\xC3\xA9 \xE9"), "\xC3\x83\xC2\xA9 \xC3\xA9");
  // A byte the code page leaves undefined becomes its C1 control.
  EXPECT_EQ(DecodeText("\x81"), "\xC2\x81");
  // A byte-order mark before Windows-1252 text is still dropped.
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xE9"), "\xC3\xA9");
}

TEST(DecodeText, RejectsMalformedUtf8Forms) {
  EXPECT_EQ(DecodeText("\xC0\xAF"), "\xC3\x80\xC2\xAF");              // overlong slash
  EXPECT_EQ(DecodeText("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");  // surrogate
  EXPECT_EQ(DecodeText("ab\xC3"), "ab\xC3\x83");                      // cut at the end
  EXPECT_EQ(DecodeText("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC");  // above U+10FFFF
}

TEST(CharacterText, CountsAndCutsByCharacters) {
  const std::string name = "Ces\xC3\xA9 \xE2\x82\xAC";  // "Cesé €": 6 characters, 9 bytes
  EXPECT_EQ(CharacterCount(name), 6u);
  EXPECT_EQ(CharacterPrefix(name, 4), "Ces\xC3\xA9");
  EXPECT_EQ(CharacterPrefix(name, 3), "Ces");
  EXPECT_EQ(CharacterPrefix(name, 0), "");
  EXPECT_EQ(CharacterPrefix(name, 50), name);
  EXPECT_EQ(FitCharacters(name, 8), name + "  ");
  EXPECT_EQ(FitCharacters(name, 5), "Ces\xC3\xA9 ");
  EXPECT_EQ(CharacterCount(FitCharacters("\xC3\xA9\xC3\xA9\xC3\xA9", 2)), 2u);
  EXPECT_EQ(FitCharacters("", 3), "   ");
}

}  // namespace
}  // namespace tevaro::data
