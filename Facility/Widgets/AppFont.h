// The app's typeface rule: every font becomes "Gotham-Medium" (names with
// "medium") or "Gotham-Book", two points larger except on the small and
// medium phones.
#pragma once

#include <string>

#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/SegmentedControl.h"

class AppFont {
 public:
  // Follows the phone the program runs on, read at every call.
  static uikit::Font appScaledFont(const uikit::Font& font);
  // The named font at that size, scaled, as the only normal-state title attribute.
  static void setTitleFont(uikit::SegmentedControl& control, const std::string& fontName, double size);
};
