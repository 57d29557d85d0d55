#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "Facility/Screens/NumberScannerVC.h"
#include "Facility/Screens/ScanResultFailedPopupVC.h"
#include "Facility/Screens/ScanResultPopupVC.h"
#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/Vision/TesseractTextRecognizer.h"
#include "tests/Facility/Screens/AccessScreensFixture.h"
#include "tests/support/PlateRenderer.h"
#include "tests/support/ScriptedTextRecognizer.h"

namespace screens_test {
namespace {

namespace fs = std::filesystem;
using facility_test::PlateRenderer;
using facility_test::ScriptedTextRecognizer;

class NumberScannerTest : public AccessScreensFixture {
 protected:
  void SetUp() override {
    AccessScreensFixture::SetUp();
    camera_ = fs::temp_directory_path() / ("number-scanner-" + std::to_string(::getpid()));
    fs::remove_all(camera_);
    fs::create_directories(camera_);
  }
  void TearDown() override {
    screen.reset();
    nav.reset();
    ::unsetenv(avfoundation::CaptureDevice::kSourceVariable);
    fs::remove_all(camera_);
    AccessScreensFixture::TearDown();
  }

  // Plates as make-plate writes them, centred on a photo-sized canvas.
  void addPlate(const std::string& name, const std::string& text) {
    ASSERT_TRUE(PlateRenderer::writeJpeg(text, (camera_ / name).string(), facility_test::CanvasSize{1280, 960}).ok());
  }
  void useCamera() { ::setenv(avfoundation::CaptureDevice::kSourceVariable, camera_.c_str(), 1); }

  void open(const std::string& number = "", const std::function<void(NumberScannerVC&)>& beforeLoad = nullptr) {
    connect();
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    delegate()->window()->setRootViewController(nav);
    pump();
    screen = make<NumberScannerVC>(StoryboardName::facilityAdmin, "NumberScannerVC");
    ASSERT_TRUE(screen);
    screen->vehicleNumber = number;
    if (beforeLoad) beforeLoad(*screen);
    ASSERT_TRUE(nav->pushViewController(screen, false));
    pump();
  }

  void capture() {
    screen->btnCamera.lock()->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
    pump();
  }

  std::string fieldText() { return field()->text().value_or("<none>"); }
  std::shared_ptr<uikit::TextField> field() { return screen->txtNumberPlate.lock(); }
  bool sendShown() { return field()->rightView() && field()->rightViewMode == uikit::TextFieldViewMode::kAlways; }
  std::shared_ptr<uikit::Button> sendButton() {
    auto container = field()->rightView();
    return container && !container->subviews().empty()
               ? std::dynamic_pointer_cast<uikit::Button>(container->subviews().front())
               : nullptr;
  }

  std::vector<std::string> lookups() {
    std::vector<std::string> out;
    for (const auto& r : requestsTo(kLookupPath)) {
      auto body = bodyOf(r);
      out.push_back(body.count("VehicleNumber") ? body["VehicleNumber"] : "<absent>");
    }
    return out;
  }


