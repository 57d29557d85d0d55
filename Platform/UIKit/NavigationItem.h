// What a screen shows in the navigation bar while it is on top.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Object.h"

namespace uikit {

class View;

class NavigationItem : public Object {
 public:
  std::string title;
  std::shared_ptr<View> titleView;
  std::string prompt;
  BarButtonItemPtr backBarButtonItem;
  std::string backButtonTitle;
  bool hidesBackButton = false;

  BarButtonItemPtr leftBarButtonItem() const { return left_.empty() ? nullptr : left_.front(); }
  BarButtonItemPtr rightBarButtonItem() const { return right_.empty() ? nullptr : right_.front(); }
  void setLeftBarButtonItem(BarButtonItemPtr item) { left_ = item ? std::vector<BarButtonItemPtr>{item} : std::vector<BarButtonItemPtr>{}; }
  void setRightBarButtonItem(BarButtonItemPtr item) { right_ = item ? std::vector<BarButtonItemPtr>{item} : std::vector<BarButtonItemPtr>{}; }
  const std::vector<BarButtonItemPtr>& leftBarButtonItems() const { return left_; }
  const std::vector<BarButtonItemPtr>& rightBarButtonItems() const { return right_; }
  void setLeftBarButtonItems(std::vector<BarButtonItemPtr> items) { left_ = std::move(items); }
  void setRightBarButtonItems(std::vector<BarButtonItemPtr> items) { right_ = std::move(items); }

 private:
  std::vector<BarButtonItemPtr> left_;
  std::vector<BarButtonItemPtr> right_;
};

}  // namespace uikit
