// Presents the album list as a drop-down band under the picker's bar.
#pragma once

#include <memory>

#include "Platform/UIKit/ViewControllerTransitioningDelegate.h"

namespace photopicker {

class DropdownTransitionDelegate : public uikit::ViewControllerTransitioningDelegate {
 public:
  std::shared_ptr<uikit::PresentationController> presentationControllerForPresentedViewController(
      const std::shared_ptr<uikit::ViewController>& presented, const std::shared_ptr<uikit::ViewController>& presenting,
      const std::shared_ptr<uikit::ViewController>& source) override;
  uikit::AnimatorPtr animationControllerForPresentedController(const std::shared_ptr<uikit::ViewController>& presented,
                                                               const std::shared_ptr<uikit::ViewController>& presenting,
                                                               const std::shared_ptr<uikit::ViewController>& source) override;
  uikit::AnimatorPtr animationControllerForDismissedController(
      const std::shared_ptr<uikit::ViewController>& dismissed) override;
};

}  // namespace photopicker
