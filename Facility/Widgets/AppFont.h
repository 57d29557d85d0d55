// The app's typeface rule: every font becomes "Gotham-Medium" (names with
// "medium") or "Gotham-Book", two points larger except on the small and
// medium phones.
#pragma once

#include <string>

#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/SegmentedControl.h"

class AppFont {
 public:
  static uikit::Font appScaledFont(const uikit::Font& font);
  // The rule for a given phone (the app's own phone is fixed at start).
  static uikit::Font appScaledFont(const uikit::Font& font, const uikit::DeviceProfile& device);
  // The named font at that size, scaled, as the only normal-state title attribute.
  static void setTitleFont(uikit::SegmentedControl& control, const std::string& fontName, double size);
};
