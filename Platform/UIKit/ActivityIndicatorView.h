// A spinner; hidden while stopped when hidesWhenStopped.
#pragma once

#include <optional>

#include "Platform/UIKit/View.h"

namespace uikit {

enum class ActivityIndicatorStyle { kMedium, kLarge };

class ActivityIndicatorView : public View {
 public:
  explicit ActivityIndicatorView(ActivityIndicatorStyle style = ActivityIndicatorStyle::kMedium) : style_(style) {
    Size s = intrinsicContentSize();
    setFrame(Rect(0, 0, s.width, s.height));
    setHidden(true);
  }
  ActivityIndicatorStyle style() const { return style_; }
  void setStyle(ActivityIndicatorStyle s) { style_ = s; invalidateIntrinsicContentSize(); }
  std::optional<Color> color;
  bool hidesWhenStopped() const { return hidesWhenStopped_; }
  void setHidesWhenStopped(bool v) {
    hidesWhenStopped_ = v;
    if (!animating_) setHidden(v);
  }
  void startAnimating() {
    animating_ = true;
    setHidden(false);
  }
  void stopAnimating() {
    animating_ = false;
    if (hidesWhenStopped_) setHidden(true);
  }
  bool isAnimating() const { return animating_; }
  Size intrinsicContentSize() const override {
    return style_ == ActivityIndicatorStyle::kLarge ? Size{37, 37} : Size{20, 20};
  }

 private:
  ActivityIndicatorStyle style_;
  bool animating_ = false;
  bool hidesWhenStopped_ = true;
};

}  // namespace uikit
