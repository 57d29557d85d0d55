// An on/off switch.
#pragma once

#include <optional>

#include "Platform/UIKit/Control.h"

namespace uikit {

class Switch : public Control {
 public:
  Switch() : Control(Rect(0, 0, 51, 31)) {}
  bool isOn() const { return on_; }
  void setOn(bool on, bool animated = false) {
    (void)animated;
    on_ = on;
  }
  std::optional<Color> onTintColor;
  std::optional<Color> thumbTintColor;
  Size intrinsicContentSize() const override { return {51, 31}; }
  // A person flips it: the value toggles and value-changed fires.
  bool tap() override {
    if (!isTappable()) return false;
    on_ = !on_;
    sendActionsForControlEvents(kControlEventValueChanged);
    return true;
  }

 private:
  bool on_ = false;
};

}  // namespace uikit
