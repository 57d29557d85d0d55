// Stand-in for the heads-up-display library: a shared HUD with a content
// view, shown and hidden (at once or after a delay, with a hiding animation
// of kHideAnimationDuration). Every hide completion runs exactly once: with
// true when the HUD hid, with false when a later show or hide superseded it.
#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/DispatchWorkItem.h"
#include "Platform/UIKit/View.h"

namespace uikit {

class PKHUD {
 public:
  static constexpr double kHideAnimationDuration = 0.25;
  static PKHUD& sharedHUD();
  static void resetShared();

  std::shared_ptr<View> contentView;
  bool dimsBackground = true;
  bool userInteractionOnUnderlyingViewsEnabled = false;

  void show(const std::shared_ptr<View>& onView = nullptr);
  void hide(bool animated, std::function<void(bool)> completion = nullptr);
  void hideAfterDelay(double delay, std::function<void(bool)> completion = nullptr);
  bool isVisible() const { return visible_; }
  std::shared_ptr<View> shownOnView() const { return onView_.lock(); }

 private:
  void supersede();
  void finishHide(bool animated);
  bool visible_ = false;
  std::weak_ptr<View> onView_;
  platform::DispatchWorkItemPtr pending_;
  std::function<void(bool)> completion_;
};

}  // namespace uikit
