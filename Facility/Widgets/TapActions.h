// Closure actions for taps on views and for buttons, bar button items and
// segmented controls. The closure is stored on the object; a new one
// replaces the old for every recogniser or target already added.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/SegmentedControl.h"
#include "Platform/UIKit/View.h"

class TapActions {
 public:
  using Action = std::function<void()>;

  // Turns interaction on, stores (or clears) the action and adds one more
  // tap recogniser; every recogniser runs the action stored at tap time.
  static std::shared_ptr<uikit::TapGestureRecognizer> addTapGesture(const std::shared_ptr<uikit::View>& view,
                                                                     Action action);
  static void handleTapGestureRecognizer(const std::shared_ptr<uikit::View>& view);

  static void addAction(const std::shared_ptr<uikit::Button>& button, std::function<void(uikit::Button&)> action);
  static void setAction(const std::shared_ptr<uikit::BarButtonItem>& item,
                        std::function<void(uikit::BarButtonItem&)> action);
  static void setAction(const std::shared_ptr<uikit::SegmentedControl>& control,
                        std::function<void(uikit::SegmentedControl&)> action);
};
