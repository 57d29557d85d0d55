// The phone the toolkit pretends to be: model, screen size, safe-area insets
// and keyboard height. Injectable; tests switch profiles to check layouts.
#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/UUID.h"
#include "Platform/UIKit/Geometry.h"

namespace uikit {

struct DeviceProfile {
  std::string model;        // "iPhone", "iPad", ...
  std::string name;         // a readable profile name
  std::string systemName;
  std::string systemVersion;
  Size screenSize;          // points, portrait
  double scale = 3;
  EdgeInsets safeAreaInsets;
  double keyboardHeight = 0;

  // 390 x 844 with a notch.
  static DeviceProfile phone390x844();
  // 375 x 667 without a notch.
  static DeviceProfile phone375x667();
  // 320 x 568, the small phone.
  static DeviceProfile phone320x568();
  // A tablet: the model does not name a phone.
  static DeviceProfile tablet768x1024();
};

class Device {
 public:
  // The profile in use; phone390x844 until changed. The reference stays
  // valid (and unchanged) after setCurrent installs another profile.
  static const DeviceProfile& current();
  static void setCurrent(const DeviceProfile& profile);
  static Rect screenBounds() { return Rect({0, 0}, current().screenSize); }

  // The identifier this device gives the app's vendor: made on the first
  // read and kept in <data root>/Library/Device/identifierForVendor, so a
  // second process on the same root reads the same one. Read it on the main
  // thread, as the platform's callers do. None when the file can be neither
  // read nor written.
  static std::optional<platform::UUID> identifierForVendor();
};

}  // namespace uikit
