// UTF-8 encoding of code points, shared by the text helpers that walk
// strings by code point or by UTF-16 unit.
#pragma once

#include <string>

namespace platform {

class Utf8 {
 public:
  // Appends the UTF-8 bytes of cp (1 to 4) to out.
  static void appendCodePoint(std::string& out, char32_t cp);
};

}  // namespace platform
