// The stock pull-to-refresh control of a scroll view.
#pragma once

#include <optional>

#include "Platform/UIKit/AttributedString.h"
#include "Platform/UIKit/Control.h"

namespace uikit {

class RefreshControl : public Control {
 public:
  bool isRefreshing() const { return refreshing_; }
  void beginRefreshing() { refreshing_ = true; }
  void endRefreshing() { refreshing_ = false; }
  std::optional<AttributedString> attributedTitle;
  // A person pulls the list down: refreshing starts and value-changed fires.
  void userPull();

 private:
  bool refreshing_ = false;
};

}  // namespace uikit
