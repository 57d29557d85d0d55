// The tab bar: the items of the tabs and the selected one.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/UIKit/TabBarItem.h"
#include "Platform/UIKit/View.h"

namespace uikit {

class TabBar : public View {
 public:
  std::vector<std::shared_ptr<TabBarItem>> items;
  std::shared_ptr<TabBarItem> selectedItem;
  std::optional<Color> barTintColor;
  std::optional<Color> unselectedItemTintColor;
};

}  // namespace uikit
