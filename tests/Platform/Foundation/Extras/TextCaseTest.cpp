#include "Platform/Foundation/TextCase.h"

#include <gtest/gtest.h>

namespace {

using platform::TextCase;

TEST(TextCaseTest, CapitalizedSplitsAtWhiteSpaceOnly) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"mixed words", "GATE CLOSED today", "Gate Closed Today"},
      {"hyphen joins", "x-ray ROOM", "X-ray Room"},
      {"apostrophe joins", "o'NEIL's desk", "O'neil's Desk"},
      {"leading punctuation stays", "(note) now", "(note) Now"},
      {"digits open a word", "2ND floor", "2nd Floor"},
      {"separators kept", "  a\tb\nc\r\nd  ", "  A\tB\nC\r\nD  "},
      {"no-break and ideographic spaces split", "a\xC2\xA0" "b\xE3\x80\x80" "c", "A\xC2\xA0" "B\xE3\x80\x80" "C"},
      {"line separator splits", "a\xE2\x80\xA8" "b", "A\xE2\x80\xA8" "B"},
      {"empty", "", ""},
      {"blank", " \n", " \n"},
      // Full mappings: sharp s opens as "Ss", a dz digraph takes its title
      // form, a word-final sigma stays final.
      {"sharp s", "\xC3\x9F" "ach", "Ssach"},
      {"dz digraph", "\xC7\x86" "EMAL", "\xC7\x85" "emal"},
      {"final sigma", "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\x9F\xCE\xB4\xCE\xBF\xCF\x82"},
      // Root locale: a capital I lowers to a dotted i, not the Turkish dotless one.
      {"root locale", "DIAL", "Dial"},
      {"ill-formed byte", "a\xFF" "B", "A\xEF\xBF\xBD" "b"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextCase::capitalized(c.text), c.expected) << c.name;
}

}  // namespace
