// A grid cell with a live camera preview. The grid never shows it; its
// session is set up when camera access is authorized and never started.
#pragma once

#include <memory>

#include "Platform/AVFoundation/CaptureSession.h"
#include "Platform/AVFoundation/CaptureVideoPreviewLayer.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/ImageView.h"

namespace photopicker {

class CameraCollectionViewCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kSessionQueueLabel = "AVCaptureVideoPreviewLayer";
  static constexpr const char* kSessionPresetMedium = "AVCaptureSessionPresetMedium";

  explicit CameraCollectionViewCell(const uikit::Rect& frame = uikit::Rect());

  const std::shared_ptr<uikit::ImageView>& imageView() const { return imageView_; }
  const std::shared_ptr<uikit::View>& cameraBackground() const { return cameraBackground_; }
  uikit::ImagePtr takePhotoIcon;
  const std::shared_ptr<avfoundation::CaptureSession>& session() const { return session_; }
  const std::shared_ptr<avfoundation::CaptureVideoPreviewLayer>& captureLayer() const { return captureLayer_; }
  const platform::DispatchQueuePtr& sessionQueue() const { return sessionQueue_; }

  void layoutSubviews() override;

 private:
  void setUpCapture();

  std::shared_ptr<uikit::ImageView> imageView_;
  std::shared_ptr<uikit::View> cameraBackground_;
  std::shared_ptr<avfoundation::CaptureSession> session_;
  std::shared_ptr<avfoundation::CaptureVideoPreviewLayer> captureLayer_;
  platform::DispatchQueuePtr sessionQueue_;
};

}  // namespace photopicker
