// The navigation bar: colours, appearances and the items of the stack.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/UIKit/NavigationBarAppearance.h"
#include "Platform/UIKit/NavigationItem.h"
#include "Platform/UIKit/View.h"

namespace uikit {

class NavigationBar : public View {
 public:
  static constexpr double kHeight = 44;
  NavigationBar();

  std::optional<Color> barTintColor;
  bool isTranslucent = true;
  std::optional<TextAttributes> titleTextAttributes;
  std::optional<NavigationBarAppearance> standardAppearance;
  std::optional<NavigationBarAppearance> scrollEdgeAppearance;
  std::optional<NavigationBarAppearance> compactScrollEdgeAppearance;

  // Items of the navigation stack, bottom first.
  std::vector<std::shared_ptr<NavigationItem>> items;
  std::shared_ptr<NavigationItem> topItem() const { return items.empty() ? nullptr : items.back(); }
  std::shared_ptr<NavigationItem> backItem() const {
    return items.size() < 2 ? nullptr : items[items.size() - 2];
  }

  // The appearance proxy every new bar copies.
  static NavigationBar& appearance();
  static void resetAppearance();

  Size intrinsicContentSize() const override { return {kNoIntrinsicMetric, kHeight}; }
};

}  // namespace uikit
