// Settings of one photo capture: the format dictionary.
#pragma once

#include <map>
#include <string>

namespace avfoundation {

inline constexpr const char* kVideoCodecKey = "AVVideoCodecKey";
inline constexpr const char* kVideoCodecTypeJPEG = "jpeg";

class CapturePhotoSettings {
 public:
  CapturePhotoSettings() : format_{{kVideoCodecKey, kVideoCodecTypeJPEG}} {}
  static CapturePhotoSettings photoSettingsWithFormat(std::map<std::string, std::string> format) {
    CapturePhotoSettings s;
    s.format_ = std::move(format);
    return s;
  }
  const std::map<std::string, std::string>& format() const { return format_; }

 private:
  std::map<std::string, std::string> format_;
};

}  // namespace avfoundation
