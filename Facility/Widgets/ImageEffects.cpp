#include "Facility/Widgets/ImageEffects.h"

#include "Platform/CoreImage/Blur.h"

uikit::ImagePtr ImageEffects::blurred(const uikit::ImagePtr& image, double radius) {
  if (!image || image->bitmap().empty()) return nullptr;
  auto out = platform::Blur::darkenedGaussian(image->pixelWidth(), image->pixelHeight(), image->bitmap(), radius);
  if (!out.ok()) return nullptr;
  return uikit::Image::fromBitmap(image->pixelWidth(), image->pixelHeight(), std::move(out).value(), image->scale());
}
