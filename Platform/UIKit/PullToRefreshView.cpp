#include "Platform/UIKit/PullToRefreshView.h"

namespace uikit {

void PullToRefreshView::trigger() {
  if (state_ == PullToRefreshState::kLoading) return;
  state_ = PullToRefreshState::kLoading;
  ++triggers_;
  if (actionHandler) {
    auto h = actionHandler;
    h();
  }
}

}  // namespace uikit
