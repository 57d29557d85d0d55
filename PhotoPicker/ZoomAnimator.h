// Flies a photo between a grid cell and its preview: expanding on the push
// of a preview, shrinking back on its pop, over 0.25 s.
#pragma once

#include <memory>

#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/TransitionContext.h"

namespace photopicker {

class ZoomAnimator : public uikit::ViewControllerAnimatedTransitioning {
 public:
  enum class Mode { kExpand, kShrink };

  explicit ZoomAnimator(Mode mode) : mode_(mode) {}
  Mode mode() const { return mode_; }

  // Hidden for the transition (and left hidden: the cell's picture returns
  // when the preview shrinks back into it).
  std::shared_ptr<uikit::ImageView> sourceImageView;
  // Hidden for the transition and shown again at its end.
  std::shared_ptr<uikit::ImageView> destinationImageView;

  double transitionDuration(const uikit::TransitionContext* context) override {
    (void)context;
    return 0.25;
  }
  // Missing a screen or an image view, it completes at once (finished unless
  // cancelled).
  void animateTransition(const uikit::TransitionContextPtr& context) override;

 private:
  Mode mode_;
};

}  // namespace photopicker
