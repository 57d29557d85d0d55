#include "Facility/Widgets/AppFont.h"

#include <algorithm>
#include <cctype>

#include "Facility/Support/Device.h"
#include "Platform/UIKit/ControlState.h"

namespace {

uikit::Font scaled(const uikit::Font& font, bool smallOrMedium) {
  double size = font.pointSize() + (smallOrMedium ? 0 : 2);
  std::string lower = font.fontName();
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  std::string name = lower.find("medium") != std::string::npos ? "Gotham-Medium" : "Gotham-Book";
  return uikit::Font::namedOrSystem(name, size);
}

}  // namespace

uikit::Font AppFont::appScaledFont(const uikit::Font& font) {
  return scaled(font, Device::isSmallPhone() || Device::isMediumPhone());
}

void AppFont::setTitleFont(uikit::SegmentedControl& control, const std::string& fontName, double size) {
  uikit::Font base = uikit::Font::namedOrSystem(fontName, size);
  uikit::TextAttributes attributes;
  attributes.font = appScaledFont(base);
  control.setTitleTextAttributes(attributes, uikit::kControlStateNormal);
}
