#include "Facility/Widgets/SlideUpTransitionAnimator.h"

#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

double SlideUpTransitionAnimator::transitionDuration(const uikit::TransitionContext* context) {
  (void)context;
  return duration;
}

void SlideUpTransitionAnimator::animateTransition(const uikit::TransitionContextPtr& context) {
  if (!context) return;
  auto to = context->toViewController();
  auto container = context->containerView();
  if (!to || !container) return;
  auto view = to->view();
  const uikit::Rect bounds = container->bounds();
  view->setFrame(bounds.offsetBy(0, bounds.height()));
  container->addSubview(view);
  uikit::View::animate(duration, [view, bounds] { view->setFrame(bounds); },
                       [context](bool) { context->completeTransition(!context->transitionWasCancelled()); });
}
