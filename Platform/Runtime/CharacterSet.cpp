#include "Platform/Runtime/CharacterSet.h"

#include <unicode/uchar.h>

#include "Platform/Foundation/Utf8.h"

namespace platform {
namespace {

// Decodes one code point at i; returns false for an invalid sequence (one byte consumed).
bool Decode(std::string_view s, size_t& i, char32_t& out) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int length = 0;
  char32_t cp = 0;
  if (c < 0x80) {
    out = c;
    ++i;
    return true;
  } else if ((c & 0xE0) == 0xC0) {
    length = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4;
    cp = c & 0x07;
  } else {
    ++i;
    return false;
  }
  if (i + static_cast<size_t>(length) > s.size()) {
    ++i;
    return false;
  }
  for (int k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return false;
  }
  i += static_cast<size_t>(length);
  out = cp;
  return true;
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

bool CharacterSet::isValidUtf8(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = 0;
    if (!Decode(utf8, i, cp)) return false;
  }
  return true;
}

}  // namespace platform
