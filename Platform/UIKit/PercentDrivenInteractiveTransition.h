// The stock interactive driver: it starts the animator itself and lets a
// gesture move the transition by percent, then finish or cancel it.
#pragma once

#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/TransitionContext.h"

namespace uikit {

class PercentDrivenInteractiveTransition : public Object, public ViewControllerInteractiveTransitioning {
 public:
  void startInteractiveTransition(const TransitionContextPtr& context) override;
  bool wantsInteractiveStart() const override { return wantsInteractiveStart_; }
  void setWantsInteractiveStart(bool v) { wantsInteractiveStart_ = v; }

  virtual void updateInteractiveTransition(double percentComplete);
  virtual void finishInteractiveTransition();
  virtual void cancelInteractiveTransition();
  double percentComplete() const { return percent_; }
  double duration() const { return duration_; }
  TransitionContextPtr context() const { return context_.lock(); }

 private:
  std::weak_ptr<TransitionContext> context_;
  bool wantsInteractiveStart_ = true;
  double percent_ = 0;
  double duration_ = 0;
};

}  // namespace uikit
