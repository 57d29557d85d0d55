// Presents a screen by fading its view in over the presenting one.
#pragma once

#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/TransitionContext.h"

class FadeInTransitionAnimator : public uikit::Object, public uikit::ViewControllerAnimatedTransitioning {
 public:
  double duration = 0.3;

  double transitionDuration(const uikit::TransitionContext* context) override;
  // Does nothing when the context names no destination screen.
  void animateTransition(const uikit::TransitionContextPtr& context) override;
};
