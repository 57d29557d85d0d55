#include "PhotoPicker/CameraPreviewView.h"

namespace photopicker {

std::shared_ptr<avfoundation::CaptureVideoPreviewLayer> CameraPreviewView::videoPreviewLayer() const {
  return std::dynamic_pointer_cast<avfoundation::CaptureVideoPreviewLayer>(layerPtr());
}

uikit::LayerPtr CameraPreviewView::makeLayer() const {
  return std::make_shared<avfoundation::CaptureVideoPreviewLayer>(session);
}

}  // namespace photopicker
