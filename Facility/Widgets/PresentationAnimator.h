// What the app's two presentation animators share: a 0.3 s duration, the
// destination view put into the container, and completion unless cancelled.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/TransitionContext.h"
#include "Platform/UIKit/View.h"

class PresentationAnimator : public uikit::Object, public uikit::ViewControllerAnimatedTransitioning {
 public:
  double duration = 0.3;

  double transitionDuration(const uikit::TransitionContext*) override { return duration; }
  // Does nothing when the context names no destination screen.
  void animateTransition(const uikit::TransitionContextPtr& context) override;

 protected:
  // Places the destination view in the container and returns the animation
  // that brings it in.
  virtual std::function<void()> prepare(const std::shared_ptr<uikit::View>& view,
                                        const std::shared_ptr<uikit::View>& container) = 0;
};
