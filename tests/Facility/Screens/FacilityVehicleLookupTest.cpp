#include <string>
#include <vector>

#include "Facility/Screens/NumberScannerVC.h"
#include "Facility/Screens/ScanResultFailedPopupVC.h"
#include "Facility/Screens/ScanResultPopupVC.h"
#include "Facility/Screens/VehicleNumberText.h"
#include "tests/Facility/Screens/FacilityDashboardFixture.h"

namespace screens_test {
namespace {

using visionkit::DataScannerViewController;
using visionkit::RecognizedItem;

constexpr const char* kFound =
    R"({"IsSuccess":true,"VehicleNumber":"MH12AB1234","EmpList":[)"
    R"({"TenantName":"Acme","EmpName":"Ravi","MobileNo":"98"},{"TenantName":"Other","EmpName":"Second"}]})";
constexpr const char* kNotFound = R"({"IsSuccess":false,"Message":"Vehicle not registered"})";

TEST(VehicleNumberTextTest, CleansAndMatchesPlateNumbers) {
  struct Case {
    const char* read;
    const char* cleaned;
    bool plate;
  };
  const Case cases[] = {
      {"mh12ab1234", "MH12AB1234", true},
      {"MH-12 AB 1234", "MH12AB1234", true},
      {"AB12", "AB12", false},
      {"1AB123", "1AB123", false},
      {"AB123", "AB123", true},
      {"AB 12X", "AB12X", false},
      {"KA\xC3\xA9" "05 1234", "KA051234", true},  // a non-ASCII letter is dropped
      {"", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read);
    EXPECT_EQ(VehicleNumberText::clean(c.read), c.cleaned);
    EXPECT_EQ(VehicleNumberText::isPlateNumber(c.cleaned), c.plate);
  }
}

class FacilityVehicleLookupTest : public FacilityDashboardFixture {
 protected:
  void SetUp() override {
    FacilityDashboardFixture::SetUp();
    server_.setJsonReply(kLookupPath, kFound);
  }

  // The scanner button, and the scanner's presentation.
  std::shared_ptr<DataScannerViewController> openScanner() {
    dashboard()->onNavigationButtonTapped(NavigationButtonKind::scanner);
    pump();
    runFor(0.3);
    return std::dynamic_pointer_cast<DataScannerViewController>(presented());
  }
  std::shared_ptr<uikit::ViewController> presented() { return navigation()->presentedViewController(); }
  std::vector<std::string> lookedUp() {
    std::vector<std::string> bodies;
    for (const auto& r : server_.requests()) {
      if (r.path == kLookupPath) bodies.push_back(r.body);
    }
    return bodies;
  }
  // Reads a plate; the scanner leaves and the lookup's reply is handled.
  void readPlate(const std::shared_ptr<DataScannerViewController>& scanner, const std::string& text) {
    ASSERT_TRUE(scanner);
    ASSERT_TRUE(scanner->recognize({RecognizedItem::text(text)}));
    pump();
    runFor(0.3);
    pump();
  }
  // A lookup that failed, up to its popup.
  std::shared_ptr<ScanResultFailedPopupVC> failedLookup() {
    server_.setJsonReply(kLookupPath, kNotFound);
    auto scanner = openScanner();
    readPlate(scanner, "MH12AB1234");
    runFor(0.3);
    return std::dynamic_pointer_cast<ScanResultFailedPopupVC>(presented());
  }
};

TEST_F(FacilityVehicleLookupTest, TheScannerIsSetUpAndOnlyAPlateNumberIsLookedUp) {
  openDashboard();
  auto scanner = openScanner();
  ASSERT_TRUE(scanner);
  EXPECT_TRUE(scanner->isScanning());
  const auto& o = scanner->options();
  ASSERT_EQ(o.recognizedDataTypes.size(), 1u);
  EXPECT_EQ(o.recognizedDataTypes[0].kind, visionkit::RecognizedDataType::Kind::kText);
  EXPECT_EQ(o.qualityLevel, visionkit::QualityLevel::kFast);
  EXPECT_FALSE(o.recognizesMultipleItems);
  EXPECT_TRUE(o.isHighFrameRateTrackingEnabled && o.isPinchToZoomEnabled && o.isGuidanceEnabled &&
              o.isHighlightingEnabled);
  EXPECT_EQ(scanner->modalPresentationStyle, uikit::ModalPresentationStyle::kOverCurrentContext);
  // Not plate numbers: the scanner keeps scanning, nothing is asked.
  for (const char* text : {"AB12", "1AB123"}) {
    ASSERT_TRUE(scanner->recognize({RecognizedItem::text(text)}));
    pump();
  }
  EXPECT_TRUE(scanner->isScanning());
  EXPECT_TRUE(lookedUp().empty());
  // A barcode and the first of two plates in one picture: one lookup.
  ASSERT_TRUE(scanner->recognize({RecognizedItem::other(), RecognizedItem::text("mh-12 ab 1234"),
                                  RecognizedItem::text("KA05XY9876")}));
  pump();
  EXPECT_FALSE(scanner->isScanning());
  EXPECT_EQ(lookedUp(), (std::vector<std::string>{"VehicleNumber=MH12AB1234"}));
}

// On the manual clock the loopback reply always comes while the scanner is
// still leaving: the owner popup waits for that and then shows.
TEST_F(FacilityVehicleLookupTest, AReplyDuringTheScannersDismissalShowsItsPopupAfterwards) {
  openDashboard();
  auto scanner = openScanner();
  ASSERT_TRUE(scanner && scanner->recognize({RecognizedItem::text("MH12AB1234")}));
  ASSERT_TRUE(runUntil([&] { return lookedUp().size() == 1; }));
  pump();
  EXPECT_EQ(presented(), scanner);
  EXPECT_TRUE(scanner->isBeingDismissed());
  runFor(0.3);
  auto popup = std::dynamic_pointer_cast<ScanResultPopupVC>(presented());
  ASSERT_TRUE(popup);
  ASSERT_TRUE(popup->objEmp);
  EXPECT_EQ(popup->objEmp->empName, "Ravi");  // the first employee only
  EXPECT_EQ(popup->vehicleNumber, "MH12AB1234");
  EXPECT_EQ(popup->modalTransitionStyle, uikit::ModalTransitionStyle::kCrossDissolve);
}

TEST_F(FacilityVehicleLookupTest, FailedAndEmptyLookups) {
  openDashboard();
  auto failed = failedLookup();
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->faildMessage, "Vehicle not registered");
  failed->dismiss(false);
  pump();
  server_.setJsonReply(kLookupPath, R"({"IsSuccess":true,"EmpList":[]})");
  readPlate(openScanner(), "MH12AB1234");
  runFor(0.3);
  EXPECT_EQ(presented(), nullptr);
}

// "Sacn Again" twice brings the live scanner back; the third time opens
// the photo scanner with the number and starts counting again.
TEST_F(FacilityVehicleLookupTest, ScanAgainTwiceThenThePhotoScanner) {
  openDashboard();
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    auto popup = failedLookup();
    ASSERT_TRUE(popup);
    popup->scanAgainTapped();
    runFor(0.3);  // the popup leaves
    runFor(0.3);  // the delay before the next step
    runFor(0.3);  // a scanner's presentation
    pump();
    if (round < 3) {
      EXPECT_EQ(dashboard()->failedCount, round);
      auto scanner = std::dynamic_pointer_cast<DataScannerViewController>(presented());
      ASSERT_TRUE(scanner);
      scanner->dismiss(false);
      pump();
    } else {
      EXPECT_EQ(dashboard()->failedCount, 0);
      EXPECT_EQ(presented(), nullptr);
      auto numberScanner = std::dynamic_pointer_cast<NumberScannerVC>(topOfStack());
      ASSERT_TRUE(numberScanner);
      EXPECT_EQ(numberScanner->vehicleNumber, "MH12AB1234");
    }
  }
}

