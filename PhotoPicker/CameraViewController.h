// The picker's camera screen: a capture session shown full-size, a camera
// permission question when none was decided, and a serial queue for the
// session's work. The capture configuration is empty: no input, no output,
// never started.
#pragma once

#include <memory>
#include <mutex>

#include "PhotoPicker/CameraPreviewView.h"
#include "Platform/AVFoundation/CaptureSession.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/UIKit/ViewController.h"

namespace photopicker {

class CameraViewController : public uikit::ViewController {
 public:
  static constexpr const char* kSessionQueueLabel = "session queue";

  CameraViewController();
  ~CameraViewController() override;

  const std::shared_ptr<avfoundation::CaptureSession>& captureSession() const { return captureSession_; }
  const std::shared_ptr<CameraPreviewView>& previewView() const { return previewView_; }
  const platform::DispatchQueuePtr& captureSessionQueue() const { return captureSessionQueue_; }

  void viewDidLoad() override;

 protected:
  // Asks for camera access when none was decided; the session's queue waits
  // for the answer.
  virtual void checkCameraAuthorization();
  // Queues the capture configuration on the session's queue.
  virtual void configureSession();

 private:
  // The queue's one suspension is lifted exactly once: by a grant that
  // arrives while the screen exists, or else by the screen's destructor (a
  // suspended queue must not be released). The answer may come on any
  // thread, so the choice is made under a lock, and the answer's handler
  // holds this gate rather than the screen.
  struct ResumeGate {
    std::mutex mu;
    platform::DispatchQueuePtr queue;
    bool suspended = false;
    bool screenAlive = true;
    void resumeIfSuspended();
  };

  std::shared_ptr<avfoundation::CaptureSession> captureSession_;
  std::shared_ptr<CameraPreviewView> previewView_;
  platform::DispatchQueuePtr captureSessionQueue_;
  std::shared_ptr<ResumeGate> gate_;
};

}  // namespace photopicker
