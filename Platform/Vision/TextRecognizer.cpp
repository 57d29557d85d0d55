#include "Platform/Vision/TextRecognizer.h"

#include <mutex>

#include "Platform/Vision/TesseractTextRecognizer.h"

namespace vision {

namespace {
std::mutex& installedMutex() {
  static std::mutex mu;
  return mu;
}
std::shared_ptr<TextRecognizer>& installed() {
  static std::shared_ptr<TextRecognizer> recognizer;
  return recognizer;
}
}  // namespace

std::shared_ptr<TextRecognizer> TextRecognizer::current() {
  {
    std::lock_guard<std::mutex> lock(installedMutex());
    if (installed()) return installed();
  }
  return TesseractTextRecognizer::shared();
}

void TextRecognizer::install(std::shared_ptr<TextRecognizer> recognizer) {
  std::lock_guard<std::mutex> lock(installedMutex());
  installed() = std::move(recognizer);
}

}  // namespace vision
