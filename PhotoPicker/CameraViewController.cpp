#include "PhotoPicker/CameraViewController.h"

#include "Platform/AVFoundation/CaptureDevice.h"

namespace photopicker {

void CameraViewController::ResumeGate::resumeIfSuspended() {
  if (!suspended) return;
  suspended = false;
  queue->resume();
}

CameraViewController::CameraViewController()
    : captureSession_(avfoundation::CaptureSession::create()),
      previewView_(std::make_shared<CameraPreviewView>()),
      captureSessionQueue_(platform::DispatchQueue::create(kSessionQueueLabel)),
      gate_(std::make_shared<ResumeGate>()) {
  gate_->queue = captureSessionQueue_;
}

CameraViewController::~CameraViewController() {
  std::lock_guard<std::mutex> lock(gate_->mu);
  gate_->screenAlive = false;
  gate_->resumeIfSuspended();
}

void CameraViewController::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  previewView_->session = captureSession_;
  auto root = view();
  previewView_->setFrame(root->bounds());
  previewView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  root->addSubview(previewView_);
  checkCameraAuthorization();
  configureSession();
}

void CameraViewController::checkCameraAuthorization() {
  using avfoundation::CaptureDevice;
  if (CaptureDevice::authorizationStatusForMediaType(avfoundation::MediaType::kVideo) !=
      avfoundation::AuthorizationStatus::kNotDetermined) {
    return;
  }
  {
    std::lock_guard<std::mutex> lock(gate_->mu);
    if (gate_->suspended) return;  // a question is already open
    gate_->suspended = true;
    captureSessionQueue_->suspend();
  }
  CaptureDevice::requestAccessForMediaType(avfoundation::MediaType::kVideo, [gate = gate_](bool granted) {
    if (!granted) return;  // a refusal leaves the queue waiting while the screen lives
    std::lock_guard<std::mutex> lock(gate->mu);
    if (gate->screenAlive) gate->resumeIfSuspended();
  });
}

void CameraViewController::configureSession() {
  // The place for inputs, outputs, start and stop; nothing of the screen is
  // captured, so the unit may outlive it.
  captureSessionQueue_->async([] {});
}

}  // namespace photopicker
