// The picker's navigation delegate: a preview is pushed with the expand
// animation (paired with the drag-to-close interaction) and popped with the
// shrink animation; every other push or pop is the standard one. The picker
// sets both image views before each push.
#pragma once

#include <memory>

#include "PhotoPicker/ZoomAnimator.h"
#include "PhotoPicker/ZoomInteractionController.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/ViewControllerTransitioningDelegate.h"

namespace photopicker {

class ZoomTransitionDelegate : public uikit::NavigationControllerDelegate,
                               public uikit::ViewControllerTransitioningDelegate {
 public:
  ZoomTransitionDelegate();

  // The grid cell's image view: where the expansion starts and the shrink ends.
  const std::shared_ptr<uikit::ImageView>& zoomedOutView() const { return zoomedOutView_; }
  void setZoomedOutView(std::shared_ptr<uikit::ImageView> view);
  // The preview's image view.
  const std::shared_ptr<uikit::ImageView>& zoomedInView() const { return zoomedInView_; }
  void setZoomedInView(std::shared_ptr<uikit::ImageView> view);

  const std::shared_ptr<ZoomAnimator>& expandAnimator() const { return expandAnimator_; }
  const std::shared_ptr<ZoomAnimator>& shrinkAnimator() const { return shrinkAnimator_; }
  const std::shared_ptr<ZoomInteractionController>& interactionController() const { return interactionController_; }

  uikit::AnimatorPtr navigationControllerAnimationControllerForOperationFromViewControllerToViewController(
      uikit::NavigationController& nav, uikit::NavigationControllerOperation operation,
      const uikit::ViewControllerPtr& from, const uikit::ViewControllerPtr& to) override;
  uikit::InteractionPtr navigationControllerInteractionControllerForAnimationController(
      uikit::NavigationController& nav, const uikit::AnimatorPtr& animator) override;

  // As a modal transitioning delegate (the picker uses only the navigation role).
  uikit::AnimatorPtr animationControllerForPresentedController(const std::shared_ptr<uikit::ViewController>& presented,
                                                               const std::shared_ptr<uikit::ViewController>& presenting,
                                                               const std::shared_ptr<uikit::ViewController>& source) override;
  uikit::AnimatorPtr animationControllerForDismissedController(
      const std::shared_ptr<uikit::ViewController>& dismissed) override;
  uikit::InteractionPtr interactionControllerForDismissal(const uikit::AnimatorPtr& animator) override;

 private:
  std::shared_ptr<uikit::ImageView> zoomedOutView_;
  std::shared_ptr<uikit::ImageView> zoomedInView_;
  std::shared_ptr<ZoomAnimator> expandAnimator_;
  std::shared_ptr<ZoomAnimator> shrinkAnimator_;
  std::shared_ptr<ZoomInteractionController> interactionController_;
};

}  // namespace photopicker
