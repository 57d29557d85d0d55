// A button styled by its tag when woken from an interface file; tag 7 is
// the checkbox, whose state is the button's selection.
#pragma once

#include "Platform/UIKit/Button.h"

class GenericButton : public uikit::Button {
 public:
  GenericButton() = default;
  explicit GenericButton(const uikit::Rect& frame) { setFrame(frame); }
  void awakeFromNib() override;
  virtual void applyStyle();
  void applyScaledFont();
};