TEST_F(FacilityVehicleLookupTest, AddManuallyOpensThePhotoScannerAndAFoundOwnerKeepsTheCount) {
  openDashboard();
  auto popup = failedLookup();
  ASSERT_TRUE(popup);
  popup->scanAgainTapped();
  runFor(0.9);
  pump();
  ASSERT_EQ(dashboard()->failedCount, 1);
  auto scanner = std::dynamic_pointer_cast<DataScannerViewController>(presented());
  ASSERT_TRUE(scanner);
  EXPECT_TRUE(scanner->isScanning());
  EXPECT_FALSE(scanner->isBeingPresented());
  // A found owner does not reset the count.
  server_.setJsonReply(kLookupPath, kFound);
  readPlate(scanner, "MH12AB1234");
  runFor(0.3);
  EXPECT_EQ(dashboard()->failedCount, 1);
  ASSERT_TRUE(std::dynamic_pointer_cast<ScanResultPopupVC>(presented()));
  presented()->dismiss(false);
  pump();
  popup = failedLookup();
  ASSERT_TRUE(popup);
  popup->addManuallyTapped();
  runFor(0.6);
  pump();
  runFor(0.5);
  auto numberScanner = std::dynamic_pointer_cast<NumberScannerVC>(topOfStack());
  ASSERT_TRUE(numberScanner);
  EXPECT_EQ(numberScanner->vehicleNumber, "MH12AB1234");
  EXPECT_EQ(dashboard()->failedCount, 1);
}

TEST_F(FacilityVehicleLookupTest, TheSystemAndDeviceDecideWhatTheScannerButtonOpens) {
  struct Case {
    const char* version;
    bool supported;
    const char* expected;  // "scanner", "photo" or "nothing"
  };
  const Case cases[] = {
      {"17.0", true, "scanner"},
      {"16.0", true, "scanner"},
      {"15.0", true, "photo"},
      {"16.0", false, "nothing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.version) + (c.supported ? "" : " unsupported"));
    openDashboard();
    auto profile = uikit::Device::current();
    profile.systemVersion = c.version;
    uikit::Device::setCurrent(profile);
    DataScannerViewController::setSupported(c.supported);
    auto scanner = openScanner();
    runFor(0.5);
    const bool photo = std::dynamic_pointer_cast<NumberScannerVC>(topOfStack()) != nullptr;
    const std::string seen = scanner ? "scanner" : photo ? "photo" : presented() ? "other" : "nothing";
    EXPECT_EQ(seen, c.expected);
    if (photo) {
      EXPECT_EQ(std::dynamic_pointer_cast<NumberScannerVC>(topOfStack())->vehicleNumber, "");
    }
    uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
    TearDown();
    SetUp();
  }
}

}  // namespace
}  // namespace screens_test
