// The success tick of the heads-up display after a completed action.
#pragma once

#include <functional>

class HudAlert {
 public:
  // Shows the tick, hides it after 0.3 s and then hands the display's
  // "hidden" report to the completion (once).
  static void showSuccess(std::function<void(bool)> completion);
};
