#include "Platform/UIKit/NavigationController.h"

#include <algorithm>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"

namespace uikit {

NavigationController::NavigationController() : bar_(std::make_shared<NavigationBar>()) {}

std::shared_ptr<NavigationController> NavigationController::withRoot(const ViewControllerPtr& root) {
  return makeWithRoot<NavigationController>(root);
}

void NavigationController::loadView() {
  auto v = View::make(Device::screenBounds());
  setView(v);
  double top = Device::current().safeAreaInsets.top;
  bar_->setFrame(Rect(0, top, v->bounds().width(), NavigationBar::kHeight));
  bar_->setAutoresizingMask(kAutoresizingFlexibleWidth);
  v->addSubview(bar_);
  if (auto top_vc = topViewController()) {
    auto cv = top_vc->view();
    cv->setFrame(v->bounds());
    v->insertSubview(cv, 0);
  }
}

void NavigationController::viewDidLayoutSubviews() {
  auto v = viewIfLoaded();
  if (!v) return;
  Rect b = v->bounds();
  Rect bf = bar_->frame();
  bar_->setFrame(Rect(0, bf.y(), b.width(), bf.height()));
  if (auto top = topViewController()) {
    if (auto cv = top->viewIfLoaded(); cv && cv->superview() == v) cv->setFrame(b);
  }
}

std::vector<ViewControllerPtr> NavigationController::appearanceChildren() const {
  if (auto top = topViewController()) return {top};
  return {};
}

ViewControllerPtr NavigationController::visibleViewController() const {
  if (auto p = presentedViewController(); p && !p->isBeingDismissed()) return p;
  return topViewController();
}

bool NavigationController::isOnScreen() const {
  return appearance() == Appearance::kAppeared || appearance() == Appearance::kAppearing;
}

void NavigationController::syncBarItems() {
  bar_->items.clear();
  for (const auto& vc : stack_) bar_->items.push_back(vc->navigationItemPtr());
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
  (void)animated;
  bar_->setHidden(hidden);
}

bool NavigationController::pushViewController(const ViewControllerPtr& vc, bool animated) {
  if (!vc || std::find(stack_.begin(), stack_.end(), vc) != stack_.end() || vc->parentViewController() ||
      vc.get() == this) {
    platform::LogWarning("Pushing a view controller that is already in a navigation stack is not supported");
    return false;
  }
  auto from = topViewController();
  vc->setMovingToParent(true);
  addChildViewController(vc);
  stack_.push_back(vc);
  syncBarItems();
  transition(from, vc, NavigationControllerOperation::kPush, animated, {});
  return true;
}

ViewControllerPtr NavigationController::popViewController(bool animated) {
  if (stack_.size() <= 1) return nullptr;
  auto from = stack_.back();
  stack_.pop_back();
  syncBarItems();
  from->setMovingFromParent(true);
  from->willMoveToParentViewController(nullptr);
  transition(from, topViewController(), NavigationControllerOperation::kPop, animated, {from});
  return from;
}

std::vector<ViewControllerPtr> NavigationController::popToRootViewController(bool animated) {
  if (stack_.empty()) return {};
  return popToViewController(stack_.front(), animated);
}

std::vector<ViewControllerPtr> NavigationController::popToViewController(const ViewControllerPtr& target,
                                                                         bool animated) {
  auto it = std::find(stack_.begin(), stack_.end(), target);
  if (it == stack_.end() || it + 1 == stack_.end()) return {};
  std::vector<ViewControllerPtr> popped(it + 1, stack_.end());
  stack_.erase(it + 1, stack_.end());
  syncBarItems();
  auto from = popped.back();
  for (const auto& p : popped) {
    p->setMovingFromParent(true);
    p->willMoveToParentViewController(nullptr);
  }
  transition(from, target, NavigationControllerOperation::kPop, animated, popped);
  return popped;
}

void NavigationController::setViewControllers(const std::vector<ViewControllerPtr>& controllers, bool animated) {
  auto from = topViewController();
  std::vector<ViewControllerPtr> removed;
  for (const auto& old : stack_) {
    if (std::find(controllers.begin(), controllers.end(), old) == controllers.end()) removed.push_back(old);
  }
  for (const auto& r : removed) r->willMoveToParentViewController(nullptr);
  stack_.clear();
  for (const auto& vc : controllers) {
    if (!vc || std::find(stack_.begin(), stack_.end(), vc) != stack_.end()) continue;
    if (vc->parentViewController().get() != this) {
      vc->removeFromParentViewController();
      addChildViewController(vc);
    }
    stack_.push_back(vc);
  }
  syncBarItems();
  auto to = topViewController();
  if (from == to) {
    for (const auto& r : removed) {
      if (auto v = r->viewIfLoaded(); v && v->superview() == viewIfLoaded()) v->removeFromSuperview();
      r->removeFromParentViewController();
    }
    return;
  }
  transition(from, to, NavigationControllerOperation::kPush, animated, removed);
}

bool NavigationController::tapBackButton() {
  if (stack_.size() <= 1) return false;
  if (auto top = topViewController(); top && top->navigationItem().hidesBackButton) return false;
  return popViewController(true) != nullptr;
}

void NavigationController::transition(const ViewControllerPtr& from, const ViewControllerPtr& to,
                                      NavigationControllerOperation op, bool animated,
                                      std::vector<ViewControllerPtr> removed) {
  auto self = sharedAs<NavigationController>();
  auto container = viewIfLoaded();
  auto finishRemoved = [self, removed, to] {
    for (const auto& r : removed) {
      if (r == to) continue;
      if (auto v = r->viewIfLoaded(); v && v->superview() == self->viewIfLoaded()) v->removeFromSuperview();
      r->removeFromParentViewController();
      r->setMovingFromParent(false);
    }
  };
  if (!container || !isOnScreen()) {
    // Not on screen: swap the views, no appearance callbacks.
    if (container && to) {
      if (from && from != to) {
        if (auto fv = from->viewIfLoaded(); fv && fv->superview() == container) fv->removeFromSuperview();
      }
      auto tv = to->view();
      tv->setFrame(container->bounds());
      container->insertSubview(tv, 0);
    }
    finishRemoved();
    if (to) {
      to->didMoveToParentViewController(this);
      to->setMovingToParent(false);
    }
    return;
  }
  animated = animated && from && from != to;
  auto d = delegate();
  if (d && to) d->navigationControllerWillShowViewControllerAnimated(*this, to, animated);
  if (from && from != to) from->beginAppearanceTransition(false, animated);
  if (to) to->beginAppearanceTransition(true, animated);
  AnimatorPtr animator;
  if (d && from && to && from != to) {
    animator = d->navigationControllerAnimationControllerForOperationFromViewControllerToViewController(*this, op,
                                                                                                     from, to);
  }
  auto ctx = std::make_shared<TransitionContext>(container, from, to, animated);
  if (to) ctx->setFinalFrame(to.get(), container->bounds());
  if (from) ctx->setInitialFrame(from.get(), container->bounds());
  ++transitions_;
  std::weak_ptr<NavigationController> weak = self;
  ctx->setCompletionHandler([weak, from, to, animated, animator, finishRemoved, op](bool completed) {
    auto nav = weak.lock();
    if (!nav) return;
    --nav->transitions_;
    auto containerView = nav->viewIfLoaded();
    if (!completed && op == NavigationControllerOperation::kPush && from) {
      // A cancelled push takes the new screen back off the stack.
      nav->stack_.erase(std::remove(nav->stack_.begin(), nav->stack_.end(), to), nav->stack_.end());
      nav->syncBarItems();
      if (to) {
        if (auto tv = to->viewIfLoaded()) tv->removeFromSuperview();
        to->beginAppearanceTransition(false, animated);
        to->endAppearanceTransition();
        to->removeFromParentViewController();
      }
      from->beginAppearanceTransition(true, animated);
      from->endAppearanceTransition();
      if (animator) animator->animationEnded(false);
      return;
    }
    if (!completed && op == NavigationControllerOperation::kPop && from) {
      // A cancelled pop puts the screen back on top.
      nav->stack_.push_back(from);
      nav->syncBarItems();
      from->setMovingFromParent(false);
      if (to) {
        if (auto tv = to->viewIfLoaded(); tv && tv != from->viewIfLoaded()) tv->removeFromSuperview();
        to->beginAppearanceTransition(false, animated);
        to->endAppearanceTransition();
      }
      from->beginAppearanceTransition(true, animated);
      from->endAppearanceTransition();
      if (animator) animator->animationEnded(false);
      return;
    }
    if (from && from != nav->topViewController()) {
      if (auto fv = from->viewIfLoaded(); fv && fv->superview()) fv->removeFromSuperview();
    }
    // The container keeps only the top screen's view under the bar.
    if (auto top = nav->topViewController(); top && containerView) {
      auto tv = top->view();
      if (tv->superview() != containerView) {
        tv->setFrame(containerView->bounds());
        containerView->insertSubview(tv, 0);
      }
    }
    finishRemoved();
    if (from && from != to) from->endAppearanceTransition();
    if (to) {
      to->endAppearanceTransition();
      to->didMoveToParentViewController(nav.get());
      to->setMovingToParent(false);
    }
    if (animator) animator->animationEnded(true);
    if (auto dd = nav->delegate(); dd && to) dd->navigationControllerDidShowViewControllerAnimated(*nav, to, animated);
  });
  if (animator) {
    ctx->setAnimator(animator);
    InteractionPtr interaction = d->navigationControllerInteractionControllerForAnimationController(*this, animator);
    if (interaction) {
      interaction->startInteractiveTransition(ctx);
    } else {
      animator->animateTransition(ctx);
    }
    return;
  }
  if (to) {
    auto tv = to->view();
    tv->setFrame(container->bounds());
    if (op == NavigationControllerOperation::kPop && from) {
      container->insertSubview(tv, 0);
    } else {
      container->insertSubviewBelow(tv, bar_);
    }
  }
  if (animated) {
    platform::RunLoop::main().asyncAfter(kTransitionDuration, [ctx] { ctx->completeTransition(true); });
  } else {
    ctx->completeTransition(true);
  }
}

}  // namespace uikit
