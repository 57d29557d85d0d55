// A capture session joining a camera input and a photo output. Running is
// a flag here: the photos are read when a capture asks for one. Thread-safe,
// so it can be started from a background queue.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/AVFoundation/CaptureDeviceInput.h"
#include "Platform/AVFoundation/CapturePhotoOutput.h"

namespace avfoundation {

inline constexpr const char* kCaptureSessionPresetPhoto = "AVCaptureSessionPresetPhoto";
inline constexpr const char* kCaptureSessionPresetHigh = "AVCaptureSessionPresetHigh";

class CaptureSession : public std::enable_shared_from_this<CaptureSession> {
 public:
  static std::shared_ptr<CaptureSession> create() { return std::make_shared<CaptureSession>(); }

  void setSessionPreset(std::string preset);
  std::string sessionPreset() const;

  // One camera input per session; an output belongs to one session.
  bool canAddInput(const CaptureDeviceInputPtr& input) const;
  void addInput(const CaptureDeviceInputPtr& input);
  bool canAddOutput(const std::shared_ptr<CapturePhotoOutput>& output) const;
  void addOutput(const std::shared_ptr<CapturePhotoOutput>& output);

  void startRunning();
  void stopRunning();
  bool isRunning() const;

  CaptureDeviceInputPtr cameraInput() const;
  std::vector<std::shared_ptr<CapturePhotoOutput>> outputs() const;

 private:
  mutable std::mutex mu_;
  std::string preset_ = kCaptureSessionPresetHigh;
  CaptureDeviceInputPtr input_;
  std::vector<std::shared_ptr<CapturePhotoOutput>> outputs_;
  bool running_ = false;
};

}  // namespace avfoundation
