#include "Platform/Vision/VNRecognizeTextRequest.h"

namespace vision {

void VNRecognizeTextRequest::complete(TextRecognition recognition) {
  results_ = recognition.error.ok() ? std::move(recognition.observations) : std::vector<VNRecognizedTextObservation>{};
  if (completion_) completion_(*this, recognition.error);
}

}  // namespace vision
