// The shared toast: a dark rounded box with white text over the top screen.
// It fades in over 0.5 s, starts fading out 1.0 s after it was shown and is
// gone 0.5 s later. One container and label serve every toast.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Facility/Widgets/ToastPosition.h"
#include "Platform/Foundation/Timer.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class AppToastAlert {
 public:
  static constexpr long kContainerTag = 200;
  static constexpr double kFadeDuration = 0.5;
  static constexpr double kVisibleDuration = 1.0;

  static AppToastAlert& shared();

  // Shows the message on the top screen of the scene's window, replacing any
  // toast still on screen, wherever it is.
  static void show(ToastPosition position, const std::string& message);

  // The vertical offset of the container for a position.
  static double verticalConstant(ToastPosition position, bool hasNotch);

  static const std::shared_ptr<uikit::View>& containerView();
  static const std::shared_ptr<uikit::Label>& messageLabel();
  // The pending dismissal; none before the first toast.
  static platform::TimerPtr timer();

 private:
  AppToastAlert() = default;
  void present(ToastPosition position, const std::string& message);
  void layout(const std::shared_ptr<uikit::View>& host, ToastPosition position);
  void fadeIn();
  void fadeOut();
  // Stops the timer and takes the toast off screen; animations are left alone.
  void takeDown();

  std::shared_ptr<uikit::View> container_;
  std::shared_ptr<uikit::Label> label_;
  platform::TimerPtr timer_;
  std::vector<uikit::LayoutConstraintPtr> active_;
};
