// A piece of recognised text (one line) with its candidate readings, best
// first.
#pragma once

#include <algorithm>
#include <vector>

#include "Platform/Vision/VNRecognizedText.h"

namespace vision {

class VNRecognizedTextObservation {
 public:
  VNRecognizedTextObservation() = default;
  explicit VNRecognizedTextObservation(std::vector<VNRecognizedText> candidates)
      : candidates_(std::move(candidates)) {}

  // At most n candidates, best first.
  std::vector<VNRecognizedText> topCandidates(std::size_t n) const {
    return {candidates_.begin(), candidates_.begin() + static_cast<long>(std::min(n, candidates_.size()))};
  }

 private:
  std::vector<VNRecognizedText> candidates_;
};

}  // namespace vision
