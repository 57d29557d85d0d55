// A floating-placeholder text field styled by its tag when woken from an
// interface file.
#pragma once

#include "Platform/UIKit/TextField.h"

class GenericTextField : public uikit::TextField {
 public:
  using uikit::TextField::TextField;
  void awakeFromNib() override;
  void applyScaledFont();

 private:
  void applyStyle();
};
