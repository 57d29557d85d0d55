// Supplies the animators and presentation controller of a custom
// presentation. Every answer is optional (none: the stock behaviour).
#pragma once

#include <memory>

#include "Platform/UIKit/PresentationController.h"
#include "Platform/UIKit/TransitionContext.h"

namespace uikit {

class ViewController;

class ViewControllerTransitioningDelegate {
 public:
  virtual ~ViewControllerTransitioningDelegate() = default;
  virtual AnimatorPtr animationControllerForPresentedController(const std::shared_ptr<ViewController>& presented,
                                                      const std::shared_ptr<ViewController>& presenting,
                                                      const std::shared_ptr<ViewController>& source) {
    (void)presented, (void)presenting, (void)source;
    return nullptr;
  }
  virtual AnimatorPtr animationControllerForDismissedController(const std::shared_ptr<ViewController>& dismissed) {
    (void)dismissed;
    return nullptr;
  }
  virtual InteractionPtr interactionControllerForPresentation(const AnimatorPtr& animator) {
    (void)animator;
    return nullptr;
  }
  virtual InteractionPtr interactionControllerForDismissal(const AnimatorPtr& animator) {
    (void)animator;
    return nullptr;
  }
  virtual std::shared_ptr<PresentationController> presentationControllerForPresentedViewController(
      const std::shared_ptr<ViewController>& presented, const std::shared_ptr<ViewController>& presenting,
      const std::shared_ptr<ViewController>& source) {
    (void)presented, (void)presenting, (void)source;
    return nullptr;
  }
};

}  // namespace uikit
