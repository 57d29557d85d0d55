#include "Platform/UIKit/TransitionContext.h"

#include <algorithm>

#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

namespace uikit {

TransitionContext::TransitionContext(std::shared_ptr<View> container, std::shared_ptr<ViewController> from,
                                     std::shared_ptr<ViewController> to, bool animated)
    : container_(std::move(container)), from_(from), to_(to), animated_(animated), fromKey_(from.get()),
      toKey_(to.get()) {
  Rect full = container_ ? container_->bounds() : Rect();
  fromInitial_ = full;
  fromFinal_ = Rect();
  toInitial_ = Rect();
  toFinal_ = full;
}

std::shared_ptr<View> TransitionContext::fromView() const {
  auto vc = fromViewController();
  return vc ? vc->view() : nullptr;
}

std::shared_ptr<View> TransitionContext::toView() const {
  auto vc = toViewController();
  return vc ? vc->view() : nullptr;
}

Rect TransitionContext::initialFrameForViewController(const ViewController* vc) const {
  if (vc && vc == fromKey_) return fromInitial_;
  if (vc && vc == toKey_) return toInitial_;
  return Rect();
}

Rect TransitionContext::finalFrameForViewController(const ViewController* vc) const {
  if (vc && vc == fromKey_) return fromFinal_;
  if (vc && vc == toKey_) return toFinal_;
  return Rect();
}

void TransitionContext::setInitialFrame(const ViewController* vc, Rect r) {
  if (vc == fromKey_) fromInitial_ = r;
  if (vc == toKey_) toInitial_ = r;
}

void TransitionContext::setFinalFrame(const ViewController* vc, Rect r) {
  if (vc == fromKey_) fromFinal_ = r;
  if (vc == toKey_) toFinal_ = r;
}

void TransitionContext::completeTransition(bool didComplete) {
  if (completed_) return;
  completed_ = true;
  auto keep = sharedAs<TransitionContext>();
  auto handler = std::move(onComplete_);
  onComplete_ = nullptr;
  animator_ = nullptr;  // the animator may hold the context
  if (handler) handler(didComplete);
}

void TransitionContext::updateInteractiveTransition(double percent) {
  if (completed_) return;
  percent_ = std::clamp(percent, 0.0, 1.0);
}

void TransitionContext::finishInteractiveTransition() {
  if (completed_) return;
  percent_ = 1;
  cancelled_ = false;
}

void TransitionContext::cancelInteractiveTransition() {
  if (completed_) return;
  cancelled_ = true;
}

}  // namespace uikit
