#include "Platform/Runtime/CharacterSet.h"

#include <unicode/uchar.h>

#include "Platform/Foundation/Utf8.h"

namespace platform {
namespace {

// Decodes one code point at i and moves past it; an ill-formed byte yields
// U+FFFD and false, and is skipped alone.
bool Decode(std::string_view s, size_t& i, char32_t& out) {
  const size_t length = Utf8::decode(s, i, &out);
  i += length == 0 ? 1 : length;
  return length != 0;
}

}  // namespace

bool CharacterSet::isLetter(char32_t codePoint) {
  return (U_GET_GC_MASK(static_cast<UChar32>(codePoint)) & U_GC_L_MASK) != 0;
}

bool CharacterSet::isDecimalDigit(char32_t codePoint) {
  return u_charType(static_cast<UChar32>(codePoint)) == U_DECIMAL_DIGIT_NUMBER;
}

std::vector<char32_t> CharacterSet::codePoints(std::string_view utf8) {
  std::vector<char32_t> out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = 0;
    out.push_back(Decode(utf8, i, cp) ? cp : U'\uFFFD');
  }
  return out;
}

size_t CharacterSet::codePointCount(std::string_view utf8) {
  size_t count = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = 0;
    Decode(utf8, i, cp);
    ++count;
  }
  return count;
}

size_t CharacterSet::utf16Length(std::string_view utf8) {
  size_t count = 0;
  for (char32_t cp : codePoints(utf8)) count += cp > 0xFFFF ? 2 : 1;
  return count;
}

std::string CharacterSet::toUtf8(const std::vector<char32_t>& codePoints) {
  std::string out;
  for (char32_t cp : codePoints) Utf8::appendCodePoint(out, cp);
  return out;
}

std::string CharacterSet::prefix(std::string_view utf8, size_t count) {
  size_t i = 0;
  size_t seen = 0;
  while (i < utf8.size() && seen < count) {
    char32_t cp = 0;
    Decode(utf8, i, cp);
    ++seen;
  }
  return std::string(utf8.substr(0, i));
}

bool CharacterSet::isValidUtf8(std::string_view utf8) { return Utf8::isValid(utf8); }

}  // namespace platform
