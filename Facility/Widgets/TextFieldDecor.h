// Right-hand images and the bottom line of text fields, and the coloured
// placeholder.
#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/TextField.h"

class TextFieldDecor {
 public:
  static constexpr long kBottomLineTag = -5;
  // A (width + 25) wide container with a centred 15 x 15 aspect-fit image.
  static void setRightImageNamed(uikit::TextField& field, const std::string& imageName, double width);
  static void setRightImageView(uikit::TextField& field, uikit::ImagePtr image, double width, double height,
                                double inset);
  // A 0.8-point gray line along the bottom edge; replaces an earlier one.
  static std::shared_ptr<uikit::View> addBottomLine(const std::shared_ptr<uikit::TextField>& field);
  static void setPlaceholderColor(uikit::TextField& field, const std::optional<uikit::Color>& color);
};
