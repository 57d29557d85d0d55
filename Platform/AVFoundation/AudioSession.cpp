#include "Platform/AVFoundation/AudioSession.h"

namespace avfoundation {

AudioSession& AudioSession::sharedInstance() {
  static AudioSession* session = new AudioSession();  // lives to the end of the process
  return *session;
}

platform::Status AudioSession::setCategory(const std::string& category, const std::string& mode, unsigned options) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!failure_.ok()) return failure_;
  category_ = category;
  mode_ = mode;
  options_ = options;
  return platform::Status::OK();
}

std::string AudioSession::category() const {
  std::lock_guard<std::mutex> lock(mu_);
  return category_;
}

std::string AudioSession::mode() const {
  std::lock_guard<std::mutex> lock(mu_);
  return mode_;
}

unsigned AudioSession::categoryOptions() const {
  std::lock_guard<std::mutex> lock(mu_);
  return options_;
}

void AudioSession::setFailure(platform::Status failure) {
  std::lock_guard<std::mutex> lock(mu_);
  failure_ = std::move(failure);
}

void AudioSession::reset() {
  std::lock_guard<std::mutex> lock(mu_);
  category_ = kAudioSessionCategorySoloAmbient;
  mode_ = kAudioSessionModeDefault;
  options_ = 0;
  failure_ = platform::Status::OK();
}

}  // namespace avfoundation
