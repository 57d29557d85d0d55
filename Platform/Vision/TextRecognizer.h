// The engine behind text-recognition requests. The process uses Tesseract
// unless a test installs its own recogniser.
#pragma once

#include <memory>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/ImageIO/ImageCodec.h"
#include "Platform/Vision/VNRecognizedTextObservation.h"

namespace vision {

enum class RequestTextRecognitionLevel { kAccurate, kFast };

// What one request's completion receives: observations, or an error.
struct TextRecognition {
  platform::Status error;
  std::vector<VNRecognizedTextObservation> observations;
};

class TextRecognizer {
 public:
  virtual ~TextRecognizer() = default;
  // A failed result means recognition could not run at all (perform fails).
  virtual platform::Result<TextRecognition> recognize(const platform::Bitmap& image, RequestTextRecognitionLevel level) = 0;

  // The installed recogniser, else the Tesseract engine.
  static std::shared_ptr<TextRecognizer> current();
  // Installs a recogniser for the process; none restores Tesseract.
  static void install(std::shared_ptr<TextRecognizer> recognizer);
};

}  // namespace vision
