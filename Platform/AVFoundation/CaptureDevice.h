// Capture devices. The only camera is the back wide-angle one, and it exists
// only while a camera source is configured: the folder named by the
// environment variable FACILITY_CAMERA, whose JPEG files are the photos it
// takes, in name order, wrapping.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace avfoundation {

enum class CaptureDeviceType { kBuiltInWideAngleCamera, kBuiltInTelephotoCamera, kBuiltInUltraWideCamera };
enum class MediaType { kVideo, kAudio };
enum class CaptureDevicePosition { kUnspecified, kBack, kFront };
enum class AuthorizationStatus : int { kNotDetermined = 0, kRestricted = 1, kDenied = 2, kAuthorized = 3 };

class CaptureDevice;
using CaptureDevicePtr = std::shared_ptr<const CaptureDevice>;

class CaptureDevice {
 public:
  static constexpr const char* kSourceVariable = "FACILITY_CAMERA";

  // None unless a camera source is configured and the request is for the
  // back wide-angle video camera.
  static CaptureDevicePtr defaultDevice(CaptureDeviceType type, MediaType mediaType,
                                        CaptureDevicePosition position);

  // Camera and microphone access: "not determined" until requested; a
  // request answers on a worker thread with the granted status (authorized
  // unless a test sets another), which becomes current. Thread-safe.
  static AuthorizationStatus authorizationStatusForMediaType(MediaType mediaType);
  static void requestAccessForMediaType(MediaType mediaType, std::function<void(bool granted)> handler);
  static void setGrantedStatus(AuthorizationStatus status);
  // Back to "not determined" with authorized as the answer.
  static void resetAuthorization();

  explicit CaptureDevice(std::string sourceFolder) : sourceFolder_(std::move(sourceFolder)) {}
  const std::string& sourceFolder() const { return sourceFolder_; }
  std::string localizedName() const { return "Back Camera"; }

 private:
  std::string sourceFolder_;
};

}  // namespace avfoundation
