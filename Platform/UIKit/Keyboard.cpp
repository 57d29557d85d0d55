#include "Platform/UIKit/Keyboard.h"

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/Device.h"

namespace uikit {

Keyboard& Keyboard::shared() {
  static Keyboard k;
  return k;
}

void Keyboard::post(const char* name, const Rect& begin, const Rect& end) {
  platform::NotificationCenter::defaultCenter().post(
      name, {{kKeyboardFrameBeginUserInfoKey, boxRect(begin)},
             {kKeyboardFrameEndUserInfoKey, boxRect(end)},
             {kKeyboardAnimationDurationUserInfoKey, platform::Value(0.25)}});
}

void Keyboard::show(double height) {
  Size screen = Device::current().screenSize;
  Rect hidden(0, screen.height, screen.width, height);
  Rect end(0, screen.height - height, screen.width, height);
  Rect begin = visible_ ? frame_ : hidden;
  if (visible_ && begin == end) return;
  bool wasVisible = visible_;
  visible_ = true;
  frame_ = end;
  post(kKeyboardWillChangeFrameNotification, begin, end);
  post(kKeyboardWillShowNotification, begin, end);
  if (!wasVisible) post(kKeyboardDidShowNotification, begin, end);
}

void Keyboard::hide() {
  if (!visible_ || transferring) return;
  Size screen = Device::current().screenSize;
  Rect begin = frame_;
  Rect end(0, screen.height, screen.width, frame_.height());
  visible_ = false;
  frame_ = end;
  post(kKeyboardWillChangeFrameNotification, begin, end);
  post(kKeyboardWillHideNotification, begin, end);
  post(kKeyboardDidHideNotification, begin, end);
}

void Keyboard::reset() {
  visible_ = false;
  transferring = false;
  frame_ = Rect();
}

}  // namespace uikit
