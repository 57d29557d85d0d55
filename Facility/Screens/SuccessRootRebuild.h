// How a successful sign-in or password change ends: the success tick, then,
// once it has gone, the window root chosen again from the stored state and,
// when given, a bottom toast on the new screen. Nothing here needs the screen
// that asked, which the new root discards.
#pragma once

#include <optional>
#include <string>

class SuccessRootRebuild {
 public:
  static void show(std::optional<std::string> toast);
};
