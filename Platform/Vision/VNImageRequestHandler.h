// Runs requests on one image, synchronously.
#pragma once

#include <memory>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/ImageIO/ImageCodec.h"
#include "Platform/Vision/VNRecognizeTextRequest.h"

namespace vision {

class VNImageRequestHandler {
 public:
  // The image is shared, not copied, as the platform shares its images.
  explicit VNImageRequestHandler(std::shared_ptr<const platform::Bitmap> image) : image_(std::move(image)) {}
  explicit VNImageRequestHandler(platform::Bitmap image)
      : image_(std::make_shared<const platform::Bitmap>(std::move(image))) {}

  // Runs each request in turn, calling its completion. Fails, before any
  // completion of the failing request, when recognition cannot run.
  platform::Status perform(const std::vector<std::shared_ptr<VNRecognizeTextRequest>>& requests);

 private:
  std::shared_ptr<const platform::Bitmap> image_;
};

}  // namespace vision
