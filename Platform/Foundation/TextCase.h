// Case changes of whole texts, with ICU's root-locale mappings.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class TextCase {
 public:
  // Every word's first character in title case and the rest in lower case.
  // Words are split at white space and line breaks only, so "x-ray" gives
  // "X-ray" and "o'neil" gives "O'neil"; the separators are kept as they are.
  // Ill-formed bytes become U+FFFD.
  static std::string capitalized(std::string_view text);
};

}  // namespace platform
