#include "Facility/Widgets/SlideUpTransitionAnimator.h"

std::function<void()> SlideUpTransitionAnimator::prepare(const std::shared_ptr<uikit::View>& view,
                                                         const std::shared_ptr<uikit::View>& container) {
  const uikit::Rect bounds = container->bounds();
  view->setFrame(bounds.offsetBy(0, bounds.height()));
  container->addSubview(view);
  return [view, bounds] { view->setFrame(bounds); };
}
