#include "PhotoPicker/NumberView.h"

#include "Platform/UIKit/Font.h"

namespace photopicker {

NumberView::NumberView() {
  setFont(uikit::Font::boldSystemFont(12));
  setNumberOfLines(1);
  adjustsFontSizeToFitWidth = true;
  textAlignment = uikit::TextAlignment::kCenter;
}

void NumberView::setTintColor(std::optional<uikit::Color> color) {
  uikit::Label::setTintColor(std::move(color));
  setTextColor(tintColor());
}

}  // namespace photopicker
