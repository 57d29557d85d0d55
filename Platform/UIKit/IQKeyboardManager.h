// Stand-in for the keyboard-avoidance library: its shared settings.
#pragma once

#include <optional>
#include <string>

#include "Platform/UIKit/Color.h"

namespace uikit {

class IQKeyboardManager {
 public:
  static IQKeyboardManager& shared() {
    static IQKeyboardManager manager;
    return manager;
  }
  bool enable = false;
  bool shouldResignOnTouchOutside = false;
  bool enableAutoToolbar = true;
  std::optional<Color> toolbarTintColor;
  std::string toolbarDoneBarButtonItemText;
  double keyboardDistanceFromTextField = 10;
  void reset() { *this = IQKeyboardManager(); }
};

}  // namespace uikit
