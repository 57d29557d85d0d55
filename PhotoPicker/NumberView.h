// The number of a selected photo's badge: its 1-based place in the selection,
// drawn by the badge in the badge's stroke colour.
#pragma once

#include <optional>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Label.h"

namespace photopicker {

class NumberView : public uikit::Label {
 public:
  NumberView();
  // The tint is also the text colour.
  void setTintColor(std::optional<uikit::Color> color) override;
};

}  // namespace photopicker
