// Receives the result of a photo capture on the main loop.
#pragma once

#include "Platform/AVFoundation/CapturePhoto.h"
#include "Platform/Foundation/Status.h"

namespace avfoundation {

class CapturePhotoOutput;

class CapturePhotoCaptureDelegate {
 public:
  virtual ~CapturePhotoCaptureDelegate() = default;
  // error is OK on success.
  virtual void captureOutputDidFinishProcessingPhoto(CapturePhotoOutput& output, const CapturePhoto& photo,
                                                     const platform::Status& error) = 0;
};

}  // namespace avfoundation
