// Resampling of RGBA bitmaps to another size: box averaging when shrinking,
// bilinear when growing a side.
#pragma once

#include "Platform/ImageIO/ImageCodec.h"

namespace platform {

class BitmapScaler {
 public:
  // Empty bitmap for a non-positive size or a malformed source.
  static Bitmap resized(const Bitmap& source, int width, int height);
};

}  // namespace platform
