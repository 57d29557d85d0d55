// A screen: its view (loaded on first access), life-cycle callbacks,
// navigation item, containment and modal presentation.
//
// Presentation follows the phone platform. An animated presentation or
// dismissal takes 0.3 s on the run loop's clock (or as long as a custom
// animator takes) and its completion runs at the end; a non-animated one
// completes at once. Presenting is refused (logged, completion dropped)
// when the receiver already presents a controller, while it or the
// controller is in a presentation or dismissal transition, when the
// controller is already presented or has a parent, or when the receiver's
// view is not in a window.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/NavigationItem.h"
#include "Platform/UIKit/PresentationController.h"
#include "Platform/UIKit/Responder.h"
#include "Platform/UIKit/TabBarItem.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewControllerTransitioningDelegate.h"

namespace uikit {

class NavigationController;
class TabBarController;
class ViewController;
using ViewControllerPtr = std::shared_ptr<ViewController>;

enum class ModalPresentationStyle { kAutomatic, kFullScreen, kPageSheet, kFormSheet, kCurrentContext, kCustom,
                                    kOverFullScreen, kOverCurrentContext, kPopover, kNone };
enum class ModalTransitionStyle { kCoverVertical, kFlipHorizontal, kCrossDissolve, kPartialCurl };

class ViewController : public Responder {
 public:
  static constexpr double kPresentationDuration = 0.3;

  ViewController();
  ~ViewController() override;

  // ---- view ----
  // Loads the view on first access (loadView, then viewDidLoad).
  std::shared_ptr<View> view();
  std::shared_ptr<View> viewIfLoaded() const { return view_; }
  bool isViewLoaded() const { return static_cast<bool>(view_); }
  void loadViewIfNeeded() { (void)view(); }
  void setView(std::shared_ptr<View> view);
  // Builds the view; the default takes a view prepared by a storyboard or
  // nib, else makes a plain view the size of the screen.
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool animated) { (void)animated; }
  virtual void viewDidAppear(bool animated) { (void)animated; }
  virtual void viewWillDisappear(bool animated) { (void)animated; }
  virtual void viewDidDisappear(bool animated) { (void)animated; }
  virtual void viewWillLayoutSubviews() {}
  virtual void viewDidLayoutSubviews() {}
  virtual bool prefersStatusBarHidden() const { return false; }
  // The window re-reads the status bar preference now.
  void setNeedsStatusBarAppearanceUpdate();
  // The traits of the root view changed (see View::traitCollection).
  virtual void traitCollectionDidChange(const std::optional<TraitCollection>& previous) { (void)previous; }
  virtual void awakeFromNib() {}
  // Where the screen stands in its appearance cycle.
  enum class Appearance { kDisappeared, kAppearing, kAppeared, kDisappearing };
  Appearance appearance() const { return appearance_; }

  // ---- identity ----
  std::string title() const { return title_; }
  void setTitle(const std::string& title);
  NavigationItem& navigationItem() { return *navigationItem_; }
  std::shared_ptr<NavigationItem> navigationItemPtr() const { return navigationItem_; }
  TabBarItem& tabBarItem() { return *tabBarItem_; }
  const std::string& storyboardName() const { return storyboardName_; }
  const std::string& storyboardIdentifier() const { return storyboardIdentifier_; }
  const std::string& nibName() const { return nibName_; }
  void setNibName(std::string name) { nibName_ = std::move(name); }
  // A view built by a storyboard or nib, installed by loadView().
  void setPreparedView(std::shared_ptr<View> view) { preparedView_ = std::move(view); }
  Size preferredContentSize;
  bool hidesBottomBarWhenPushed = false;
  bool definesPresentationContext = false;
  bool isModalInPresentation = false;

  // ---- containment ----
  std::shared_ptr<ViewController> parentViewController() const { return parent_.lock(); }
  const std::vector<ViewControllerPtr>& childViewControllers() const { return children_; }
  void addChildViewController(const ViewControllerPtr& child);
  void removeFromParentViewController();
  virtual void willMoveToParentViewController(ViewController* parent) { (void)parent; }
  virtual void didMoveToParentViewController(ViewController* parent) { (void)parent; }
  // The nearest navigation or tab-bar controller among the ancestors
  // (parents, then the presenting chain's containers are not searched).
  std::shared_ptr<NavigationController> navigationController() const;
  std::shared_ptr<TabBarController> tabBarController() const;

