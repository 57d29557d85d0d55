#include "Platform/UIKit/Utf16.h"

#include <algorithm>

#include "Platform/Foundation/Utf8.h"

namespace uikit {

std::u16string Utf16::fromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    std::size_t len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c >> 5) == 6) { cp = c & 0x1F; len = 2; }
    else if ((c >> 4) == 14) { cp = c & 0x0F; len = 3; }
    else if ((c >> 3) == 30) { cp = c & 0x07; len = 4; }
    else { out.push_back(0xFFFD); ++i; continue; }
    if (i + len > s.size()) { out.push_back(0xFFFD); break; }
    bool bad = false;
    for (std::size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc >> 6) != 2) { bad = true; break; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (bad) { out.push_back(0xFFFD); ++i; continue; }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16::toUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    platform::Utf8::appendCodePoint(out, cp);
  }
  return out;
}

std::size_t Utf16::length(std::string_view utf8) { return fromUtf8(utf8).size(); }

std::string Utf16::replace(std::string_view utf8, Range range, std::string_view replacement) {
  std::u16string u = fromUtf8(utf8);
  std::size_t loc = std::min(range.location, u.size());
  std::size_t len = std::min(range.length, u.size() - loc);
  u.replace(loc, len, fromUtf8(replacement));
  return toUtf8(u);
}

std::size_t Utf16::characterCount(std::string_view utf8) {
  std::u16string u = fromUtf8(utf8);
  std::size_t n = 0;
  for (std::size_t i = 0; i < u.size(); ++i) {
    char16_t c = u[i];
    if (c >= 0xDC00 && c < 0xE000) continue;                  // low surrogate
    if (c >= 0x0300 && c < 0x0370) continue;                  // combining marks
    if (c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F)) continue;  // joiners, selectors
    if (i > 0 && u[i - 1] == 0x200D) continue;                // joined to the previous
    ++n;
  }
  return n;
}

}  // namespace uikit
