#include "Facility/Widgets/KeyboardManager.h"

#include <optional>

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Keyboard.h"

namespace {

// The keyboard's end-frame height, when the notification carries one.
std::optional<double> endFrameHeight(const platform::Notification& notification) {
  auto entry = notification.userInfo.find(uikit::kKeyboardFrameEndUserInfoKey);
  if (entry == notification.userInfo.end()) return std::nullopt;
  auto rect = uikit::unboxRect(entry->second);
  if (!rect) return std::nullopt;
  return rect->height();
}

}  // namespace

void KeyboardManager::keyboardWillShowWithNotification(const platform::Notification& notification) {
  auto target = delegate.lock();
  if (!target) return;
  auto height = endFrameHeight(notification);
  if (!height) return;
  target->keyboardWillShowWithNotification(notification, *height);
}

void KeyboardManager::keyboardWillHideWithNotification(const platform::Notification& notification) {
  auto target = delegate.lock();
  if (!target) return;
  target->keyboardWillHideWithNotification(notification);
}

void KeyboardManager::keyboardWillChangeFrameWithNotification(const platform::Notification& notification) {
  auto target = delegate.lock();
  if (!target) return;
  auto height = endFrameHeight(notification);
  if (!height) return;
  if (!target->respondsToKeyboardWillChangeFrame()) return;
  target->keyboardWillChangeFrameWithNotification(notification, *height);
}
