// Hands the keyboard's show, hide and frame-change notifications to a
// delegate together with the keyboard's height. Whoever uses it registers
// the three handlers for the keyboard notifications.
#pragma once

#include <memory>

#include "Platform/Foundation/NotificationCenter.h"

class KeyboardManagerDelegate {
 public:
  virtual ~KeyboardManagerDelegate() = default;
  virtual void keyboardWillShowWithNotification(const platform::Notification& notification,
                                                double keyboardHeight) = 0;
  virtual void keyboardWillHideWithNotification(const platform::Notification& notification) = 0;

  // Optional: called only by a delegate that answers true here.
  virtual bool respondsToKeyboardWillChangeFrame() const { return false; }
  virtual void keyboardWillChangeFrameWithNotification(const platform::Notification& notification,
                                                       double keyboardHeight) {
    (void)notification, (void)keyboardHeight;
  }
};

class KeyboardManager {
 public:
  std::weak_ptr<KeyboardManagerDelegate> delegate;

  void keyboardWillShowWithNotification(const platform::Notification& notification);
  void keyboardWillHideWithNotification(const platform::Notification& notification);
  void keyboardWillChangeFrameWithNotification(const platform::Notification& notification);
};
