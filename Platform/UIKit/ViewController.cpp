#include "Platform/UIKit/ViewController.h"

#include <algorithm>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/TabBarController.h"
#include "Platform/UIKit/ViewControllerAppearanceHooks.h"
#include "Platform/UIKit/Window.h"

namespace uikit {

ViewController::ViewController()
    : navigationItem_(std::make_shared<NavigationItem>()), tabBarItem_(std::make_shared<TabBarItem>()) {}

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view() {
  if (!view_) {
    auto keep = sharedAs<ViewController>();
    loadView();
    if (!view_) setView(View::make(Device::screenBounds()));
    viewDidLoad();
  }
  return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
  if (view_) view_->viewController_.reset();
  view_ = std::move(view);
  if (view_) view_->viewController_ = sharedAs<ViewController>();
}

void ViewController::loadView() {
  if (preparedView_) {
    auto v = std::move(preparedView_);
    preparedView_ = nullptr;
    setView(std::move(v));
    return;
  }
  setView(View::make(Device::screenBounds()));
}

void ViewController::setTitle(const std::string& title) {
  title_ = title;
  navigationItem_->title = title;
  tabBarItem_->title = title;
}

// ---- containment ----

void ViewController::addChildViewController(const ViewControllerPtr& child) {
  if (!child || child.get() == this) return;
  if (child->parentViewController().get() == this) return;
  child->removeFromParentViewController();
  child->willMoveToParentViewController(this);
  children_.push_back(child);
  child->parent_ = sharedAs<ViewController>();
}

void ViewController::removeFromParentViewController() {
  auto p = parentViewController();
  if (!p) return;
  auto keep = sharedAs<ViewController>();
  auto& c = p->children_;
  c.erase(std::remove_if(c.begin(), c.end(), [this](const ViewControllerPtr& x) { return x.get() == this; }),
          c.end());
  parent_.reset();
  didMoveToParentViewController(nullptr);
}

std::shared_ptr<NavigationController> ViewController::navigationController() const {
  for (auto p = parentViewController(); p; p = p->parentViewController()) {
    if (auto nav = std::dynamic_pointer_cast<NavigationController>(p)) return nav;
  }
  // A navigation controller is its own navigation controller's child only
  // when nested; the receiver itself does not count.
  return nullptr;
}

std::shared_ptr<TabBarController> ViewController::tabBarController() const {
  for (auto p = parentViewController(); p; p = p->parentViewController()) {
    if (auto tab = std::dynamic_pointer_cast<TabBarController>(p)) return tab;
  }
  return nullptr;
}

std::shared_ptr<ViewController> ViewController::presentingViewController() const {
  if (auto p = presenting_.lock()) return p;
  // Children of a presented container answer with their container's.
  for (auto p = parentViewController(); p; p = p->parentViewController()) {
    if (auto pp = p->presenting_.lock()) return pp;
  }
  return nullptr;
}

std::shared_ptr<ViewController> ViewController::presentedViewController() const {
  if (presented_) return presented_;
  for (auto p = parentViewController(); p; p = p->parentViewController()) {
    if (p->presented_) return p->presented_;
  }
  return nullptr;
}

// Where present() on the receiver would present.
ViewController* ViewController::presentationHost() {
  ViewController* host = this;
  if (parentViewController() && !definesPresentationContext) {
    auto p = parentViewController();
    while (!p->definesPresentationContext) {
      auto up = p->parentViewController();
      if (!up) break;
      p = up;
    }
    host = p.get();
  }
  return host;
}

bool ViewController::transitionRunning() const {
  return beingPresented_ || beingDismissed_ || (presented_ && (presented_->beingPresented_ || presented_->beingDismissed_));
}

void ViewController::whenTransitionEnds(std::function<void()> block) {
  if (!block) return;
  if (transitionRunning()) {
    transitionEndBlocks_.push_back(std::move(block));
    return;
  }
  auto host = presentationHost();
  if (host->transitionRunning()) {
    host->transitionEndBlocks_.push_back(std::move(block));
    return;
  }
  block();
}

// Blocks wait on while a transition (one the completion started, say) runs.
// The presented controller's blocks run before its presenter's, so that a
// dismissal they start holds back what the presenter waits to present.
void ViewController::runTransitionEndBlocks() {
  if (transitionRunning() || transitionEndBlocks_.empty()) return;
  auto keep = sharedAs<ViewController>();
  auto blocks = std::move(transitionEndBlocks_);
  transitionEndBlocks_.clear();
  for (auto& b : blocks) b();
}

std::shared_ptr<Responder> ViewController::nextResponder() const {
  if (view_) {
    if (auto s = view_->superview()) return s;
  }
  return parentViewController();
}

std::shared_ptr<PresentationController> ViewController::presentationController() {
  if (!presentationController_) {
    auto presenting = presenting_.lock();
    presentationController_ = std::make_shared<PresentationController>(sharedAs<ViewController>(), presenting);
  }
  return presentationController_;
}

// ---- appearance ----

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
  auto keep = sharedAs<ViewController>();
  if (appearing) {
    if (appearance_ == Appearance::kAppeared || appearance_ == Appearance::kAppearing) return;
    loadViewIfNeeded();
    appearance_ = Appearance::kAppearing;
    viewWillAppear(animated);
  } else {
    if (appearance_ == Appearance::kDisappeared || appearance_ == Appearance::kDisappearing) return;
    appearance_ = Appearance::kDisappearing;
    viewWillDisappear(animated);
  }
  for (const auto& c : appearanceChildren()) c->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
  auto keep = sharedAs<ViewController>();
  bool animated = false;
  if (appearance_ == Appearance::kAppearing) {
    appearance_ = Appearance::kAppeared;
    ViewControllerAppearanceHooks::run(*this, AppearanceCallback::kViewDidAppear, animated);
  } else if (appearance_ == Appearance::kDisappearing) {
    appearance_ = Appearance::kDisappeared;
    ViewControllerAppearanceHooks::run(*this, AppearanceCallback::kViewDidDisappear, animated);
  } else {
    return;
  }
  for (const auto& c : appearanceChildren()) c->endAppearanceTransition();
}

