#include "Platform/UIKit/PercentDrivenInteractiveTransition.h"

#include <algorithm>

namespace uikit {

void PercentDrivenInteractiveTransition::startInteractiveTransition(const TransitionContextPtr& context) {
  context_ = context;
  percent_ = 0;
  if (!context) return;
  AnimatorPtr animator = context->animator();
  context->setInteractive(wantsInteractiveStart_);
  if (animator) {
    duration_ = animator->transitionDuration(context.get());
    animator->animateTransition(context);
  } else {
    context->completeTransition(true);
  }
}

void PercentDrivenInteractiveTransition::updateInteractiveTransition(double percentComplete) {
  percent_ = std::clamp(percentComplete, 0.0, 1.0);
  if (auto c = context()) c->updateInteractiveTransition(percent_);
}

void PercentDrivenInteractiveTransition::finishInteractiveTransition() {
  if (auto c = context()) c->finishInteractiveTransition();
}

void PercentDrivenInteractiveTransition::cancelInteractiveTransition() {
  if (auto c = context()) c->cancelInteractiveTransition();
}

}  // namespace uikit
