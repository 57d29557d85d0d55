// The infinite-scrolling add-on: runs its handler when the list end shows.
#pragma once

#include <functional>

#include "Platform/UIKit/View.h"

namespace uikit {

enum class InfiniteScrollingState { kStopped, kTriggered, kLoading };

class InfiniteScrollingView : public View {
 public:
  InfiniteScrollingState state() const { return state_; }
  std::function<void()> actionHandler;
  bool enabled = true;
  // Runs the handler unless loading or disabled.
  void trigger();
  void startAnimating() { state_ = InfiniteScrollingState::kLoading; }
  void stopAnimating() { state_ = InfiniteScrollingState::kStopped; }
  int triggerCount() const { return triggers_; }

 private:
  InfiniteScrollingState state_ = InfiniteScrollingState::kStopped;
  int triggers_ = 0;
};

}  // namespace uikit
