#include "PhotoPicker/CameraViewController.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/Foundation/Log.h"

namespace photopicker {
namespace {

using avfoundation::AuthorizationStatus;
using avfoundation::CaptureDevice;

// The permission answer comes on a worker thread: wait for it to have been
// handled, that is for the queue to leave (or keep) its suspension.
bool waitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 2000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

// Whether a unit queued now runs within a short wait.
bool queueRuns(const platform::DispatchQueuePtr& queue) {
  auto ran = std::make_shared<std::atomic<bool>>(false);
  queue->async([ran] { *ran = true; });
  return waitUntil([&] { return ran->load(); });
}

class CameraViewControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { CaptureDevice::resetAuthorization(); }
  void TearDown() override { CaptureDevice::resetAuthorization(); }
};

TEST_F(CameraViewControllerTest, PreviewShowsTheScreensSessionFullSize) {
  CaptureDevice::setGrantedStatus(AuthorizationStatus::kAuthorized);
  auto screen = std::make_shared<CameraViewController>();
  auto root = screen->view();
  ASSERT_EQ(screen->previewView()->superview(), root);
  EXPECT_EQ(screen->previewView()->frame(), root->bounds());
  ASSERT_TRUE(screen->previewView()->videoPreviewLayer());
  EXPECT_EQ(screen->previewView()->videoPreviewLayer()->session(), screen->captureSession());
  EXPECT_FALSE(screen->captureSession()->isRunning());
  EXPECT_EQ(screen->captureSessionQueue()->label(), "session queue");
}

TEST_F(CameraViewControllerTest, AGrantWhileTheScreenLivesResumesTheQueueOnce) {
  platform::LogCapture log;
  CaptureDevice::setGrantedStatus(AuthorizationStatus::kAuthorized);
  auto screen = std::make_shared<CameraViewController>();
  screen->loadViewIfNeeded();
  auto queue = screen->captureSessionQueue();
  ASSERT_TRUE(waitUntil([&] { return !queue->isSuspended(); }));
  EXPECT_TRUE(queueRuns(queue));
  screen.reset();  // the destructor finds nothing left to resume
  EXPECT_FALSE(log.contains("resume")) << ::testing::PrintToString(log.lines());
  EXPECT_FALSE(log.contains("suspended"));
}

TEST_F(CameraViewControllerTest, ARefusalStaysSuspendedUntilTheScreenGoes) {
  platform::LogCapture log;
  CaptureDevice::setGrantedStatus(AuthorizationStatus::kDenied);
  auto screen = std::make_shared<CameraViewController>();
  screen->loadViewIfNeeded();
  auto queue = screen->captureSessionQueue();
  ASSERT_TRUE(waitUntil([] {
    return CaptureDevice::authorizationStatusForMediaType(avfoundation::MediaType::kVideo) ==
           AuthorizationStatus::kDenied;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(queue->isSuspended());
  screen.reset();
  // Resumed by the destructor: the configuration unit and later work run,
  // and the queue is never released suspended nor resumed twice.
  EXPECT_FALSE(queue->isSuspended());
  EXPECT_TRUE(queueRuns(queue));
  EXPECT_FALSE(log.contains("resume")) << ::testing::PrintToString(log.lines());
  EXPECT_FALSE(log.contains("suspended"));
}

TEST_F(CameraViewControllerTest, AnAnswerAfterTheScreenIsGoneResumesNothing) {
  platform::LogCapture log;
  CaptureDevice::setGrantedStatus(AuthorizationStatus::kAuthorized);
  platform::DispatchQueuePtr queue;
  {
    auto screen = std::make_shared<CameraViewController>();
    screen->loadViewIfNeeded();
    queue = screen->captureSessionQueue();
  }
  // Whichever came first, grant or destructor, resumed it; the other did not.
  ASSERT_TRUE(waitUntil([] {
    return CaptureDevice::authorizationStatusForMediaType(avfoundation::MediaType::kVideo) ==
           AuthorizationStatus::kAuthorized;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(queue->isSuspended());
  EXPECT_TRUE(queueRuns(queue));
  EXPECT_FALSE(log.contains("resume")) << ::testing::PrintToString(log.lines());
}

TEST_F(CameraViewControllerTest, ADecidedPermissionAsksNothing) {
  for (auto decided : {AuthorizationStatus::kAuthorized, AuthorizationStatus::kDenied}) {
    CaptureDevice::resetAuthorization();
    CaptureDevice::setGrantedStatus(decided);
    CaptureDevice::requestAccessForMediaType(avfoundation::MediaType::kVideo, [](bool) {});
    ASSERT_TRUE(waitUntil([&] {
      return CaptureDevice::authorizationStatusForMediaType(avfoundation::MediaType::kVideo) == decided;
    }));
    auto screen = std::make_shared<CameraViewController>();
    screen->loadViewIfNeeded();
    EXPECT_FALSE(screen->captureSessionQueue()->isSuspended()) << static_cast<int>(decided);
    EXPECT_TRUE(queueRuns(screen->captureSessionQueue()));
  }
}

}  // namespace
}  // namespace photopicker
