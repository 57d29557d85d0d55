#include "Platform/UIKit/PresentationController.h"

#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

namespace uikit {

PresentationController::PresentationController(const std::shared_ptr<ViewController>& presented,
                                               const std::shared_ptr<ViewController>& presenting)
    : presented_(presented), presenting_(presenting) {}

std::shared_ptr<View> PresentationController::presentedView() const {
  auto vc = presentedViewController();
  return vc ? vc->view() : nullptr;
}

Rect PresentationController::frameOfPresentedViewInContainerView() const {
  return container_ ? container_->bounds() : Rect();
}

Size PresentationController::sizeForChildContentContainer(const ViewController& child, Size parentSize) const {
  (void)child;
  return parentSize;
}

bool PresentationController::userSwipeToDismiss() {
  auto presented = presentedViewController();
  if (!presented || presented->isBeingPresented() || presented->isBeingDismissed()) return false;
  auto d = delegate();
  if (presented->isModalInPresentation || (d && !d->presentationControllerShouldDismiss(*this))) {
    if (d) d->presentationControllerDidAttemptToDismiss(*this);
    return false;
  }
  if (d) d->presentationControllerWillDismiss(*this);
  auto self = sharedAs<PresentationController>();
  std::weak_ptr<PresentationController> weak = self;
  presented->dismiss(true, [weak] {
    auto pc = weak.lock();
    if (!pc) return;
    if (auto dd = pc->delegate()) dd->presentationControllerDidDismiss(*pc);
  });
  return true;
}

}  // namespace uikit
