// A plain text field styled by its tag when woken from an interface file;
// styled tags get a 15-point left inset.
#pragma once

#include "Platform/UIKit/TextField.h"

class SimpleTextField : public uikit::TextField {
 public:
  using uikit::TextField::TextField;
  void awakeFromNib() override;
  void applyScaledFont();

 private:
  void applyStyle();
};
