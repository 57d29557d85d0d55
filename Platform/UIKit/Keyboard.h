// The on-screen keyboard: shown while a text input is first responder.
// Showing, hiding and resizing post the keyboard notifications on the
// default notification centre, carrying the end frame boxed (boxRect)
// under "UIKeyboardFrameEndUserInfoKey".
#pragma once

#include "Platform/UIKit/Geometry.h"

namespace uikit {

inline constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* kKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* kKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline constexpr const char* kKeyboardWillChangeFrameNotification = "UIKeyboardWillChangeFrameNotification";
inline constexpr const char* kKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline constexpr const char* kKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline constexpr const char* kKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";

enum class KeyboardAppearance { kDefault, kDark, kLight };

class Keyboard {
 public:
  static Keyboard& shared();

  bool isVisible() const { return visible_; }
  Rect frame() const { return frame_; }
  // A text input became first responder with an input area of the height.
  void show(double height);
  // The text input resigned; hides unless focus is moving to another input.
  void hide();
  // While true, hide() is a move of focus between inputs.
  bool transferring = false;
  void reset();

 private:
  void post(const char* name, const Rect& begin, const Rect& end);
  bool visible_ = false;
  Rect frame_;
};

}  // namespace uikit
