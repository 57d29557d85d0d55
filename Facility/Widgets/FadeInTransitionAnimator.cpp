#include "Facility/Widgets/FadeInTransitionAnimator.h"

#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

double FadeInTransitionAnimator::transitionDuration(const uikit::TransitionContext* context) {
  (void)context;
  return duration;
}

void FadeInTransitionAnimator::animateTransition(const uikit::TransitionContextPtr& context) {
  if (!context) return;
  auto to = context->toViewController();
  auto container = context->containerView();
  if (!to || !container) return;
  auto view = to->view();
  container->addSubview(view);
  view->setAlpha(0);
  uikit::View::animate(duration, [view] { view->setAlpha(1); },
                       [context](bool) { context->completeTransition(!context->transitionWasCancelled()); });
}
