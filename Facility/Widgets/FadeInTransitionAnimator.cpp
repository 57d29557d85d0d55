#include "Facility/Widgets/FadeInTransitionAnimator.h"

std::function<void()> FadeInTransitionAnimator::prepare(const std::shared_ptr<uikit::View>& view,
                                                        const std::shared_ptr<uikit::View>& container) {
  container->addSubview(view);
  view->setAlpha(0);
  return [view] { view->setAlpha(1); };
}
