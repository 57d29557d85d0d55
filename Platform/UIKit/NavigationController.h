// A stack of screens with a navigation bar. Push and pop run the
// appearance callbacks; an animated push or pop takes 0.3 s on the run
// loop's clock unless the delegate supplies an animator.
#pragma once

#include <memory>
#include <vector>

#include "Platform/UIKit/NavigationBar.h"
#include "Platform/UIKit/TransitionContext.h"
#include "Platform/UIKit/ViewController.h"

namespace uikit {

class NavigationController;

enum class NavigationControllerOperation { kNone, kPush, kPop };

class NavigationControllerDelegate {
 public:
  virtual ~NavigationControllerDelegate() = default;
  virtual void navigationControllerWillShowViewControllerAnimated(NavigationController& nav,
                                                                  const ViewControllerPtr& vc, bool animated) {
    (void)nav, (void)vc, (void)animated;
  }
  virtual void navigationControllerDidShowViewControllerAnimated(NavigationController& nav,
                                                                 const ViewControllerPtr& vc, bool animated) {
    (void)nav, (void)vc, (void)animated;
  }
  virtual AnimatorPtr navigationControllerAnimationControllerForOperationFromViewControllerToViewController(
      NavigationController& nav, NavigationControllerOperation operation, const ViewControllerPtr& from,
      const ViewControllerPtr& to) {
    (void)nav, (void)operation, (void)from, (void)to;
    return nullptr;
  }
  virtual InteractionPtr navigationControllerInteractionControllerForAnimationController(
      NavigationController& nav, const AnimatorPtr& animator) {
    (void)nav, (void)animator;
    return nullptr;
  }
};

class NavigationController : public ViewController {
 public:
  static constexpr double kTransitionDuration = 0.3;

  NavigationController();
  // Makes a navigation controller with the root screen (call on a shared_ptr).
  static std::shared_ptr<NavigationController> withRoot(const ViewControllerPtr& root);
  template <typename T = NavigationController>
  static std::shared_ptr<T> makeWithRoot(const ViewControllerPtr& root) {
    auto nav = std::make_shared<T>();
    if (root) nav->setViewControllers({root}, false);
    return nav;
  }

  void setDelegate(const std::shared_ptr<NavigationControllerDelegate>& d) { delegate_ = d; }
  std::shared_ptr<NavigationControllerDelegate> delegate() const { return delegate_.lock(); }

  std::vector<ViewControllerPtr> viewControllers() const { return stack_; }
  void setViewControllers(const std::vector<ViewControllerPtr>& controllers, bool animated);
  // Refused (false) for a controller already in a stack or with a parent.
  bool pushViewController(const ViewControllerPtr& controller, bool animated);
  ViewControllerPtr popViewController(bool animated);
  std::vector<ViewControllerPtr> popToRootViewController(bool animated);
  std::vector<ViewControllerPtr> popToViewController(const ViewControllerPtr& controller, bool animated);
  ViewControllerPtr topViewController() const { return stack_.empty() ? nullptr : stack_.back(); }
  // The screen presented over the navigation controller, else the top one.
  ViewControllerPtr visibleViewController() const;

  std::shared_ptr<NavigationBar> navigationBar() const { return bar_; }
  bool isNavigationBarHidden() const { return bar_->isHidden(); }
  void setNavigationBarHidden(bool hidden, bool animated);
  // The user taps the bar's back button.
  bool tapBackButton();
  bool isInTransition() const { return transitions_ > 0; }

  void loadView() override;
  void viewDidLayoutSubviews() override;

 protected:
  std::vector<ViewControllerPtr> appearanceChildren() const override;

 private:
  void transition(const ViewControllerPtr& from, const ViewControllerPtr& to, NavigationControllerOperation op,
                  bool animated, std::vector<ViewControllerPtr> removed);
  void syncBarItems();
  bool isOnScreen() const;

  std::vector<ViewControllerPtr> stack_;
  std::shared_ptr<NavigationBar> bar_;
  std::weak_ptr<NavigationControllerDelegate> delegate_;
  int transitions_ = 0;
};

}  // namespace uikit
