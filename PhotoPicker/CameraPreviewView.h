// The camera screen's full-size preview: a view backed by a video preview
// layer that shows the view's session.
#pragma once

#include <memory>

#include "Platform/AVFoundation/CaptureSession.h"
#include "Platform/AVFoundation/CaptureVideoPreviewLayer.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class CameraPreviewView : public uikit::View {
 public:
  CameraPreviewView() = default;
  explicit CameraPreviewView(const uikit::Rect& frame) : uikit::View(frame) {}

  // The session the preview layer is to show. The layer is made on first use
  // and keeps the session it was made with, so set this before the view
  // joins a hierarchy.
  std::shared_ptr<avfoundation::CaptureSession> session;

  // The backing layer, typed.
  std::shared_ptr<avfoundation::CaptureVideoPreviewLayer> videoPreviewLayer() const;

 protected:
  uikit::LayerPtr makeLayer() const override;
};

}  // namespace photopicker
