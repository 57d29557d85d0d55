// Presents a screen by fading its view in over the presenting one.
#pragma once

#include "Facility/Widgets/PresentationAnimator.h"

class FadeInTransitionAnimator : public PresentationAnimator {
 protected:
  std::function<void()> prepare(const std::shared_ptr<uikit::View>& view,
                                const std::shared_ptr<uikit::View>& container) override;
};
