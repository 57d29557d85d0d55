#include "Platform/AVFoundation/CaptureDevice.h"

#include <cstdlib>

namespace avfoundation {

CaptureDevicePtr CaptureDevice::defaultDevice(CaptureDeviceType type, MediaType mediaType,
                                              CaptureDevicePosition position) {
  if (type != CaptureDeviceType::kBuiltInWideAngleCamera || mediaType != MediaType::kVideo ||
      position != CaptureDevicePosition::kBack) {
    return nullptr;
  }
  const char* folder = std::getenv(kSourceVariable);
  if (!folder || !*folder) return nullptr;
  return std::make_shared<CaptureDevice>(folder);
}

}  // namespace avfoundation
