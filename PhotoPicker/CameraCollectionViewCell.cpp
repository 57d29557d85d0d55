#include "PhotoPicker/CameraCollectionViewCell.h"

#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/AVFoundation/CaptureDeviceInput.h"

namespace photopicker {

CameraCollectionViewCell::CameraCollectionViewCell(const uikit::Rect& frame)
    : uikit::CollectionViewCell(frame),
      imageView_(std::make_shared<uikit::ImageView>()),
      cameraBackground_(std::make_shared<uikit::View>()),
      sessionQueue_(platform::DispatchQueue::create(kSessionQueueLabel)) {
  auto content = contentView();
  for (const auto& v : {cameraBackground_, std::static_pointer_cast<uikit::View>(imageView_)}) {
    v->setFrame(content->bounds());
    v->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  }
  imageView_->setContentMode(uikit::ContentMode::kCenter);
  content->addSubview(cameraBackground_);
  content->addSubview(imageView_);
  setUpCapture();
}

void CameraCollectionViewCell::setUpCapture() {
  using avfoundation::CaptureDevice;
  if (CaptureDevice::authorizationStatusForMediaType(avfoundation::MediaType::kVideo) !=
      avfoundation::AuthorizationStatus::kAuthorized) {
    return;
  }
  session_ = avfoundation::CaptureSession::create();
  session_->setSessionPreset(kSessionPresetMedium);
  auto device = CaptureDevice::defaultDevice(avfoundation::CaptureDeviceType::kBuiltInWideAngleCamera,
                                             avfoundation::MediaType::kVideo,
                                             avfoundation::CaptureDevicePosition::kBack);
  auto input = avfoundation::CaptureDeviceInput::deviceInputWithDevice(device);
  if (!input.ok()) {
    session_.reset();
    return;
  }
  session_->addInput(input.value());
  captureLayer_ = std::make_shared<avfoundation::CaptureVideoPreviewLayer>(session_);
  captureLayer_->setFrame(bounds());
  captureLayer_->videoGravity = avfoundation::kLayerVideoGravityResizeAspectFill;
  cameraBackground_->layer().addSublayer(captureLayer_);
}

void CameraCollectionViewCell::layoutSubviews() {
  uikit::CollectionViewCell::layoutSubviews();
  if (captureLayer_) captureLayer_->setFrame(bounds());
}

}  // namespace photopicker
