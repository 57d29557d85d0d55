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

}  // namespace
