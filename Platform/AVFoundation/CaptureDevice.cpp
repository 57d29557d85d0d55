#include "Platform/AVFoundation/CaptureDevice.h"

#include <cstdlib>
#include <mutex>

#include "Platform/Foundation/DispatchQueue.h"

namespace avfoundation {
namespace {

struct Access {
  std::mutex mu;
  AuthorizationStatus current[2] = {AuthorizationStatus::kNotDetermined, AuthorizationStatus::kNotDetermined};
  AuthorizationStatus granted = AuthorizationStatus::kAuthorized;
};

Access& access() {
  static Access* a = new Access();  // lives to the end of the process
  return *a;
}

int slot(MediaType type) { return type == MediaType::kAudio ? 1 : 0; }

const platform::DispatchQueuePtr& accessQueue() {
  static auto* queue = new platform::DispatchQueuePtr(platform::DispatchQueue::create("avfoundation.access"));
  return *queue;
}

}  // namespace

AuthorizationStatus CaptureDevice::authorizationStatusForMediaType(MediaType mediaType) {
  std::lock_guard<std::mutex> lock(access().mu);
  return access().current[slot(mediaType)];
}

void CaptureDevice::requestAccessForMediaType(MediaType mediaType, std::function<void(bool granted)> handler) {
  accessQueue()->async([mediaType, handler = std::move(handler)] {
    AuthorizationStatus answer;
    {
      std::lock_guard<std::mutex> lock(access().mu);
      // An answered question is not asked again.
      auto& current = access().current[slot(mediaType)];
      if (current == AuthorizationStatus::kNotDetermined) current = access().granted;
      answer = current;
    }
    if (handler) handler(answer == AuthorizationStatus::kAuthorized);
  });
}

void CaptureDevice::setGrantedStatus(AuthorizationStatus status) {
  std::lock_guard<std::mutex> lock(access().mu);
  access().granted = status;
}

void CaptureDevice::resetAuthorization() {
  std::lock_guard<std::mutex> lock(access().mu);
  access().current[0] = access().current[1] = AuthorizationStatus::kNotDetermined;
  access().granted = AuthorizationStatus::kAuthorized;
}

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
