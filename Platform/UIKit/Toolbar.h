// A toolbar of bar button items (the keyboard's Done bar, for one).
#pragma once

#include <optional>
#include <vector>

#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/View.h"

namespace uikit {

enum class BarStyle { kDefault, kBlack };

class Toolbar : public View {
 public:
  using View::View;
  std::vector<BarButtonItemPtr> items;
  BarStyle barStyle = BarStyle::kDefault;
  bool isTranslucent = true;
  std::optional<Color> barTintColor;
  Size sizeThatFits(Size size) const override {
    return {size.width > 0 ? size.width : bounds().width(), 44};
  }
  // The item with the title, if any.
  BarButtonItemPtr itemTitled(const std::string& title) const {
    for (const auto& i : items) {
      if (i && i->title == title) return i;
    }
    return nullptr;
  }
};

}  // namespace uikit
