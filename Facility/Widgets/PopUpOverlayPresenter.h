// Screens' access to their popup overlay: each screen keeps one, made on
// first use from its interface file and reused for every later popup.
#pragma once

#include <functional>
#include <memory>

#include "Facility/Widgets/PopUpOverlay.h"
#include "Facility/Widgets/PopUpPresentType.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

class PopUpOverlayPresenter {
 public:
  static constexpr const char* kOverlayKey = "popUpOverlay";
  static constexpr double kBlurRadius = 5.0;

  // The screen's overlay, made full-screen on first use; none when the
  // interface file yields no overlay.
  static std::shared_ptr<PopUpOverlay> popUpOverlay(const std::shared_ptr<uikit::ViewController>& controller);
  // Shows view on the overlay over the navigation controller's view (else the
  // screen's own), over a blurred snapshot when blur is set. Without an
  // overlay nothing happens and completion never runs.
  static void presentPopUpOverlay(const std::shared_ptr<uikit::ViewController>& controller,
                                  const uikit::ViewPtr& view, bool shouldOutSideClick, bool blur,
                                  PopUpPresentType type, std::function<void()> completion);

 private:
  // The host's own drawing, blurred; none when a step yields no image.
  static uikit::ImagePtr blurredSnapshot(const uikit::View& host);
};
