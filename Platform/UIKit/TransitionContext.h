// The context of one presentation, dismissal, push or pop: the container
// view, the two controllers and their frames. Animators end the transition
// with completeTransition(); interactive drivers steer it meanwhile.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Object.h"

namespace uikit {

class View;
class ViewController;
class ViewControllerAnimatedTransitioning;

class TransitionContext : public Object {
 public:
  TransitionContext(std::shared_ptr<View> container, std::shared_ptr<ViewController> from,
                    std::shared_ptr<ViewController> to, bool animated);

  std::shared_ptr<View> containerView() const { return container_; }
  std::shared_ptr<ViewController> fromViewController() const { return from_.lock(); }
  std::shared_ptr<ViewController> toViewController() const { return to_.lock(); }
  std::shared_ptr<View> fromView() const;
  std::shared_ptr<View> toView() const;
  Rect initialFrameForViewController(const ViewController* vc) const;
  Rect finalFrameForViewController(const ViewController* vc) const;
  void setInitialFrame(const ViewController* vc, Rect r);
  void setFinalFrame(const ViewController* vc, Rect r);

  bool isAnimated() const { return animated_; }
  bool isInteractive() const { return interactive_; }
  void setInteractive(bool v) { interactive_ = v; }
  bool transitionWasCancelled() const { return cancelled_; }
  double percentComplete() const { return percent_; }

  // Ends the transition; only the first call counts.
  void completeTransition(bool didComplete);
  bool isCompleted() const { return completed_; }

  void updateInteractiveTransition(double percent);
  void finishInteractiveTransition();
  void cancelInteractiveTransition();

  // The animator paired with this transition, if any.
  const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator() const { return animator_; }
  void setAnimator(std::shared_ptr<ViewControllerAnimatedTransitioning> a) { animator_ = std::move(a); }

  // Set by the controller that runs the transition.
  void setCompletionHandler(std::function<void(bool)> handler) { onComplete_ = std::move(handler); }

 private:
  std::shared_ptr<View> container_;
  std::weak_ptr<ViewController> from_;
  std::weak_ptr<ViewController> to_;
  bool animated_;
  bool interactive_ = false;
  bool cancelled_ = false;
  bool completed_ = false;
  double percent_ = 0;
  const ViewController* fromKey_ = nullptr;
  const ViewController* toKey_ = nullptr;
  Rect fromInitial_, fromFinal_, toInitial_, toFinal_;
  std::function<void(bool)> onComplete_;
  std::shared_ptr<ViewControllerAnimatedTransitioning> animator_;
};

using TransitionContextPtr = std::shared_ptr<TransitionContext>;

// Animates a transition.
class ViewControllerAnimatedTransitioning {
 public:
  virtual ~ViewControllerAnimatedTransitioning() = default;
  virtual double transitionDuration(const TransitionContext* context) = 0;
  virtual void animateTransition(const TransitionContextPtr& context) = 0;
  virtual void animationEnded(bool transitionCompleted) { (void)transitionCompleted; }
};
using AnimatorPtr = std::shared_ptr<ViewControllerAnimatedTransitioning>;

// Drives a transition interactively.
class ViewControllerInteractiveTransitioning {
 public:
  virtual ~ViewControllerInteractiveTransitioning() = default;
  // The context names the animator that the transition pairs with.
  virtual void startInteractiveTransition(const TransitionContextPtr& context) = 0;
  virtual bool wantsInteractiveStart() const { return true; }
};
using InteractionPtr = std::shared_ptr<ViewControllerInteractiveTransitioning>;

}  // namespace uikit
