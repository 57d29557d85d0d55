#include "Platform/Vision/VNImageRequestHandler.h"

namespace vision {

platform::Status VNImageRequestHandler::perform(const std::vector<std::shared_ptr<VNRecognizeTextRequest>>& requests) {
  static const platform::Bitmap kNoImage;
  const platform::Bitmap& image = image_ ? *image_ : kNoImage;
  for (const auto& request : requests) {
    if (!request) continue;
    auto recognition = TextRecognizer::current()->recognize(image, request->recognitionLevel);
    if (!recognition.ok()) return recognition.status();
    request->complete(std::move(recognition).value());
  }
  return platform::Status::OK();
}

}  // namespace vision
