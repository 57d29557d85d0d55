#include "Platform/UIKit/Utf16.h"

#include <algorithm>

#include "Platform/Foundation/Utf8.h"

namespace uikit {

std::u16string Utf16::fromUtf8(std::string_view s) { return platform::Utf8::toUtf16(s); }

std::string Utf16::toUtf8(std::u16string_view s) { return platform::Utf8::fromUtf16(s); }

std::size_t Utf16::length(std::string_view utf8) { return fromUtf8(utf8).size(); }

std::string Utf16::replace(std::string_view utf8, Range range, std::string_view replacement) {
  std::u16string u = fromUtf8(utf8);
  std::size_t loc = std::min(range.location, u.size());
  std::size_t len = std::min(range.length, u.size() - loc);
  u.replace(loc, len, fromUtf8(replacement));
  return toUtf8(u);
}

}  // namespace uikit
