// A label styled by its tag when woken from an interface file.
#pragma once

#include "Platform/UIKit/Label.h"

class GenericLabel : public uikit::Label {
 public:
  using uikit::Label::Label;
  void awakeFromNib() override;
  void applyScaledFont();

 private:
  void applyStyle();
};
