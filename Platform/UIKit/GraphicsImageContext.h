// Offscreen bitmap contexts to draw layers into and read back as images, a
// stack per thread as on the phone platform. Drawing a layer paints its
// background colour (times its opacity) over the layer's bounds at the
// context's origin, then lets the layer's view draw (drawRect) into the
// context's recording (GraphicsContext), which the image keeps as its
// drawing; sublayers are not drawn.
#pragma once

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Layer.h"

namespace uikit {

class GraphicsImageContext {
 public:
  // Pushes a transparent context of size points at scale pixels per point.
  // A size or scale without area pushes nothing and returns false.
  static bool begin(Size size, double scale = 1.0);
  static bool hasCurrent();
  // Draws into the current context; nothing without one.
  static void renderLayer(const Layer& layer);
  // The current context's pixels; none without a context.
  static ImagePtr imageFromCurrent();
  // Pops the current context; nothing without one.
  static void end();

 private:
  static void paintBackground(const Layer& layer);
};

}  // namespace uikit
