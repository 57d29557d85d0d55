// Unicode character classes (ICU) and UTF-8 code-point handling. Invalid
// UTF-8 bytes decode as U+FFFD, one per byte, so every text has a defined
// sequence of code points.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class CharacterSet {
 public:
  // General category L* (letters, without combining marks).
  static bool isLetter(char32_t codePoint);
  // General category Nd.
  static bool isDecimalDigit(char32_t codePoint);

  static std::vector<char32_t> codePoints(std::string_view utf8);
  static size_t codePointCount(std::string_view utf8);
  static size_t utf16Length(std::string_view utf8);
  static std::string toUtf8(const std::vector<char32_t>& codePoints);
  // The first count code points.
  static std::string prefix(std::string_view utf8, size_t count);
  // True when the text is well-formed UTF-8.
  static bool isValidUtf8(std::string_view utf8);
};

}  // namespace platform
