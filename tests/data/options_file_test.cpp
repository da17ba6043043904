#include "data/options_file.h"

#include <gtest/gtest.h>

namespace tevaro::data {
namespace {

// Reading keys: blanks around key and value, comments, the last line of a
// key winning, CR LF or LF; writing: the last line of a key rewritten in
// place, a new key added at the end, every other line as it was.
TEST(OptionsFileTest, KeysReadAndWrittenInPlace) {
  const struct {
    const char* text;
    const char* key;
    const char* value;  // nullptr: not set
  } reads[] = {
      {"epochs = bjd\n", "epochs", "bjd"},
      {"  epochs=hjd  \r\nzone = Europe/Berlin\r\n", "zone", "Europe/Berlin"},
      {"# epochs = bjd\n; epochs = hjd\n", "epochs", nullptr},
      {"epochs = hjd\nepochs = bjd", "epochs", "bjd"},
      {"epochs\nzone: 5\n", "epochs", nullptr},
      {"zone = \n", "zone", ""},
      {"a = b = c\n", "a", "b = c"},
  };
  for (const auto& r : reads) {
    const auto got = ParseOptions(r.text).Get(r.key);
    if (r.value) EXPECT_EQ(got, r.value) << r.text;
    else EXPECT_FALSE(got) << r.text;
  }
  OptionsFile o = ParseOptions("# kept\r\nepochs = hjd\r\nmoon = on\r\nepochs = bjd\r\n");
  o.Set("epochs", "hjd-as-ut");
  o.Set("zone", "Asia/Kolkata");
  EXPECT_EQ(o.Text(), "# kept\nepochs = hjd\nmoon = on\nepochs = hjd-as-ut\nzone = Asia/Kolkata\n");
  EXPECT_EQ(ParseOptions(o.Text()), o);
}

}  // namespace
}  // namespace tevaro::data
