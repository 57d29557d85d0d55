#include "Platform/UIKit/PKHUD.h"

#include "Platform/Foundation/RunLoop.h"

namespace uikit {

namespace {
std::unique_ptr<PKHUD>& slot() {
  static std::unique_ptr<PKHUD> hud;
  return hud;
}
}  // namespace

PKHUD& PKHUD::sharedHUD() {
  if (!slot()) slot() = std::make_unique<PKHUD>();
  return *slot();
}

void PKHUD::resetShared() {
  if (slot() && slot()->pending_) slot()->pending_->cancel();
  slot().reset();
}

void PKHUD::supersede() {
  if (pending_) pending_->cancel();
  pending_ = nullptr;
  auto c = std::move(completion_);
  completion_ = nullptr;
  if (c) c(false);
}

void PKHUD::show(const std::shared_ptr<View>& onView) {
  supersede();
  visible_ = true;
  onView_ = onView;
}

void PKHUD::finishHide(bool animated) {
  auto done = [] {
    PKHUD& hud = PKHUD::sharedHUD();
    hud.pending_ = nullptr;
    hud.visible_ = false;
    auto c = std::move(hud.completion_);
    hud.completion_ = nullptr;
    if (c) c(true);
  };
  if (animated) {
    pending_ = platform::RunLoop::main().asyncAfter(kHideAnimationDuration, done);
  } else {
    done();
  }
}

void PKHUD::hide(bool animated, std::function<void(bool)> completion) {
  supersede();
  completion_ = std::move(completion);
  finishHide(animated);
}

void PKHUD::hideAfterDelay(double delay, std::function<void(bool)> completion) {
  supersede();
  completion_ = std::move(completion);
  pending_ = platform::RunLoop::main().asyncAfter(delay, [] { PKHUD::sharedHUD().finishHide(true); });
}

}  // namespace uikit
