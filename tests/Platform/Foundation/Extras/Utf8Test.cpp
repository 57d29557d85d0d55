#include "Platform/Foundation/Utf8.h"

#include <gtest/gtest.h>

namespace {

using platform::Utf8;

TEST(Utf8Test, WellFormednessAndReplacement) {
  struct Case {
    const char* name;
    std::string text;
    bool valid;
    std::string sanitized;
  };
  const Case cases[] = {
      {"ascii", "abc", true, "abc"},
      {"two-byte", "\xC3\xA9", true, "\xC3\xA9"},
      {"four-byte", "\xF0\x9F\x98\x80", true, "\xF0\x9F\x98\x80"},
      {"overlong", "\xC0\xAF", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate", "\xED\xA0\x80", false, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"above-max", "\xF4\x90\x80\x80", false, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"truncated", "a\xE2\x82", false, "a\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"stray-continuation", "\x80z", false, "\xEF\xBF\xBDz"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8::isValid(c.text), c.valid) << c.name;
    EXPECT_EQ(Utf8::sanitize(c.text), c.sanitized) << c.name;
  }
}

TEST(Utf8Test, BlankMeansOnlyUnicodeWhiteSpaceAndLineBreaks) {
  const std::pair<std::string, bool> cases[] = {
      {"", true},          {" \t\r\n", true},        {"\xC2\xA0\xE2\x80\x83", true},  // no-break and em space
      {" a ", false},      {"\xE3\x80\x80x", false}, {"\xFF", false},                  // a broken byte is content
  };
  for (const auto& [text, blank] : cases) EXPECT_EQ(Utf8::isBlank(text), blank) << text;
}

TEST(Utf8Test, DecodeGivesTheCodePointOrZeroForIllFormedInput) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t pos;
    std::size_t length;
    char32_t cp;
  };
  const Case cases[] = {
      {"ascii", "xA", 1, 1, U'A'},
      {"two-byte", "\xC3\xA9", 0, 2, U'\u00E9'},
      {"three-byte", "\xE2\x82\xAC", 0, 3, U'\u20AC'},
      {"four-byte", "\xF0\x9F\x98\x80", 0, 4, U'\U0001F600'},
      {"overlong NUL", std::string("\xC0\x80", 2), 0, 0, U'\uFFFD'},
      {"cut off", "\xE2\x82", 0, 0, U'\uFFFD'},
      {"surrogate", "\xED\xA0\x80", 0, 0, U'\uFFFD'},
      {"past the end", "a", 1, 0, U'\uFFFD'},
  };
  for (const auto& c : cases) {
    char32_t cp = 0;
    EXPECT_EQ(Utf8::decode(c.text, c.pos, &cp), c.length) << c.name;
    EXPECT_EQ(cp, c.cp) << c.name;
  }
}

TEST(Utf8Test, Utf16ConversionReplacesEachIllFormedByteAndKeepsTheRest) {
  struct Case {
    const char* name;
    std::string utf8;
    std::u16string utf16;
    std::string back;  // UTF-8 of the UTF-16 result
  };
  const Case cases[] = {
      {"mixed", "a\xC3\xA9\xF0\x9F\x98\x80", u"a\u00E9\U0001F600", "a\xC3\xA9\xF0\x9F\x98\x80"},
      // A character cut off in the middle must not swallow what follows.
      {"cut off before ascii", "ab\xE2" "c", u"ab\uFFFDc", "ab\xEF\xBF\xBD" "c"},
      {"cut off at the end", "ab\xE2\x82", u"ab\uFFFD\uFFFD", "ab\xEF\xBF\xBD\xEF\xBF\xBD"},
      // An overlong NUL is two bad bytes, never a NUL.
      {"overlong NUL", std::string("x\xC0\x80y", 4), u"x\uFFFD\uFFFDy", "x\xEF\xBF\xBD\xEF\xBF\xBDy"},
      {"surrogate bytes", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"stray continuation", "\x80z", u"\uFFFDz", "\xEF\xBF\xBDz"},
  };
  for (const auto& c : cases) {
    const std::u16string units = Utf8::toUtf16(c.utf8);
    EXPECT_EQ(units, c.utf16) << c.name;
    EXPECT_EQ(Utf8::fromUtf16(units), c.back) << c.name;
    EXPECT_EQ(Utf8::fromUtf16(units), Utf8::sanitize(c.utf8)) << c.name;
  }
}

TEST(Utf8Test, UnpairedSurrogateUnitsBecomeReplacementCharacters) {
  const std::u16string lone{u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
  EXPECT_EQ(Utf8::fromUtf16(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

}  // namespace
