// The app's colour palette, each made once on first use. Names used by
// different screens for the same colour are aliases.
#pragma once

#include "Platform/UIKit/Color.h"

class AppColor {
 public:
  static const uikit::Color& black();
  static const uikit::Color& white();
  static const uikit::Color& clear();
  static const uikit::Color& gray93();
  static const uikit::Color& gray190();
  static const uikit::Color& green();
  static const uikit::Color& darkBlue();
  static const uikit::Color& red();
  static const uikit::Color& orange();
  static const uikit::Color& maroon();
  static const uikit::Color& gray112();
  static const uikit::Color& gray237();
  static const uikit::Color& lightGray();
  static const uikit::Color& lightBlue();
  static const uikit::Color& gray180();

  static const uikit::Color& gray() { return gray112(); }
  static const uikit::Color& darkGray() { return gray112(); }
  static const uikit::Color& paleGray() { return gray237(); }
  static const uikit::Color& midGray() { return gray180(); }
  static const uikit::Color& silver() { return gray190(); }
  static const uikit::Color& paleBlue() { return lightBlue(); }
};