// ---- presentation ----

namespace {

bool isFullScreenStyle(ModalPresentationStyle s) {
  return s == ModalPresentationStyle::kFullScreen || s == ModalPresentationStyle::kCurrentContext;
}

void refuse(const ViewController& presenter, const ViewController* presented, const std::string& why) {
  platform::LogWarning("Attempt to present " + (presented ? presented->description() : std::string("nil")) +
                       " on " + presenter.description() + " " + why);
}

}  // namespace

bool ViewController::present(const ViewControllerPtr& vc, bool animated, std::function<void()> completion) {
  // A child presents through the root of its containment, unless some
  // ancestor defines the presentation context.
  if (auto parent = parentViewController()) {
    if (!definesPresentationContext) {
      auto host = parent;
      while (!host->definesPresentationContext) {
        auto up = host->parentViewController();
        if (!up) break;
        host = up;
      }
      return host->present(vc, animated, std::move(completion));
    }
  }
  if (!vc || vc.get() == this) {
    refuse(*this, vc.get(), "(cannot present itself)");
    return false;
  }
  if (presented_) {
    refuse(*this, vc.get(), "which is already presenting " + presented_->description());
    return false;
  }
  if (beingPresented_ || beingDismissed_ || vc->beingPresented_ || vc->beingDismissed_) {
    refuse(*this, vc.get(), "while a presentation or dismiss is in progress");
    return false;
  }
  if (vc->presenting_.lock() || vc->parentViewController()) {
    refuse(*this, vc.get(), "(the controller is already presented or has a parent)");
    return false;
  }
  auto window = view()->window();
  if (!window) {
    refuse(*this, vc.get(), "whose view is not in the window hierarchy");
    return false;
  }
  auto self = sharedAs<ViewController>();
  presented_ = vc;
  vc->presenting_ = self;
  vc->beingPresented_ = true;

  auto td = vc->transitioningDelegate();
  std::shared_ptr<PresentationController> pc;
  if (vc->modalPresentationStyle == ModalPresentationStyle::kCustom && td) {
    pc = td->presentationControllerForPresentedViewController(vc, self, self);
  }
  if (!pc) pc = std::make_shared<PresentationController>(vc, self);
  pc->presented_ = vc;
  pc->presenting_ = self;
  vc->presentationController_ = pc;
  auto container = View::make(window->bounds());
  window->addSubview(container);
  pc->container_ = container;
  pc->presentationTransitionWillBegin();

  bool fullScreen = isFullScreenStyle(vc->modalPresentationStyle);
  if (fullScreen) beginAppearanceTransition(false, animated);
  vc->beginAppearanceTransition(true, animated);

  auto ctx = std::make_shared<TransitionContext>(container, self, vc, animated);
  ctx->setFinalFrame(vc.get(), pc->frameOfPresentedViewInContainerView());
  ctx->setFinalFrame(this, view()->frame());
  ctx->setInitialFrame(this, view()->frame());
  AnimatorPtr animator = td ? td->animationControllerForPresentedController(vc, self, self) : nullptr;
  std::weak_ptr<ViewController> weakSelf = self;
  ctx->setCompletionHandler([weakSelf, vc, animated, animator, completion](bool completed) {
    if (auto s = weakSelf.lock()) s->finishPresentation(vc, completed, animated, animator, completion);
  });
  if (animator) {
    InteractionPtr interaction = td ? td->interactionControllerForPresentation(animator) : nullptr;
    if (interaction) {
      ctx->setAnimator(animator);
      interaction->startInteractiveTransition(ctx);
    } else {
      animator->animateTransition(ctx);
    }
  } else {
    auto v = vc->view();
    v->setFrame(ctx->finalFrameForViewController(vc.get()));
    container->addSubview(v);
    if (animated) {
      platform::RunLoop::main().asyncAfter(kPresentationDuration, [ctx] { ctx->completeTransition(true); });
    } else {
      ctx->completeTransition(true);
    }
  }
  return true;
}

