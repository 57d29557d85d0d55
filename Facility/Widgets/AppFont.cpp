#include "Facility/Widgets/AppFont.h"

#include <algorithm>
#include <cctype>

#include "Facility/Device.h"
#include "Platform/UIKit/ControlState.h"

namespace {

uikit::Font scaled(const uikit::Font& font, bool smallOrMedium) {
  double size = font.pointSize() + (smallOrMedium ? 0 : 2);
  std::string lower = font.fontName();
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  std::string name = lower.find("medium") != std::string::npos ? "Gotham-Medium" : "Gotham-Book";
  if (auto f = uikit::Font::named(name, size)) return *f;
  return uikit::Font::systemFont(size);
}

}  // namespace

uikit::Font AppFont::appScaledFont(const uikit::Font& font) {
  return scaled(font, Device::isSmallPhone() || Device::isMediumPhone());
}

void AppFont::setTitleFont(uikit::SegmentedControl& control, const std::string& fontName, double size) {
  uikit::Font base = uikit::Font::named(fontName, size).value_or(uikit::Font::systemFont(size));
  uikit::TextAttributes attributes;
  attributes.font = appScaledFont(base);
  control.setTitleTextAttributes(attributes, uikit::kControlStateNormal);
}
