// The failure texts a failed print shows, and the message built from them.
#include "run/error_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace tevaro::run {
namespace {

TEST(ErrorTextsTest, EachTextSitsAtItsOwnNumber) {
  EXPECT_EQ(ErrorTextCount(), 33);
  int found = 0;
  for (int n = 0; n <= kLastErrorNumber; ++n) {
    const std::string text(ErrorText(n));
    if (text.empty()) continue;
    const std::string head = "Error " + std::to_string(n) + ": ";
    EXPECT_EQ(text.substr(0, head.size()), head) << n;
    // Every text ends in a full stop but those of 72 and 74.
    EXPECT_EQ(text.back() == '.', n != 72 && n != 74) << n;
    ++found;
  }
  EXPECT_EQ(found, 33);
  EXPECT_EQ(ErrorText(75), "Error 75: Path/file access error.");
  EXPECT_EQ(ErrorText(429), "Error 429: ActiveX component can't create object.");
  EXPECT_EQ(ErrorText(74), "Error 74: Rename across disks");
  EXPECT_EQ(ErrorText(731), "Error 731: Path not found.");
  EXPECT_EQ(ErrorText(-1), "");
  EXPECT_EQ(ErrorText(1001), "");
}

TEST(ErrorTextsTest, MessageIsTheBlankLedNumberThenTheText) {
  EXPECT_EQ(PrintFailureMessage(25), " 25 Error 25: Device fault.");
  EXPECT_EQ(PrintFailureMessage(27), " 27 Error 27: Out of paper.");
  EXPECT_EQ(PrintFailureMessage(4), " 4 Error 4: Out of data.");
  // A slot without a text: the number and a trailing blank.
  EXPECT_EQ(PrintFailureMessage(482), " 482 ");
  EXPECT_EQ(PrintFailureMessage(0), " 0 ");
  EXPECT_EQ(PrintFailureMessage(1000), " 1000 ");
  // No slot at all: the number alone, a minus sign in the blank's place.
  EXPECT_EQ(PrintFailureMessage(1001), " 1001");
  EXPECT_EQ(PrintFailureMessage(-7), "-7");
}

}  // namespace
}  // namespace tevaro::run
