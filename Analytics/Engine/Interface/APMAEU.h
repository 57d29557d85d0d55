// What the engine learns about its surroundings: the store receipt, the
// device, and whether it runs inside an app extension.
#pragma once

#include <optional>
#include <string>

namespace uikit {
class Application;
}

class APMAEU {
 public:
  // None when Info.plist switches the receipt check off
  // ("QuorvaneAppStoreReceiptURLCheckEnabled" = NO).
  static std::optional<std::string> appStoreRURL();
  // A sandbox install: the receipt file is named "sandboxReceipt".
  static bool isASRS();
  // A simulator: the device model is "x86_64" or "i386".
  static bool isNOD();
  static std::string deviceModel();
  static std::string systemVersion();
  // Running inside an app extension (the bundle path ends in ".appex").
  static bool isAEX();
  // The application object; none inside an app extension, where callers
  // must do without it.
  static uikit::Application* sharedApplication();
};
