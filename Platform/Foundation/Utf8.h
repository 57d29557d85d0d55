// UTF-8 encoding of code points, shared by the text helpers that walk
// strings by code point or by UTF-16 unit, and the one well-formedness
// check (no overlong forms, no surrogates, nothing above U+10FFFF).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class Utf8 {
 public:
  // Appends the UTF-8 bytes of cp (1 to 4) to out.
  static void appendCodePoint(std::string& out, char32_t cp);
  // Length (1 to 4) of the well-formed sequence starting at text[pos], or 0.
  static std::size_t sequenceLength(std::string_view text, std::size_t pos);
  // Decodes the sequence at text[pos] into *out and returns its length, or
  // returns 0 (and stores U+FFFD) when it is ill-formed.
  static std::size_t decode(std::string_view text, std::size_t pos, char32_t* out);
  static bool isValid(std::string_view text);
  // True when nothing is left after trimming Unicode white space and line
  // breaks; an ill-formed byte counts as content.
  static bool isBlank(std::string_view text);
  // Every ill-formed byte becomes U+FFFD.
  static std::string sanitize(std::string_view text);
  // UTF-16 of text; like sanitize, every ill-formed byte becomes U+FFFD.
  static std::u16string toUtf16(std::string_view text);
  // UTF-8 of UTF-16 units; an unpaired surrogate becomes U+FFFD.
  static std::string fromUtf16(std::u16string_view units);
};

}  // namespace platform
