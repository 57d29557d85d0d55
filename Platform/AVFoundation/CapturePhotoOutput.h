// The photo output of a capture session. capturePhoto answers later, on the
// main loop, with the next photo of the session's camera input.
#pragma once

#include <memory>

#include "Platform/AVFoundation/CapturePhotoCaptureDelegate.h"
#include "Platform/AVFoundation/CapturePhotoSettings.h"

namespace avfoundation {

class CaptureSession;

class CapturePhotoOutput : public std::enable_shared_from_this<CapturePhotoOutput> {
 public:
  CapturePhotoOutput() = default;

  // The delegate is held weakly; nothing is told once it is gone. Without a
  // session holding a camera input the answer is an error.
  void capturePhotoWithSettings(const CapturePhotoSettings& settings,
                                const std::weak_ptr<CapturePhotoCaptureDelegate>& delegate);

  std::shared_ptr<CaptureSession> session() const { return session_.lock(); }

 private:
  friend class CaptureSession;
  std::weak_ptr<CaptureSession> session_;
};

}  // namespace avfoundation
