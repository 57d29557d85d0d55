// Unfolds the album list downward from its top edge when it is presented and
// folds it back up when it goes, over 0.3 s.
#pragma once

#include "Platform/UIKit/TransitionContext.h"

namespace photopicker {

class DropdownAnimator : public uikit::ViewControllerAnimatedTransitioning {
 public:
  enum class Context { kPresent, kDismiss };

  explicit DropdownAnimator(Context context) : context_(context) {}
  Context context() const { return context_; }

  double transitionDuration(const uikit::TransitionContext* context) override {
    (void)context;
    return 0.3;
  }
  // Without the moving screen the transition completes at once.
  void animateTransition(const uikit::TransitionContextPtr& context) override;

 private:
  Context context_;
};

}  // namespace photopicker
