// A view styled by its tag when woken from an interface file.
#pragma once

#include "Platform/UIKit/View.h"

class GenericView : public uikit::View {
 public:
  using uikit::View::View;
  void awakeFromNib() override;
};
