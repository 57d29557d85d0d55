// The process's audio session: only its category, mode and options are kept.
// Tests make setting the category fail.
#pragma once

#include <mutex>
#include <string>

#include "Platform/Foundation/Status.h"

namespace avfoundation {

inline constexpr const char* kAudioSessionCategoryAmbient = "AVAudioSessionCategoryAmbient";
inline constexpr const char* kAudioSessionCategorySoloAmbient = "AVAudioSessionCategorySoloAmbient";
inline constexpr const char* kAudioSessionCategoryPlayback = "AVAudioSessionCategoryPlayback";
inline constexpr const char* kAudioSessionModeDefault = "AVAudioSessionModeDefault";

class AudioSession {
 public:
  static AudioSession& sharedInstance();

  // Fails (and changes nothing) while a failure is set.
  platform::Status setCategory(const std::string& category, const std::string& mode, unsigned options);
  std::string category() const;
  std::string mode() const;
  unsigned categoryOptions() const;

  // Tests: every setCategory fails with this until cleared (ok status).
  void setFailure(platform::Status failure);
  // Back to the solo-ambient category and no failure.
  void reset();

 private:
  mutable std::mutex mu_;
  std::string category_ = kAudioSessionCategorySoloAmbient;
  std::string mode_ = kAudioSessionModeDefault;
  unsigned options_ = 0;
  platform::Status failure_;
};

}  // namespace avfoundation
