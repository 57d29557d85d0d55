// One reading of a piece of text with the recogniser's confidence (0...1).
#pragma once

#include <string>

namespace vision {

struct VNRecognizedText {
  std::string string;
  float confidence = 0;
};

}  // namespace vision
