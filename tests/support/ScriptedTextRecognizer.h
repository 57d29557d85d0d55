// A text recogniser that answers from a script, for what a real engine cannot
// produce on demand: a failure to run, a completion error, an observation
// without candidates. Each request takes the next step; an exhausted script
// answers with no observations.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Vision/TextRecognizer.h"

namespace facility_test {

class ScriptedTextRecognizer : public vision::TextRecognizer {
 public:
  // Recognition runs and finds these lines (one candidate each, confidence 1).
  void answerLines(const std::vector<std::string>& lines);
  // Recognition runs and finds these observations as given.
  void answerObservations(std::vector<vision::VNRecognizedTextObservation> observations);
  // The request's completion receives this error.
  void answerCompletionError(const std::string& message);
  // perform fails with this error.
  void failToRun(const std::string& message);

  platform::Result<vision::TextRecognition> recognize(const platform::Bitmap& image,
                                                      vision::RequestTextRecognitionLevel level) override;

  int requests() const;
  // Size of the last bitmap asked about.
  int lastWidth() const;
  int lastHeight() const;

  // Installs a new scripted recogniser for the process until destroyed.
  struct Installed {
    std::shared_ptr<ScriptedTextRecognizer> recognizer = std::make_shared<ScriptedTextRecognizer>();
    Installed() { vision::TextRecognizer::install(recognizer); }
    ~Installed() { vision::TextRecognizer::install(nullptr); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;
  };

 private:
  mutable std::mutex mu_;
  std::deque<platform::Result<vision::TextRecognition>> steps_;
  int requests_ = 0;
  int lastWidth_ = 0;
  int lastHeight_ = 0;
};

}  // namespace facility_test
