// The CP932 validity check that decides how a source's high bytes are read.
#include <gtest/gtest.h>

#include <string>

#include "platform/text_codec.h"

namespace zelta {
namespace {

TEST(Cp932Valid, AgreesWithTheConversion) {
  const std::string kanji = "\x8a\xbf\x8e\x9a";  // two double-byte characters
  const std::string cases[] = {"", "int main;", kanji, "\xb1\xb2", "\x81", "\x81\x20", "\xff", "a\x80" "b"};
  for (const std::string& c : cases) {
    std::string out;
    EXPECT_EQ(cp932_valid(c), cp932_to_utf8(c, out)) << c;
  }
}

// Inputs larger than the check's buffer: every output chunk is full, and a
// bad byte far behind the first chunk must still be found.
TEST(Cp932Valid, LargeInputs) {
  std::string big;
  while (big.size() < 300000) big += "\x8a\xbf\x8e\x9a x = f();\n";
  EXPECT_TRUE(cp932_valid(big));
  EXPECT_FALSE(cp932_valid(big + "\x81"));
  std::string bad = big;
  bad[250001] = '\xff';
  EXPECT_FALSE(cp932_valid(bad));
}

}  // namespace
}  // namespace zelta
