// Presents a screen by sliding its view up from below the container.
#pragma once

#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/TransitionContext.h"

class SlideUpTransitionAnimator : public uikit::Object, public uikit::ViewControllerAnimatedTransitioning {
 public:
  double duration = 0.3;

  double transitionDuration(const uikit::TransitionContext* context) override;
  // Does nothing when the context names no destination screen.
  void animateTransition(const uikit::TransitionContextPtr& context) override;
};
