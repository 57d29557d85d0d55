#include "Platform/UIKit/GraphicsImageRenderer.h"

#include "Platform/UIKit/GraphicsImageContext.h"

namespace uikit {

ImagePtr GraphicsImageRenderer::image(const std::function<void(GraphicsContext&)>& actions) const {
  if (!GraphicsImageContext::begin(bounds_.size, scale_)) return nullptr;
  GraphicsContext* context = GraphicsContext::current();
  // The bounds' origin lands on the context's origin.
  context->translateBy(-bounds_.minX(), -bounds_.minY());
  if (actions) actions(*context);
  auto image = GraphicsImageContext::imageFromCurrent();
  GraphicsImageContext::end();
  return image;
}

}  // namespace uikit
