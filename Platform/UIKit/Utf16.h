// Text lengths and ranges in UTF-16 units, the unit text ranges use in the
// toolkit's delegate calls; storage stays UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "Platform/UIKit/Geometry.h"

namespace uikit {

class Utf16 {
 public:
  static std::u16string fromUtf8(std::string_view s);
  static std::string toUtf8(std::u16string_view s);
  static std::size_t length(std::string_view utf8);
  // Replaces range (UTF-16 units, clamped to the text) with replacement.
  static std::string replace(std::string_view utf8, Range range, std::string_view replacement);
};

}  // namespace uikit
