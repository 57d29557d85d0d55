#include "PhotoPicker/DropdownAnimator.h"

#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

namespace photopicker {

void DropdownAnimator::animateTransition(const uikit::TransitionContextPtr& context) {
  if (!context) return;
  bool presenting = context_ == Context::kPresent;
  auto screen = presenting ? context->toViewController() : context->fromViewController();
  auto container = context->containerView();
  if (!screen || !container) {
    context->completeTransition(!context->transitionWasCancelled());
    return;
  }
  auto view = screen->view();
  if (presenting) container->addSubview(view);
  uikit::Rect final = context->finalFrameForViewController(screen.get());
  uikit::Rect folded(final.origin, {final.width(), 0});
  view->setFrame(presenting ? folded : final);
  uikit::View::animate(
      transitionDuration(context.get()), [view, presenting, final, folded] { view->setFrame(presenting ? final : folded); },
      [context](bool finished) { context->completeTransition(finished); });
}

}  // namespace photopicker
