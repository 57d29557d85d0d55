#include "Platform/Runtime/CharacterSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::CharacterSet;

TEST(CharacterSetTest, IllFormedBytesDecodeAsOneReplacementEach) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<char32_t> codePoints;
    bool valid;
  };
  const Case cases[] = {
      {"mixed", "a\xC3\xA9\xF0\x9F\x98\x80", {U'a', U'\u00E9', U'\U0001F600'}, true},
      {"cut off before ascii", "ab\xE2" "c", {U'a', U'b', U'\uFFFD', U'c'}, false},
      {"overlong NUL", std::string("\xC0\x80", 2), {U'\uFFFD', U'\uFFFD'}, false},
      {"surrogate", "\xED\xA0\x80", {U'\uFFFD', U'\uFFFD', U'\uFFFD'}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CharacterSet::codePoints(c.text), c.codePoints) << c.name;
    EXPECT_EQ(CharacterSet::codePointCount(c.text), c.codePoints.size()) << c.name;
    EXPECT_EQ(CharacterSet::isValidUtf8(c.text), c.valid) << c.name;
  }
}

TEST(CharacterSetTest, PrefixCutsOnlyBetweenCodePoints) {
  const std::string text = "a\xF0\x9F\x98\x80" "b";
  EXPECT_EQ(CharacterSet::prefix(text, 2), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(CharacterSet::prefix(text, 9), text);
  EXPECT_EQ(CharacterSet::utf16Length(text), 4u);
  EXPECT_EQ(CharacterSet::prefix("\xE2" "c", 1), "\xE2") << "a bad byte counts as one";
}

}  // namespace