void ViewController::finishPresentation(const ViewControllerPtr& vc, bool completed, bool animated,
                                        const AnimatorPtr& animator, std::function<void()> completion) {
  (void)animated;
  auto keep = sharedAs<ViewController>();
  auto pc = vc->presentationController_;
  bool fullScreen = isFullScreenStyle(vc->modalPresentationStyle);
  vc->beingPresented_ = false;
  if (completed) {
    if (pc) pc->presentationTransitionDidEnd(true);
    vc->endAppearanceTransition();
    if (fullScreen) endAppearanceTransition();
    if (animator) animator->animationEnded(true);
    if (completion) completion();
    vc->runTransitionEndBlocks();
    runTransitionEndBlocks();
    return;
  }
  // A cancelled presentation leaves things as they were.
  if (pc) pc->presentationTransitionDidEnd(false);
  vc->beginAppearanceTransition(false, animated);
  vc->endAppearanceTransition();
  if (fullScreen) {
    beginAppearanceTransition(true, animated);
    endAppearanceTransition();
  }
  if (vc->view_) vc->view_->removeFromSuperview();
  if (pc && pc->container_) {
    pc->container_->removeFromSuperview();
    pc->container_ = nullptr;
  }
  presented_ = nullptr;
  vc->presenting_.reset();
  if (animator) animator->animationEnded(false);
  vc->runTransitionEndBlocks();
  runTransitionEndBlocks();
}

