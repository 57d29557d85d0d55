// Screen and device metrics of the phone the program runs on.
#pragma once

#include <string>

#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Geometry.h"

class Device {
 public:
  static const uikit::DeviceProfile& current();
  static uikit::Rect screenBounds();
  static double screenHeight();
  static double screenWidth();
  static uikit::Point screenCenter();
  static double screenCenterX();
  static double screenCenterY();
  static const std::string& model();
  static bool isPhone();
  static bool isPhoneHeight568();
  static bool isPhoneHeight667();
  static bool isPhoneHeightAtLeast812();
  static bool isSmallPhone() { return isPhoneHeight568(); }
  static bool isMediumPhone() { return isPhoneHeight667(); }
  static bool hasNotch() { return isPhoneHeightAtLeast812(); }
  // Computed on every call: the first window's safe area, else zero.
  static uikit::EdgeInsets safeAreaInsets();
};