  // ---- presentation ----
  ModalPresentationStyle modalPresentationStyle = ModalPresentationStyle::kAutomatic;
  ModalTransitionStyle modalTransitionStyle = ModalTransitionStyle::kCoverVertical;
  void setTransitioningDelegate(const std::shared_ptr<ViewControllerTransitioningDelegate>& d) { transitioningDelegate_ = d; }
  std::shared_ptr<ViewControllerTransitioningDelegate> transitioningDelegate() const { return transitioningDelegate_.lock(); }

  // Returns false when refused (see above); the completion then never runs.
  bool present(const ViewControllerPtr& controller, bool animated, std::function<void()> completion = nullptr);
  // Dismisses what the receiver presents or, when it presents nothing, the
  // receiver itself. Refused (false) during a transition.
  bool dismiss(bool animated, std::function<void()> completion = nullptr);
  // What the receiver presents; for a child, what its containment presents.
  std::shared_ptr<ViewController> presentedViewController() const;
  std::shared_ptr<ViewController> presentingViewController() const;
  std::shared_ptr<PresentationController> presentationController();
  // Runs block once the presentation or dismissal running in the receiver's
  // presentation context (or of the receiver itself) has ended, completed or
  // cancelled, after that transition's own completion and when that did not
  // start another; at once when none runs. What is refused during a
  // transition, such as presenting, can wait for it this way.
  void whenTransitionEnds(std::function<void()> block);
  bool isBeingPresented() const { return beingPresented_; }
  bool isBeingDismissed() const { return beingDismissed_; }
  bool isMovingToParentViewController() const { return movingToParent_; }
  bool isMovingFromParentViewController() const { return movingFromParent_; }

  std::shared_ptr<Responder> nextResponder() const override;

  // Drives the appearance callbacks of this controller and of the children
  // that appear with it.
  void beginAppearanceTransition(bool appearing, bool animated);
  void endAppearanceTransition();

  // Instantiates T from the named storyboard under T's unqualified class name.
  template <typename T>
  static std::shared_ptr<T> instantiateFromStoryboard(const std::string& storyboard);

 protected:
  // Children whose appearance follows this controller's.
  virtual std::vector<ViewControllerPtr> appearanceChildren() const { return children_; }
  void setMovingToParent(bool v) { movingToParent_ = v; }
  void setMovingFromParent(bool v) { movingFromParent_ = v; }

 private:
  friend class Storyboard;
  friend class Nib;
  friend class Window;
  friend class PresentationController;
  friend class NavigationController;
  friend class TabBarController;
  void finishPresentation(const ViewControllerPtr& presented, bool completed, bool animated,
                          const AnimatorPtr& animator, std::function<void()> completion);
  void finishDismissal(const ViewControllerPtr& presented, bool completed, bool animated,
                       const AnimatorPtr& animator, std::function<void()> completion);
  // Removes the whole presented chain at once, without callbacks' completions.
  void tearDownPresentations();
  ViewController* presentationHost();
  bool transitionRunning() const;
  void runTransitionEndBlocks();

  std::shared_ptr<View> view_;
  std::shared_ptr<View> preparedView_;
  std::string title_;
  std::shared_ptr<NavigationItem> navigationItem_;
  std::shared_ptr<TabBarItem> tabBarItem_;
  std::string storyboardName_;
  std::string storyboardIdentifier_;
  std::string nibName_;
  std::weak_ptr<ViewController> parent_;
  std::vector<ViewControllerPtr> children_;
  std::weak_ptr<ViewControllerTransitioningDelegate> transitioningDelegate_;
  ViewControllerPtr presented_;
  std::weak_ptr<ViewController> presenting_;
  std::shared_ptr<PresentationController> presentationController_;
  std::vector<std::function<void()>> transitionEndBlocks_;
  bool beingPresented_ = false;
  bool beingDismissed_ = false;
  bool movingToParent_ = false;
  bool movingFromParent_ = false;
  Appearance appearance_ = Appearance::kDisappeared;
};

}  // namespace uikit

#include "Platform/UIKit/Storyboard.h"

template <typename T>
std::shared_ptr<T> uikit::ViewController::instantiateFromStoryboard(const std::string& storyboard) {
  auto sb = Storyboard::named(storyboard);
  if (!sb) return nullptr;
  return std::dynamic_pointer_cast<T>(sb->instantiateViewController(typeNameOf<T>()));
}
