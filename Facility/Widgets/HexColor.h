// Colours from hex text ("#RRGGBB") and their RGBA read-out.
#pragma once

#include <optional>
#include <string_view>

#include "Platform/UIKit/Color.h"

class HexColor {
 public:
  // Trims blanks, drops one leading "#", reads hex digits up to the first
  // other character (none: 0) and takes the low 24 bits as RGB; alpha 1.
  static uikit::Color colorWithHexString(std::string_view hexString);
  // None when the colour cannot give RGBA components.
  static std::optional<uikit::Color::RGBA> rgba(const uikit::Color& color) { return color.rgba(); }
};
