// Lets the user drag a preview down: it follows the finger and shrinks, and
// released at least the threshold (70 points) below its start it pops; less,
// and it snaps back. Paired with the expand animation, which it starts
// without waiting for input.
#pragma once

#include <memory>
#include <optional>

#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PercentDrivenInteractiveTransition.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class ZoomInteractionController : public uikit::PercentDrivenInteractiveTransition,
                                  public uikit::GestureRecognizerDelegate {
 public:
  ZoomInteractionController();

  // Runs the transition's animation, then installs the drag recogniser on
  // the view of the screen being shown.
  void startInteractiveTransition(const uikit::TransitionContextPtr& context) override;

  void handlePan(uikit::PanGestureRecognizer& recognizer);
  // Only a pan that does not start upward.
  bool gestureRecognizerShouldBegin(uikit::GestureRecognizer& recognizer) override;

  // The base's finish, then the navigation controller (if still there) pops
  // the preview, animated.
  void finishInteractiveTransition() override;
  // The base's cancel; the preview snaps back at once.
  void cancelInteractiveTransition() override;

  std::shared_ptr<uikit::NavigationController> navigationController() const { return navigationController_.lock(); }
  const std::shared_ptr<uikit::View>& containerView() const { return containerView_; }
  // The preview's view.
  const std::shared_ptr<uikit::View>& sourceView() const { return sourceView_; }
  // The grid's view.
  const std::shared_ptr<uikit::View>& destinationView() const { return destinationView_; }
  bool hasCompleted() const { return hasCompleted_; }
  const std::shared_ptr<uikit::View>& separationView() const { return separationView_; }
  const std::optional<uikit::AffineTransform>& transform() const { return transform_; }
  double threshold() const { return threshold_; }

 private:
  void beginDrag();
  void updateDrag(uikit::Point translation);

  std::weak_ptr<uikit::NavigationController> navigationController_;
  std::shared_ptr<uikit::View> containerView_;
  std::shared_ptr<uikit::View> sourceView_;
  std::shared_ptr<uikit::View> destinationView_;
  bool hasCompleted_ = false;
  std::shared_ptr<uikit::View> separationView_ = uikit::View::make();
  std::optional<uikit::AffineTransform> transform_;
  double threshold_ = 70.0;
};

}  // namespace photopicker
