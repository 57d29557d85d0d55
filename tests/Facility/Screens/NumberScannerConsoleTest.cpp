// The vehicle lookup driven through the console, as the facility dashboard
// hosts it: a camera folder with a plate photo, the owner popup, the
// confirmation and the pop back to the root, all on the test's manual clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

#include "Facility/Screens/NumberScannerVC.h"
#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Facility/Screens/AccessScreensFixture.h"
#include "tests/support/PlateRenderer.h"
#include "tests/support/ScriptedTextRecognizer.h"

namespace screens_test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNotifyPath = "/api/FindVehicle/SendNotification";

class NumberScannerConsoleTest : public AccessScreensFixture {
 protected:
  void SetUp() override {
    AccessScreensFixture::SetUp();
    camera_ = fs::temp_directory_path() / ("number-scanner-console-" + std::to_string(::getpid()));
    fs::remove_all(camera_);
    fs::create_directories(camera_);
  }
  void TearDown() override {
    ::unsetenv(avfoundation::CaptureDevice::kSourceVariable);
    fs::remove_all(camera_);
    AccessScreensFixture::TearDown();
  }
  fs::path camera_;
};

TEST_F(NumberScannerConsoleTest, CaptureSendAndNotifyEndOnTheRoot) {
  ASSERT_TRUE(facility_test::PlateRenderer::writeJpeg("MH 12 AB 1234", (camera_ / "1.jpg").string(),
                                                      facility_test::CanvasSize{1280, 960})
                  .ok());
  ::setenv(avfoundation::CaptureDevice::kSourceVariable, camera_.c_str(), 1);
  // The engine's reading of plates has its own table; here the text is given.
  facility_test::ScriptedTextRecognizer::Installed scripted;
  scripted.recognizer->answerLines({"MH 12 AB 1234"});
  server_.setJsonReply(kLookupPath, R"({"IsSuccess":true,"VehicleNumber":"MH12AB1234","EmpList":[)"
                                    R"({"EmpName":"First Owner","TenantName":"Acme","MobileNo":"9876543210"}]})");
  server_.setJsonReply(kNotifyPath, R"({"IsSuccess":true,"Message":"Owner notified"})");

  connect();
  auto nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
  delegate()->window()->setRootViewController(nav);
  pump();
  auto screen = std::dynamic_pointer_cast<NumberScannerVC>(
      Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "NumberScannerVC"));
  ASSERT_TRUE(screen);
  ASSERT_TRUE(nav->pushViewController(screen, false));
  pump();

  std::ostringstream out;
  uikit::ConsoleDriver driver(out, delegate()->window(), clock_);
  std::istringstream script(R"(dump
expect screen: NumberScannerVC
tap camera
# The hint's presentation ends before its button is pressed.
wait 0.5
dump
expect alert: "Alert"
alert OK
wait 0.5
dump
expect text="MH 12 AB 1234"
tap Send
wait 0.5
dump
expect screen: ScanResultPopupVC
expect Label "Acme"
expect Label "9876543210"
tap Send Notification
wait 4
dump
expect screen: ViewController
quit
)");
  const int failures = driver.run(script);
  EXPECT_EQ(failures, 0) << out.str();
  EXPECT_FALSE(driver.stopped()) << out.str();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->presentedViewController(), nullptr);
  // The number as read, then the owner's record as the lookup gave it.
  auto lookups = requestsTo(kLookupPath);
  ASSERT_EQ(lookups.size(), 1u);
  EXPECT_EQ(bodyOf(lookups[0])["VehicleNumber"], "MH 12 AB 1234");
  auto notices = requestsTo(kNotifyPath);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(bodyOf(notices[0])["VehicleNumber"], "MH12AB1234");
  EXPECT_EQ(bodyOf(notices[0])["TenantName"], "Acme");
}

}  // namespace
}  // namespace screens_test
