// The app's typeface rule: every font becomes "Gotham-Medium" (names with
// "medium") or "Gotham-Book", two points larger except on the small and
// medium phones.
#pragma once

#include <memory>
#include <string>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/SegmentedControl.h"

class AppFont {
 public:
  // Follows the phone the program runs on, read at every call.
  static uikit::Font appScaledFont(const uikit::Font& font);
  // The named font at that size, scaled, as the only normal-state title attribute.
  static void setTitleFont(uikit::SegmentedControl& control, const std::string& fontName, double size);

  // Queues the widget's applyScaledFont() on the main queue, so it scales the
  // font the loaded file set, not the one in place while styling; a widget
  // gone by then is skipped.
  template <class Widget>
  static void applyScaledFontLater(Widget& widget) {
    std::weak_ptr<Widget> weak = widget.template sharedAs<Widget>();
    platform::DispatchQueue::main()->async([weak] {
      if (auto self = weak.lock()) self->applyScaledFont();
    });
  }
};
