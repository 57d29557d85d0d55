#include "Platform/UIKit/InfiniteScrollingView.h"

namespace uikit {

void InfiniteScrollingView::trigger() {
  if (!enabled || state_ == InfiniteScrollingState::kLoading) return;
  state_ = InfiniteScrollingState::kLoading;
  ++triggers_;
  if (actionHandler) {
    auto h = actionHandler;
    h();
  }
}

}  // namespace uikit
