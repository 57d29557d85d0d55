// The camera preview: a layer showing a session. Nothing is drawn; its
// preferred frame size is its bounds size.
#pragma once

#include <memory>
#include <string>

#include "Platform/AVFoundation/CaptureSession.h"
#include "Platform/AVFoundation/LayerVideoGravity.h"
#include "Platform/UIKit/Layer.h"

namespace avfoundation {

enum class CaptureVideoOrientation { kPortrait, kPortraitUpsideDown, kLandscapeRight, kLandscapeLeft };

class CaptureVideoPreviewLayer : public uikit::Layer {
 public:
  explicit CaptureVideoPreviewLayer(std::shared_ptr<CaptureSession> session) : session_(std::move(session)) {}

  const std::shared_ptr<CaptureSession>& session() const { return session_; }
  uikit::Size preferredFrameSize() const { return bounds().size; }

  std::string videoGravity = kLayerVideoGravityResizeAspect;
  // The orientation of the layer's video connection.
  CaptureVideoOrientation videoOrientation = CaptureVideoOrientation::kPortrait;

 private:
  std::shared_ptr<CaptureSession> session_;
};

}  // namespace avfoundation
