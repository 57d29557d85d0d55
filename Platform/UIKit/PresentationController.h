// Manages one presentation: the container view above the window's content
// and the presented view's frame in it. Subclasses shape custom styles.
#pragma once

#include <memory>

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Object.h"

namespace uikit {

class View;
class ViewController;
class PresentationController;

class AdaptivePresentationControllerDelegate {
 public:
  virtual ~AdaptivePresentationControllerDelegate() = default;
  virtual bool presentationControllerShouldDismiss(PresentationController& controller) {
    (void)controller;
    return true;
  }
  virtual void presentationControllerWillDismiss(PresentationController& controller) { (void)controller; }
  virtual void presentationControllerDidDismiss(PresentationController& controller) { (void)controller; }
  virtual void presentationControllerDidAttemptToDismiss(PresentationController& controller) { (void)controller; }
};

class PresentationController : public Object {
 public:
  PresentationController(const std::shared_ptr<ViewController>& presented,
                         const std::shared_ptr<ViewController>& presenting);

  std::shared_ptr<ViewController> presentedViewController() const { return presented_.lock(); }
  std::shared_ptr<ViewController> presentingViewController() const { return presenting_.lock(); }
  // The container while the presentation is on screen; none before and after.
  std::shared_ptr<View> containerView() const { return container_; }
  std::shared_ptr<View> presentedView() const;

  virtual Rect frameOfPresentedViewInContainerView() const;
  virtual Size sizeForChildContentContainer(const ViewController& child, Size parentSize) const;
  virtual void presentationTransitionWillBegin() {}
  virtual void presentationTransitionDidEnd(bool completed) { (void)completed; }
  virtual void dismissalTransitionWillBegin() {}
  virtual void dismissalTransitionDidEnd(bool completed) { (void)completed; }
  virtual void containerViewWillLayoutSubviews() {}
  virtual void containerViewDidLayoutSubviews() {}
  // Whether the presenting view leaves the screen (full-screen styles).
  virtual bool shouldRemovePresentersView() const { return false; }

  void setDelegate(const std::shared_ptr<AdaptivePresentationControllerDelegate>& d) { delegate_ = d; }
  std::shared_ptr<AdaptivePresentationControllerDelegate> delegate() const { return delegate_.lock(); }

  // The user swipes the sheet down. Asks the delegate, then dismisses
  // animated and reports the dismissal. Returns whether it dismissed.
  bool userSwipeToDismiss();

 private:
  friend class ViewController;
  std::weak_ptr<ViewController> presented_;
  std::weak_ptr<ViewController> presenting_;
  std::shared_ptr<View> container_;
  std::weak_ptr<AdaptivePresentationControllerDelegate> delegate_;
};


}  // namespace uikit
