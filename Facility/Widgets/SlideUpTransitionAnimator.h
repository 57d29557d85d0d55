// Presents a screen by sliding its view up from below the container.
#pragma once

#include "Facility/Widgets/PresentationAnimator.h"

class SlideUpTransitionAnimator : public PresentationAnimator {
 protected:
  std::function<void()> prepare(const std::shared_ptr<uikit::View>& view,
                                const std::shared_ptr<uikit::View>& container) override;
};
