// The empty-list state; its look lives in the interface file of its name.
#pragma once

#include <memory>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class NoDataView : public uikit::View {
 public:
  NoDataView() = default;
  explicit NoDataView(const uikit::Rect& frame) : uikit::View(frame) {}

  std::weak_ptr<uikit::Label> lblMessage;
};
