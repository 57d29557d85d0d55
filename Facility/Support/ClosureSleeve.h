// Holds a closure so that it can be a control's action target.
#pragma once

#include <functional>

#include "Platform/UIKit/Control.h"

class ClosureSleeve {
 public:
  explicit ClosureSleeve(std::function<void(uikit::Control&)> closure) : closure(std::move(closure)) {}
  void invoke(uikit::Control& sender) const {
    if (closure) closure(sender);
  }
  const std::function<void(uikit::Control&)> closure;
};