  fs::path camera_;
  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<NumberScannerVC> screen;
};

TEST_F(NumberScannerTest, PlatePhotosFillTheFieldExactlyAndTheHintComesOnce) {
  addPlate("1.jpg", "MH 12 AB 1234");
  addPlate("2.jpg", "DL 3C AY 0075");
  addPlate("3.jpg", "TN 09 BX 8841");
  addPlate("4.jpg", "mh 12 ab 1234");
  addPlate("5.jpg", "");
  useCamera();
  open();
  ASSERT_TRUE(screen->stillImageOutput);
  EXPECT_TRUE(screen->btnCamera.lock()->isEnabled());
  EXPECT_FALSE(sendShown());

  capture();
  runFor(0.5);  // the hint's presentation
  EXPECT_EQ(fieldText(), "MH 12 AB 1234");
  EXPECT_TRUE(sendShown());
  auto hint = alertOnScreen();
  ASSERT_TRUE(hint);
  EXPECT_EQ(hint->alertTitle().value_or(""), "Alert");
  EXPECT_EQ(hint->message(), NumberScannerVC::kEditHint);
  ASSERT_EQ(hint->actions().size(), 1u);
  ASSERT_TRUE(hint->pressActionWithTitle("OK"));
  runFor(0.5);
  const auto* shake = field()->rightView()->layer().animationForKey("position");
  ASSERT_NE(shake, nullptr) << "OK shakes the Send button";
  EXPECT_DOUBLE_EQ(shake->duration, 0.05);
  EXPECT_DOUBLE_EQ(shake->repeatCount, 5);
  EXPECT_TRUE(shake->autoreverses);
  const uikit::Point centre = field()->rightView()->center();
  EXPECT_EQ(std::get<uikit::Point>(*shake->fromValue), (uikit::Point{centre.x - 5, centre.y}));
  EXPECT_EQ(std::get<uikit::Point>(*shake->toValue), (uikit::Point{centre.x + 5, centre.y}));

  const std::vector<std::string> expected = {"DL 3C AY 0075", "TN 09 BX 8841", "mh 12 ab 1234",
                                             "mh 12 ab 1234" /* blank plate */};
  for (int round = 0; round < 2; ++round) {
    for (const auto& text : expected) {
      capture();
      EXPECT_EQ(fieldText(), text) << "round " << round;
      EXPECT_EQ(alertOnScreen(), nullptr) << "the hint is shown once per screen";
    }
    if (round == 0) {
      capture();  // the folder wraps to the first plate
      EXPECT_EQ(fieldText(), "MH 12 AB 1234");
    }
  }
}

TEST_F(NumberScannerTest, CameraProblemsArePrintedAndLeaveNoPhotoOutput) {
  {
    platform::LogCapture log;
    open();
    EXPECT_TRUE(log.contains("No camera found."));
    EXPECT_FALSE(screen->stillImageOutput);
    EXPECT_FALSE(screen->btnCamera.lock()->isEnabled()) << "nothing to take photos with";
    EXPECT_TRUE(screen->scannerView.lock()->layer().sublayers().empty()) << "no preview";
  }
  screen.reset();
  ::setenv(avfoundation::CaptureDevice::kSourceVariable, (camera_ / "missing").c_str(), 1);
  platform::LogCapture log;
  open();
  EXPECT_TRUE(log.contains("Error: The camera source"));
  EXPECT_FALSE(screen->stillImageOutput);
}

TEST_F(NumberScannerTest, MissingLanguageDataPrintsTheErrorAndKeepsTheField) {
  addPlate("1.jpg", "MH 12 AB 1234");
  useCamera();
  open();
  field()->setText(std::string("KEEP 1"));
  vision::TesseractTextRecognizer::setDataFolder("/nonexistent/tessdata");
  platform::LogCapture log;
  capture();
  vision::TesseractTextRecognizer::setDataFolder("");
  EXPECT_TRUE(log.contains("Error: Text recognition is unavailable: language data 'eng' could not be loaded"));
  EXPECT_EQ(fieldText(), "KEEP 1");
  EXPECT_EQ(alertOnScreen(), nullptr);
}

TEST_F(NumberScannerTest, ScriptedOutcomesTheEngineCannotGiveOnDemand) {
  addPlate("1.jpg", "ANY");
  useCamera();
  ScriptedTextRecognizer::Installed scripted;
  scripted.recognizer->answerCompletionError("recognition broke");
  scripted.recognizer->answerObservations({vision::VNRecognizedTextObservation()});
  scripted.recognizer->answerObservations(
      {vision::VNRecognizedTextObservation(), vision::VNRecognizedTextObservation({{"ka 05 mn 77", 0.3f}}),
       vision::VNRecognizedTextObservation({{"later line", 0.9f}})});
  open();
  field()->setText(std::string("BEFORE"));
  platform::LogCapture log;
  capture();
  EXPECT_TRUE(log.contains("Error: recognition broke"));
  EXPECT_EQ(fieldText(), "BEFORE");
  capture();
  EXPECT_EQ(fieldText(), "BEFORE") << "no candidate in any observation";
  EXPECT_EQ(alertOnScreen(), nullptr);
  capture();
  EXPECT_EQ(fieldText(), "ka 05 mn 77") << "the first observation that has a candidate";
  EXPECT_EQ(scripted.recognizer->lastWidth(), 1280) << "the photo's bitmap";
  EXPECT_NE(alertOnScreen(), nullptr);
}

TEST_F(NumberScannerTest, EditModeShowsNoCameraAndNoHint) {
  addPlate("1.jpg", "MH 12 AB 1234");
  useCamera();
  open("GJ 01 XY 9999");
  EXPECT_EQ(fieldText(), "GJ 01 XY 9999");
  EXPECT_TRUE(sendShown());
  EXPECT_TRUE(screen->btnCamera.lock()->isHidden());
  EXPECT_TRUE(screen->firstView.lock()->isHidden());
  EXPECT_FALSE(screen->lblScannedNumber.lock()->isHidden());
  EXPECT_EQ(screen->lblScannedNumber.lock()->text().value_or(""), "GJ 01 XY 9999");
  EXPECT_FALSE(screen->captureSession) << "no camera session in edit mode";
  EXPECT_EQ(alertOnScreen(), nullptr);
}

TEST_F(NumberScannerTest, PreviewScaleIsOneWithoutAPreferredSize) {
  struct Case {
    uikit::Size scanner, preferred;
    double scale;
  };
  for (const Case& c : {Case{{300, 200}, {300, 200}, 1}, Case{{300, 200}, {150, 50}, 4},
                        Case{{300, 200}, {0, 0}, 1}, Case{{0, 0}, {0, 0}, 1}, Case{{300, 200}, {100, 0}, 1},
                        Case{{300, 200}, {-5, 10}, 1}}) {
    double s = NumberScannerVC::previewScale(c.scanner, c.preferred);
    EXPECT_TRUE(std::isfinite(s));
    EXPECT_DOUBLE_EQ(s, c.scale) << c.preferred.width << "x" << c.preferred.height;
  }
  // A zero-sized scanner view gives a zero-sized preview layer: no transform.
  addPlate("1.jpg", "MH 12 AB 1234");
  useCamera();
  open("", [](NumberScannerVC& vc) { vc.scannerView.lock()->setFrame(uikit::Rect(0, 0, 0, 0)); });
  ASSERT_TRUE(screen->previewLayer);
  EXPECT_EQ(screen->previewLayer->videoGravity, avfoundation::kLayerVideoGravityResizeAspectFill);
  EXPECT_EQ(screen->previewLayer->frame(), screen->scannerView.lock()->bounds());
  EXPECT_EQ(screen->scannerView.lock()->transform(), uikit::AffineTransform::identity());
}

TEST_F(NumberScannerTest, SendLooksUpTheFieldAsIsAndTheOwnerPopupLeadsBackToTheRoot) {
  server_.setJsonReply(kLookupPath,
                       R"({"IsSuccess":true,"VehicleNumber":"MH12AB1234","EmpList":[)"
                       R"({"EmpName":"First Owner","TenantName":"Acme"},{"EmpName":"Second"},{"EmpName":"Third"}]})");
  server_.setJsonReply("/api/FindVehicle/SendNotification", R"({"IsSuccess":true,"Message":"Owner notified"})");
  open("mh 12 ab 1234 ");
  platform::LogCapture log;
  sendButton()->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  ASSERT_TRUE(settleUntil([&] { return std::dynamic_pointer_cast<ScanResultPopupVC>(screen->presentedViewController()) != nullptr; }));
  EXPECT_TRUE(log.contains("Send button tapped!"));
  EXPECT_EQ(lookups(), std::vector<std::string>{"mh 12 ab 1234 "}) << "sent unchanged";
  auto owner = std::dynamic_pointer_cast<ScanResultPopupVC>(screen->presentedViewController());
  ASSERT_TRUE(owner->objEmp);
  EXPECT_EQ(owner->objEmp->empName.value_or(""), "First Owner") << "the first record only";
  EXPECT_EQ(owner->vehicleNumber, "MH12AB1234");
  EXPECT_EQ(owner->modalPresentationStyle, uikit::ModalPresentationStyle::kOverCurrentContext);
  EXPECT_EQ(owner->modalTransitionStyle, uikit::ModalTransitionStyle::kCrossDissolve);
  runFor(0.5);
  owner->actionSendNotification();
  // The confirmation shows for 2.5 s and then the stack pops to its root.
  ASSERT_TRUE(settleUntil([&] { return nav->viewControllers().size() == 1; }));
}

TEST_F(NumberScannerTest, NotFoundScanAgainEmptiesTheFieldAndSendStillSendsIt) {
  server_.setJsonReply(kLookupPath, R"({"IsSuccess":false,"Message":"Vehicle not registered"})");
  open("XX 00");
  sendButton()->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  ASSERT_TRUE(settleUntil([&] { return std::dynamic_pointer_cast<ScanResultFailedPopupVC>(screen->presentedViewController()) != nullptr; }));
  auto failed = std::dynamic_pointer_cast<ScanResultFailedPopupVC>(screen->presentedViewController());
  EXPECT_EQ(failed->faildMessage, "Vehicle not registered");
  EXPECT_FALSE(failed->actionAddManually) << "left unset";
  runFor(0.5);
  failed->scanAgainTapped();
  ASSERT_TRUE(settleUntil([&] { return screen->presentedViewController() == nullptr; }));
  pump();
  EXPECT_EQ(fieldText(), "");
  EXPECT_TRUE(sendShown()) << "emptying in code is no edit";
  sendButton()->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  ASSERT_TRUE(settleUntil([&] { return lookups().size() == 2; }));
  EXPECT_EQ(lookups(), (std::vector<std::string>{"XX 00", ""}));
}

TEST_F(NumberScannerTest, EditsToggleSendAndRepliesWithoutOwnerOrBodyShowNoPopup) {
  open("AB 1");
  field()->setText(std::string(""));
  screen->didChange();
  EXPECT_FALSE(sendShown());
  field()->setText(std::string("A"));
  screen->didChange();
  EXPECT_TRUE(sendShown());

  server_.setJsonReply(kLookupPath, R"({"IsSuccess":true,"EmpList":[]})");
  sendButton()->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  ASSERT_TRUE(settleUntil([&] { return lookups().size() == 1 && loaderCalls_.size() >= 1; }));
  runFor(1.0);
  EXPECT_EQ(screen->presentedViewController(), nullptr) << "success without an owner shows nothing";

  server_.setJsonReply(kLookupPath, "not json", 500);
  sendButton()->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  ASSERT_TRUE(settleUntil([&] { return alertOnScreen() != nullptr; }));
  EXPECT_EQ(alertOnScreen()->alertTitle().value_or(""), "Sorry");
}

}  // namespace
}  // namespace screens_test
