// Shapes the album list as a 200-point band directly under the picker's
// navigation bar, over a transparent background that dismisses the list
// when tapped.
#pragma once

#include <memory>

#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/PresentationController.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class DropdownPresentationController : public uikit::PresentationController {
 public:
  DropdownPresentationController(const std::shared_ptr<uikit::ViewController>& presented,
                                 const std::shared_ptr<uikit::ViewController>& presenting);

  double dropDownHeight() const { return dropDownHeight_; }
  const std::shared_ptr<uikit::View>& backgroundView() const { return backgroundView_; }

  void presentationTransitionWillBegin() override;
  void containerViewWillLayoutSubviews() override;
  uikit::Size sizeForChildContentContainer(const uikit::ViewController& child, uikit::Size parentSize) const override;
  uikit::Rect frameOfPresentedViewInContainerView() const override;
  // Asks the presenting screen to dismiss what it presented, animated.
  void backgroundTapped(uikit::GestureRecognizer& recognizer);

 private:
  double dropDownHeight_ = 200.0;
  std::shared_ptr<uikit::View> backgroundView_;
};

}  // namespace photopicker
