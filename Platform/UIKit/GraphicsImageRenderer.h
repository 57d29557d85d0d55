// Renders drawing into a new image: the actions draw into a fresh offscreen
// context (GraphicsImageContext) of the renderer's bounds, and the image
// keeps both the pixels and the recorded drawing.
#pragma once

#include <functional>

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/GraphicsContext.h"
#include "Platform/UIKit/Image.h"

namespace uikit {

class GraphicsImageRenderer {
 public:
  explicit GraphicsImageRenderer(const Rect& bounds, double scale = 1.0) : bounds_(bounds), scale_(scale) {}
  explicit GraphicsImageRenderer(Size size, double scale = 1.0) : GraphicsImageRenderer(Rect({0, 0}, size), scale) {}

  // None when the bounds have no area.
  ImagePtr image(const std::function<void(GraphicsContext&)>& actions) const;

 private:
  Rect bounds_;
  double scale_;
};

}  // namespace uikit
