// A request to find and read text in an image. Its completion runs inside
// the handler's perform, with the observations or an error.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/Vision/TextRecognizer.h"
#include "Platform/Vision/VNRecognizedTextObservation.h"

namespace vision {

class VNRecognizeTextRequest {
 public:
  // error is OK on success.
  using CompletionHandler = std::function<void(VNRecognizeTextRequest& request, const platform::Status& error)>;

  explicit VNRecognizeTextRequest(CompletionHandler completion) : completion_(std::move(completion)) {}

  RequestTextRecognitionLevel recognitionLevel = RequestTextRecognitionLevel::kAccurate;

  // The observations of the last run, in reading order.
  const std::vector<VNRecognizedTextObservation>& results() const { return results_; }

 private:
  friend class VNImageRequestHandler;
  void complete(TextRecognition recognition);

  CompletionHandler completion_;
  std::vector<VNRecognizedTextObservation> results_;
};

}  // namespace vision
