#include "PhotoPicker/ZoomTransitionDelegate.h"

#include "PhotoPicker/PreviewViewController.h"

namespace photopicker {

namespace {
bool isPreview(const uikit::ViewControllerPtr& screen) {
  return dynamic_cast<const PreviewViewController*>(screen.get()) != nullptr;
}
}  // namespace

ZoomTransitionDelegate::ZoomTransitionDelegate()
    : expandAnimator_(std::make_shared<ZoomAnimator>(ZoomAnimator::Mode::kExpand)),
      shrinkAnimator_(std::make_shared<ZoomAnimator>(ZoomAnimator::Mode::kShrink)),
      interactionController_(std::make_shared<ZoomInteractionController>()) {}

void ZoomTransitionDelegate::setZoomedOutView(std::shared_ptr<uikit::ImageView> view) {
  zoomedOutView_ = std::move(view);
  expandAnimator_->sourceImageView = zoomedOutView_;
  shrinkAnimator_->destinationImageView = zoomedOutView_;
}

void ZoomTransitionDelegate::setZoomedInView(std::shared_ptr<uikit::ImageView> view) {
  zoomedInView_ = std::move(view);
  expandAnimator_->destinationImageView = zoomedInView_;
  shrinkAnimator_->sourceImageView = zoomedInView_;
}

uikit::AnimatorPtr ZoomTransitionDelegate::navigationControllerAnimationControllerForOperationFromViewControllerToViewController(
    uikit::NavigationController& nav, uikit::NavigationControllerOperation operation, const uikit::ViewControllerPtr& from,
    const uikit::ViewControllerPtr& to) {
  (void)nav;
  if (operation == uikit::NavigationControllerOperation::kPush && isPreview(to)) return expandAnimator_;
  if (operation == uikit::NavigationControllerOperation::kPop && isPreview(from)) return shrinkAnimator_;
  return nullptr;
}

uikit::InteractionPtr ZoomTransitionDelegate::navigationControllerInteractionControllerForAnimationController(
    uikit::NavigationController& nav, const uikit::AnimatorPtr& animator) {
  (void)nav;
  if (animator == expandAnimator_) return interactionController_;
  return nullptr;
}

uikit::AnimatorPtr ZoomTransitionDelegate::animationControllerForPresentedController(
    const std::shared_ptr<uikit::ViewController>& presented, const std::shared_ptr<uikit::ViewController>& presenting,
    const std::shared_ptr<uikit::ViewController>& source) {
  (void)presented, (void)presenting, (void)source;
  return expandAnimator_;
}

uikit::AnimatorPtr ZoomTransitionDelegate::animationControllerForDismissedController(
    const std::shared_ptr<uikit::ViewController>& dismissed) {
  (void)dismissed;
  return shrinkAnimator_;
}

uikit::InteractionPtr ZoomTransitionDelegate::interactionControllerForDismissal(const uikit::AnimatorPtr& animator) {
  (void)animator;
  return std::make_shared<ZoomInteractionController>();
}

}  // namespace photopicker
