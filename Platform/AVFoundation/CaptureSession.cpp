#include "Platform/AVFoundation/CaptureSession.h"

#include <algorithm>

namespace avfoundation {

void CaptureSession::setSessionPreset(std::string preset) {
  std::lock_guard<std::mutex> lock(mu_);
  preset_ = std::move(preset);
}

std::string CaptureSession::sessionPreset() const {
  std::lock_guard<std::mutex> lock(mu_);
  return preset_;
}

bool CaptureSession::canAddInput(const CaptureDeviceInputPtr& input) const {
  std::lock_guard<std::mutex> lock(mu_);
  return input && !input_;
}

void CaptureSession::addInput(const CaptureDeviceInputPtr& input) {
  std::lock_guard<std::mutex> lock(mu_);
  if (input && !input_) input_ = input;
}

bool CaptureSession::canAddOutput(const std::shared_ptr<CapturePhotoOutput>& output) const {
  std::lock_guard<std::mutex> lock(mu_);
  return output && !output->session_.lock() && std::find(outputs_.begin(), outputs_.end(), output) == outputs_.end();
}

void CaptureSession::addOutput(const std::shared_ptr<CapturePhotoOutput>& output) {
  if (!canAddOutput(output)) return;
  std::lock_guard<std::mutex> lock(mu_);
  output->session_ = weak_from_this();
  outputs_.push_back(output);
}

void CaptureSession::startRunning() {
  std::lock_guard<std::mutex> lock(mu_);
  running_ = true;
}

void CaptureSession::stopRunning() {
  std::lock_guard<std::mutex> lock(mu_);
  running_ = false;
}

bool CaptureSession::isRunning() const {
  std::lock_guard<std::mutex> lock(mu_);
  return running_;
}

CaptureDeviceInputPtr CaptureSession::cameraInput() const {
  std::lock_guard<std::mutex> lock(mu_);
  return input_;
}

std::vector<std::shared_ptr<CapturePhotoOutput>> CaptureSession::outputs() const {
  std::lock_guard<std::mutex> lock(mu_);
  return outputs_;
}

}  // namespace avfoundation
