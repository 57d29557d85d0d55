#include "PhotoPicker/DropdownTransitionDelegate.h"

#include "PhotoPicker/DropdownAnimator.h"
#include "PhotoPicker/DropdownPresentationController.h"

namespace photopicker {

std::shared_ptr<uikit::PresentationController> DropdownTransitionDelegate::presentationControllerForPresentedViewController(
    const std::shared_ptr<uikit::ViewController>& presented, const std::shared_ptr<uikit::ViewController>& presenting,
    const std::shared_ptr<uikit::ViewController>& source) {
  (void)source;
  return std::make_shared<DropdownPresentationController>(presented, presenting);
}

uikit::AnimatorPtr DropdownTransitionDelegate::animationControllerForPresentedController(
    const std::shared_ptr<uikit::ViewController>& presented, const std::shared_ptr<uikit::ViewController>& presenting,
    const std::shared_ptr<uikit::ViewController>& source) {
  (void)presented, (void)presenting, (void)source;
  return std::make_shared<DropdownAnimator>(DropdownAnimator::Context::kPresent);
}

uikit::AnimatorPtr DropdownTransitionDelegate::animationControllerForDismissedController(
    const std::shared_ptr<uikit::ViewController>& dismissed) {
  (void)dismissed;
  return std::make_shared<DropdownAnimator>(DropdownAnimator::Context::kDismiss);
}

}  // namespace photopicker
