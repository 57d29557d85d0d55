#include "Facility/Device.h"

#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Window.h"

const uikit::DeviceProfile& Device::current() {
  static const uikit::DeviceProfile profile = uikit::Device::current();
  return profile;
}

const uikit::Rect& Device::screenBounds() {
  static const uikit::Rect bounds({0, 0}, current().screenSize);
  return bounds;
}

double Device::screenHeight() { return screenBounds().size.height; }
double Device::screenWidth() { return screenBounds().size.width; }

const uikit::Point& Device::screenCenter() {
  static const uikit::Point center{screenWidth() * 0.5, screenHeight() * 0.5};
  return center;
}

double Device::screenCenterX() { return screenCenter().x; }
double Device::screenCenterY() { return screenCenter().y; }

const std::string& Device::model() {
  static const std::string m = current().model;
  return m;
}

bool Device::isPhone() {
  static const bool phone = model().find("iPhone") != std::string::npos;
  return phone;
}

bool Device::isPhoneHeight568() {
  static const bool v = isPhone() && screenHeight() == 568.0;
  return v;
}

bool Device::isPhoneHeight667() {
  static const bool v = isPhone() && screenHeight() == 667.0;
  return v;
}

bool Device::isPhoneHeightAtLeast812() {
  static const bool v = isPhone() && screenHeight() >= 812.0;
  return v;
}

uikit::EdgeInsets Device::safeAreaInsets() {
  auto windows = uikit::Application::shared().windows();
  if (windows.empty()) return uikit::EdgeInsets{};
  return windows.front()->safeAreaInsets();
}