bool ViewController::dismiss(bool animated, std::function<void()> completion) {
  std::shared_ptr<ViewController> presenter;
  if (presented_) {
    presenter = sharedAs<ViewController>();
  } else if (auto host = presentedViewController()) {
    // A child dismisses what its containment presents.
    presenter = host->presenting_.lock();
  } else if (auto p = presentingViewController()) {
    presenter = p;
  } else {
    // Nothing presented and not presented: nothing to do.
    return false;
  }
  auto vc = presenter->presented_;
  if (!vc) return false;
  if (vc->beingPresented_ || vc->beingDismissed_ || presenter->beingPresented_ || presenter->beingDismissed_) {
    platform::LogWarning("Attempt to dismiss from " + presenter->description() +
                         " while a presentation or dismiss is in progress");
    return false;
  }
  // Controllers presented above the one dismissed go with it, at once.
  vc->tearDownPresentations();
  vc->beingDismissed_ = true;
  auto pc = vc->presentationController_;
  if (pc) pc->dismissalTransitionWillBegin();
  bool fullScreen = isFullScreenStyle(vc->modalPresentationStyle);
  vc->beginAppearanceTransition(false, animated);
  if (fullScreen) presenter->beginAppearanceTransition(true, animated);

  auto td = vc->transitioningDelegate();
  AnimatorPtr animator = td ? td->animationControllerForDismissedController(vc) : nullptr;
  auto container = pc ? pc->container_ : nullptr;
  auto ctx = std::make_shared<TransitionContext>(container, vc, presenter, animated);
  if (vc->view_) {
    ctx->setInitialFrame(vc.get(), vc->view_->frame());
    ctx->setFinalFrame(vc.get(), vc->view_->frame());
  }
  std::weak_ptr<ViewController> weakPresenter = presenter;
  ctx->setCompletionHandler([weakPresenter, vc, animated, animator, completion](bool completed) {
    if (auto p = weakPresenter.lock()) p->finishDismissal(vc, completed, animated, animator, completion);
  });
  if (animator) {
    InteractionPtr interaction = td ? td->interactionControllerForDismissal(animator) : nullptr;
    if (interaction) {
      ctx->setAnimator(animator);
      interaction->startInteractiveTransition(ctx);
    } else {
      animator->animateTransition(ctx);
    }
  } else if (animated) {
    platform::RunLoop::main().asyncAfter(kPresentationDuration, [ctx] { ctx->completeTransition(true); });
  } else {
    ctx->completeTransition(true);
  }
  return true;
}

void ViewController::finishDismissal(const ViewControllerPtr& vc, bool completed, bool animated,
                                     const AnimatorPtr& animator, std::function<void()> completion) {
  auto keep = sharedAs<ViewController>();
  auto pc = vc->presentationController_;
  bool fullScreen = isFullScreenStyle(vc->modalPresentationStyle);
  vc->beingDismissed_ = false;
  if (!completed) {
    if (pc) pc->dismissalTransitionDidEnd(false);
    vc->beginAppearanceTransition(true, animated);
    vc->endAppearanceTransition();
    if (fullScreen) {
      beginAppearanceTransition(false, animated);
      endAppearanceTransition();
    }
    if (animator) animator->animationEnded(false);
    vc->runTransitionEndBlocks();
    runTransitionEndBlocks();
    return;
  }
  if (vc->view_) vc->view_->removeFromSuperview();
  if (pc && pc->container_) {
    pc->container_->removeFromSuperview();
    pc->container_ = nullptr;
  }
  if (pc) pc->dismissalTransitionDidEnd(true);
  vc->endAppearanceTransition();
  if (fullScreen) endAppearanceTransition();
  presented_ = nullptr;
  vc->presenting_.reset();
  if (animator) animator->animationEnded(true);
  if (completion) completion();
  vc->runTransitionEndBlocks();
  runTransitionEndBlocks();
}

void ViewController::tearDownPresentations() {
  auto vc = presented_;
  if (!vc) return;
  auto keep = sharedAs<ViewController>();
  vc->tearDownPresentations();
  vc->beginAppearanceTransition(false, false);
  vc->endAppearanceTransition();
  if (vc->view_) vc->view_->removeFromSuperview();
  if (auto pc = vc->presentationController_; pc && pc->container_) {
    pc->container_->removeFromSuperview();
    pc->container_ = nullptr;
  }
  vc->beingPresented_ = false;
  vc->beingDismissed_ = false;
  vc->presenting_.reset();
  presented_ = nullptr;
  vc->runTransitionEndBlocks();
  runTransitionEndBlocks();
}

void ViewController::setNeedsStatusBarAppearanceUpdate() {
  auto v = viewIfLoaded();
  if (auto w = v ? v->window() : nullptr) w->updateStatusBarAppearance();
}

}  // namespace uikit
