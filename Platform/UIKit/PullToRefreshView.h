// The pull-to-refresh add-on: a state and the action handler it runs.
#pragma once

#include <functional>

#include "Platform/UIKit/View.h"

namespace uikit {

enum class PullToRefreshState { kStopped, kTriggered, kLoading };

class PullToRefreshView : public View {
 public:
  PullToRefreshState state() const { return state_; }
  std::function<void()> actionHandler;
  // Runs the handler unless already loading.
  void trigger();
  void startAnimating() { state_ = PullToRefreshState::kLoading; }
  void stopAnimating() { state_ = PullToRefreshState::kStopped; }
  int triggerCount() const { return triggers_; }

 private:
  PullToRefreshState state_ = PullToRefreshState::kStopped;
  int triggers_ = 0;
};

}  // namespace uikit
