#include "data/options_file.h"

#include <gtest/gtest.h>

namespace tevaro::data {
namespace {

// Reading keys: blanks around key and value, comments, the last line of a
// key winning, CR LF, LF or CR, a byte-order mark; writing: the last line of a key rewritten in
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
      {"epochs = hjd\rzone = Europe/Berlin\r", "zone", "Europe/Berlin"},
      {"epochs = hjd\r\n\rmoon = on", "moon", "on"},
      {"\xEF\xBB\xBF" "epochs = bjd\n", "epochs", "bjd"},
  };
  for (const auto& r : reads) {
    const auto got = ParseOptions(r.text).Get(r.key);
    if (r.value) EXPECT_EQ(got, r.value) << r.text;
    else EXPECT_FALSE(got) << r.text;
  }
  OptionsFile o = ParseOptions("# kept\r\nepochs = hjd\r\nmoon = on\r\nepochs = bjd\r\n");
  o.Set("epochs", "hjd-as-ut");
  o.Set("zone", "Asia/Kolkata");
  EXPECT_EQ(o.Text(), "# kept\r\nepochs = hjd\r\nmoon = on\r\nepochs = hjd-as-ut\r\nzone = Asia/Kolkata\r\n");
  EXPECT_EQ(ParseOptions(o.Text()), o);
}

// The file is bytes: every line comes back as it was, its end included, and
// a key set to the value it holds leaves its line alone; a new line takes
// the file's first line end.
TEST(OptionsFileTest, LinesKeepTheirBytesAndEnds) {
  const struct {
    const char* text;
    const char* afterSet;  // after Set("moon", "on")
  } cases[] = {
      {"note = caf\xE9\r\nepochs = bjd\r\n", "note = caf\xE9\r\nepochs = bjd\r\nmoon = on\r\n"},
      {"a\rmoon=on\nb\r\n", "a\rmoon=on\nb\r\n"},
      {"moon = off\r# last, no end", "moon = on\r# last, no end"},
      {"# no end", "# no end\nmoon = on\n"},
      {"", "moon = on\n"},
  };
  for (const auto& c : cases) {
    OptionsFile o = ParseOptions(c.text);
    EXPECT_EQ(o.Text(), c.text);
    o.Set("moon", "on");
    EXPECT_EQ(o.Text(), c.afterSet) << c.text;
  }
}

}  // namespace
}  // namespace tevaro::data
