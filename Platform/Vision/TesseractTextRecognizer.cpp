#include "Platform/Vision/TesseractTextRecognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>

#include <cctype>
#include <cstdlib>

namespace vision {

namespace {

std::mutex& folderMutex() {
  static std::mutex mu;
  return mu;
}
std::string& folderSetting() {
  static std::string folder;
  return folder;
}

// Tesseract keeps its dictionaries in a process-wide cache that is destroyed
// at exit; an engine still holding them then keeps them from being freed.
void endSharedEngineAtExit() {
  auto engine = TesseractTextRecognizer::shared();
  engine->unload();
}

bool isBlank(const std::string& text) {
  for (unsigned char c : text) {
    if (!std::isspace(c)) return false;
  }
  return true;
}

}  // namespace

TesseractTextRecognizer::TesseractTextRecognizer() = default;
TesseractTextRecognizer::~TesseractTextRecognizer() {
  if (api_) api_->End();
}

std::shared_ptr<TesseractTextRecognizer> TesseractTextRecognizer::shared() {
  static auto engine = std::make_shared<TesseractTextRecognizer>();
  return engine;
}

void TesseractTextRecognizer::setDataFolder(std::string folder) {
  {
    std::lock_guard<std::mutex> lock(folderMutex());
    if (folderSetting() == folder) return;
    folderSetting() = std::move(folder);
  }
  shared()->unload();
}

std::string TesseractTextRecognizer::dataFolder() {
  std::lock_guard<std::mutex> lock(folderMutex());
  return folderSetting();
}

void TesseractTextRecognizer::runOnCallingThreadOnly() {
  // The OpenMP runtime comes with the engine's library; it is looked up
  // rather than linked so any compiler's build can use it.
  // Its loops ask for their thread count explicitly, so the count setting
  // does not reach them; no active parallel level does.
  using SetLevels = void (*)(int);
  static const auto setLevels = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
  if (setLevels) setLevels(0);
}

void TesseractTextRecognizer::unload() {
  std::lock_guard<std::mutex> lock(mu_);
  if (api_) api_->End();
  api_.reset();
}

platform::Status TesseractTextRecognizer::load() {
  std::lock_guard<std::mutex> lock(mu_);
  return loadLocked();
}

platform::Status TesseractTextRecognizer::loadLocked() {
  if (api_) return platform::Status::OK();
  setMsgSeverity(L_SEVERITY_NONE);
  std::string folder = dataFolder();
  auto api = std::make_unique<tesseract::TessBaseAPI>();
  // Set before Init so the loader's own messages are silenced too.
  std::vector<std::string> names{"debug_file"};
  std::vector<std::string> values{"/dev/null"};
  int rc = api->Init(folder.empty() ? nullptr : folder.c_str(), "eng", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names,
                     &values, false);
  if (rc != 0) {
    api->End();
    return platform::Status::FailedPrecondition("Text recognition is unavailable: language data 'eng' could not be loaded");
  }
  api->SetPageSegMode(tesseract::PSM_AUTO);
  api_ = std::move(api);
  // Registered after the cache exists, so this runs before it is destroyed.
  static const bool registered = (std::atexit(endSharedEngineAtExit), true);
  (void)registered;
  return platform::Status::OK();
}

platform::Result<TextRecognition> TesseractTextRecognizer::recognize(const platform::Bitmap& image,
                                                            RequestTextRecognitionLevel level) {
  (void)level;  // one engine serves both levels
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4) {
    return platform::Status::InvalidArgument("The image has no usable bitmap.");
  }
  std::lock_guard<std::mutex> lock(mu_);
  platform::Status loaded = loadLocked();
  if (!loaded.ok()) return loaded;
  runOnCallingThreadOnly();
  api_->SetImage(image.rgba.data(), image.width, image.height, 4, image.width * 4);
  TextRecognition result;
  if (api_->Recognize(nullptr) != 0) {
    api_->Clear();
    result.error = platform::Status::Internal("Text recognition failed.");
    return result;
  }
  std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
  if (it) {
    do {
      std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
      if (!text) continue;
      std::string line(text.get());
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      if (isBlank(line)) continue;
      float confidence = it->Confidence(tesseract::RIL_TEXTLINE) / 100.0f;
      result.observations.emplace_back(std::vector<VNRecognizedText>{{line, confidence}});
    } while (it->Next(tesseract::RIL_TEXTLINE));
  }
  api_->Clear();
  return result;
}

}  // namespace vision
