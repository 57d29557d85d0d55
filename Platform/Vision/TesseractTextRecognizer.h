// Text recognition over Tesseract: the LSTM engine, automatic page
// segmentation, English. One engine per process, loaded on first use (a load
// that fails is tried again by the next request); its messages are silenced.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "Platform/Vision/TextRecognizer.h"

namespace tesseract {
class TessBaseAPI;
}

namespace vision {

class TesseractTextRecognizer : public TextRecognizer {
 public:
  static std::shared_ptr<TesseractTextRecognizer> shared();

  // The folder holding "eng.traineddata"; empty (the default) is the
  // installed package's. A change drops a loaded engine.
  static void setDataFolder(std::string folder);
  static std::string dataFolder();

  // Makes the engine's parallel loops run on the calling thread alone. Their
  // worker threads spin while waiting, which on a busy machine made one
  // recognition a hundred times slower; recognize() does this itself.
  static void runOnCallingThreadOnly();

  // Loads the engine now if it is not loaded.
  platform::Status load();
  // Drops the loaded engine; the next request loads it again.
  void unload();
  platform::Result<TextRecognition> recognize(const platform::Bitmap& image, RequestTextRecognitionLevel level) override;

  TesseractTextRecognizer();
  ~TesseractTextRecognizer() override;

 private:
  platform::Status loadLocked();

  std::mutex mu_;
  std::unique_ptr<tesseract::TessBaseAPI> api_;
};

}  // namespace vision
