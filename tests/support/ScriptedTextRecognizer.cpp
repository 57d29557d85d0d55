#include "tests/support/ScriptedTextRecognizer.h"

namespace facility_test {

void ScriptedTextRecognizer::answerLines(const std::vector<std::string>& lines) {
  std::vector<vision::VNRecognizedTextObservation> observations;
  for (const auto& line : lines) observations.emplace_back(std::vector<vision::VNRecognizedText>{{line, 1.0f}});
  answerObservations(std::move(observations));
}

void ScriptedTextRecognizer::answerObservations(std::vector<vision::VNRecognizedTextObservation> observations) {
  std::lock_guard<std::mutex> lock(mu_);
  steps_.push_back(vision::TextRecognition{platform::Status::OK(), std::move(observations)});
}

void ScriptedTextRecognizer::answerCompletionError(const std::string& message) {
  std::lock_guard<std::mutex> lock(mu_);
  steps_.push_back(vision::TextRecognition{platform::Status::Internal(message), {}});
}

void ScriptedTextRecognizer::failToRun(const std::string& message) {
  std::lock_guard<std::mutex> lock(mu_);
  steps_.push_back(platform::Status::FailedPrecondition(message));
}

platform::Result<vision::TextRecognition> ScriptedTextRecognizer::recognize(const platform::Bitmap& image,
                                                                            vision::RequestTextRecognitionLevel) {
  std::lock_guard<std::mutex> lock(mu_);
  ++requests_;
  lastWidth_ = image.width;
  lastHeight_ = image.height;
  if (steps_.empty()) return vision::TextRecognition{};
  auto step = std::move(steps_.front());
  steps_.pop_front();
  return step;
}

int ScriptedTextRecognizer::requests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

int ScriptedTextRecognizer::lastWidth() const {
  std::lock_guard<std::mutex> lock(mu_);
  return lastWidth_;
}

int ScriptedTextRecognizer::lastHeight() const {
  std::lock_guard<std::mutex> lock(mu_);
  return lastHeight_;
}

}  // namespace facility_test
