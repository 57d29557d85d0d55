// The darkened blur behind popups.
#pragma once

#include "Platform/UIKit/Image.h"

class ImageEffects {
 public:
  // One stop darker, then blurred by radius; none for an image without a bitmap.
  static uikit::ImagePtr blurred(const uikit::ImagePtr& image, double radius);
};
