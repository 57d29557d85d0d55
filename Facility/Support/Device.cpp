#include "Facility/Support/Device.h"

#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Window.h"

// The phone's profile never changes while the program runs, so reading it on
// every call costs nothing and lets tests switch profiles between cases.
const uikit::DeviceProfile& Device::current() { return uikit::Device::current(); }

uikit::Rect Device::screenBounds() { return uikit::Rect({0, 0}, current().screenSize); }

double Device::screenHeight() { return current().screenSize.height; }
double Device::screenWidth() { return current().screenSize.width; }

uikit::Point Device::screenCenter() { return uikit::Point{screenWidth() * 0.5, screenHeight() * 0.5}; }

double Device::screenCenterX() { return screenCenter().x; }
double Device::screenCenterY() { return screenCenter().y; }

const std::string& Device::model() { return current().model; }

bool Device::isPhone() { return model().find("iPhone") != std::string::npos; }

bool Device::isPhoneHeight568() { return isPhone() && screenHeight() == 568.0; }

bool Device::isPhoneHeight667() { return isPhone() && screenHeight() == 667.0; }

bool Device::isPhoneHeightAtLeast812() { return isPhone() && screenHeight() >= 812.0; }

uikit::EdgeInsets Device::safeAreaInsets() {
  auto windows = uikit::Application::shared().windows();
  if (windows.empty()) return uikit::EdgeInsets{};
  return windows.front()->safeAreaInsets();
}
