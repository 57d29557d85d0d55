// The "Done" bar above the keyboard of text fields and text views.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/Keyboard.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/TextView.h"
#include "Platform/UIKit/Toolbar.h"

class DoneAccessory {
 public:
  static constexpr const char* kDoneTitle = "Done";

  // A screen-wide bar with a flexible space and a "Done" button that runs
  // action while target lives. tintBarForDark: a dark keyboard also tints
  // the bar black (text views do).
  static std::shared_ptr<uikit::Toolbar> makeBar(uikit::KeyboardAppearance appearance, bool tintBarForDark,
                                                 const std::shared_ptr<const void>& target,
                                                 std::function<void()> action);

  // true installs the bar, whose Done ends editing; false does nothing.
  static void setDoneAccessory(const std::shared_ptr<uikit::TextField>& field, bool enabled);
  static void setDoneAccessory(const std::shared_ptr<uikit::TextView>& view, bool enabled);
  static void doneButtonAction(uikit::Responder& responder) { responder.resignFirstResponder(); }

  // The Done button of the view's bar, if it has one.
  static uikit::BarButtonItemPtr doneButton(const std::shared_ptr<uikit::View>& accessory);
};
