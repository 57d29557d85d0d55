#include "Platform/AVFoundation/CapturePhotoOutput.h"

#include "Platform/AVFoundation/CaptureSession.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace avfoundation {

void CapturePhotoOutput::capturePhotoWithSettings(const CapturePhotoSettings& settings,
                                                  const std::weak_ptr<CapturePhotoCaptureDelegate>& delegate) {
  auto self = shared_from_this();
  auto session = session_.lock();
  CaptureDeviceInputPtr input = session ? session->cameraInput() : nullptr;
  auto codec = settings.format().find(kVideoCodecKey);
  bool jpeg = codec == settings.format().end() || codec->second == kVideoCodecTypeJPEG;
  platform::DispatchQueue::main()->async([self, input, jpeg, delegate] {
    auto d = delegate.lock();
    if (!d) return;
    if (!jpeg) {
      d->captureOutputDidFinishProcessingPhoto(*self, CapturePhoto(),
                                               platform::Status::NotSupported("Only JPEG photos can be taken."));
      return;
    }
    if (!input) {
      d->captureOutputDidFinishProcessingPhoto(*self, CapturePhoto(),
                                               platform::Status::FailedPrecondition("No active and enabled video connection."));
      return;
    }
    auto bytes = input->nextPhoto();
    if (!bytes.ok()) {
      d->captureOutputDidFinishProcessingPhoto(*self, CapturePhoto(), bytes.status());
      return;
    }
    d->captureOutputDidFinishProcessingPhoto(*self, CapturePhoto(std::move(bytes).value()), platform::Status::OK());
  });
}

}  // namespace avfoundation
