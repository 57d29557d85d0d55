#include "Facility/Widgets/PresentationAnimator.h"

#include "Platform/UIKit/ViewController.h"

void PresentationAnimator::animateTransition(const uikit::TransitionContextPtr& context) {
  if (!context) return;
  auto to = context->toViewController();
  auto container = context->containerView();
  if (!to || !container) return;
  uikit::View::animate(duration, prepare(to->view(), container),
                       [context](bool) { context->completeTransition(!context->transitionWasCancelled()); });
}
