#include "PhotoPicker/CameraCollectionViewCell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "Platform/AVFoundation/CaptureDevice.h"
#include "tests/support/PhotoFixture.h"

namespace photopicker {
namespace {

namespace fs = std::filesystem;
using avfoundation::AuthorizationStatus;
using avfoundation::CaptureDevice;

void grant(AuthorizationStatus status) {
  CaptureDevice::resetAuthorization();
  CaptureDevice::setGrantedStatus(status);
  CaptureDevice::requestAccessForMediaType(avfoundation::MediaType::kVideo, [](bool) {});
  for (int i = 0; i < 2000; ++i) {
    if (CaptureDevice::authorizationStatusForMediaType(avfoundation::MediaType::kVideo) == status) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

class CameraCollectionViewCellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    camera_ = fs::temp_directory_path() / ("camera-cell-" + std::to_string(::getpid()));
    fs::remove_all(camera_);
  }
  void TearDown() override {
    ::unsetenv(CaptureDevice::kSourceVariable);
    CaptureDevice::resetAuthorization();
    fs::remove_all(camera_);
  }
  fs::path camera_;
};

TEST_F(CameraCollectionViewCellTest, APreviewOnlyWithAccessAndACamera) {
  struct Case {
    AuthorizationStatus status;
    bool camera;
    bool preview;
  } cases[] = {
      {AuthorizationStatus::kNotDetermined, true, false},
      {AuthorizationStatus::kDenied, true, false},
      {AuthorizationStatus::kAuthorized, false, false},  // the input cannot be made
      {AuthorizationStatus::kAuthorized, true, true},
  };
  auto photo = facility_test::PhotoFixture::jpeg(facility_test::PhotoFixture::photoLike(32, 24, 1));
  ASSERT_TRUE(facility_test::PhotoFixture::writeFile((camera_ / "1.jpg").string(), photo).ok());
  for (const auto& c : cases) {
    if (c.status == AuthorizationStatus::kNotDetermined) {
      CaptureDevice::resetAuthorization();
    } else {
      grant(c.status);
    }
    if (c.camera) {
      ::setenv(CaptureDevice::kSourceVariable, camera_.c_str(), 1);
    } else {
      ::unsetenv(CaptureDevice::kSourceVariable);
    }
    CameraCollectionViewCell cell(uikit::Rect(0, 0, 100, 100));
    EXPECT_EQ(static_cast<bool>(cell.session()), c.preview) << static_cast<int>(c.status) << c.camera;
    EXPECT_EQ(static_cast<bool>(cell.captureLayer()), c.preview);
    EXPECT_EQ(cell.sessionQueue()->label(), "AVCaptureVideoPreviewLayer");
    if (!c.preview) continue;
    EXPECT_FALSE(cell.session()->isRunning());
    EXPECT_EQ(cell.captureLayer()->session(), cell.session());
    EXPECT_EQ(cell.captureLayer()->videoGravity, avfoundation::kLayerVideoGravityResizeAspectFill);
    EXPECT_EQ(cell.captureLayer()->superlayer(), cell.cameraBackground()->layerPtr());
    EXPECT_EQ(cell.captureLayer()->frame(), uikit::Rect(0, 0, 100, 100));
  }
}

}  // namespace
}  // namespace photopicker
