// The full-screen container that popups are shown on: an optional blurred
// snapshot of what lies beneath, a covering control that catches taps
// outside the popup, and the popup itself as the last subview. Built from
// the interface file "PopUpOverlay"; one per screen, reused between popups.
#pragma once

#include <functional>
#include <memory>

#include "Facility/Widgets/PopUpPresentType.h"
#include "Platform/UIKit/Control.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/View.h"

class PopUpOverlay : public uikit::View {
 public:
  static constexpr const char* kNibName = "PopUpOverlay";
  // Declares the interface file unless one is declared already.
  static void registerNib();

  // A tap on the overlay outside the popup dismisses the popup.
  bool shouldOutSideClick = false;
  // Animation of the popup being shown, in and out.
  PopUpPresentType type = PopUpPresentType::none;
  // Full-screen image view for the blurred snapshot.
  std::weak_ptr<uikit::ImageView> imgVBlur;

  // Brings view (already a subview) in per type; completion runs once it has
  // arrived, and not at all when an animation is interrupted.
  void present(const uikit::ViewPtr& view, std::function<void()> completion);
  // Takes view out per type, then view and overlay off screen, then runs
  // completion. An interrupted animation leaves both on screen.
  void dismiss(const uikit::ViewPtr& view, std::function<void()> completion);
  // Action of the covering control.
  void btnCloseTapped(uikit::Control& sender);

  // Where present() places view before animating it in.
  void placeForEntry(uikit::View& view) const;
  // Room kept for the bottom bar: 83 on phones with a notch, else 49.
  static double barAllowance();
  // The covering control of the interface file, if any.
  std::shared_ptr<uikit::Control> closeControl() const { return btnClose_.lock(); }

 private:
  void finishDismissal(const uikit::ViewPtr& view, const std::function<void()>& completion);
  // Subviews that belong to the overlay itself, never a popup.
  bool isOwnPart(const uikit::ViewPtr& view) const;

  std::weak_ptr<uikit::Control> btnClose_;
};
