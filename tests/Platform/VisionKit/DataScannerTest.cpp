#include <sstream>
#include <string>
#include <vector>

#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/VisionKit/DataScannerViewController.h"
#include "Platform/VisionKit/ScanCommand.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace visionkit {
namespace {

using Items = std::vector<std::string>;

// Writes each callback as "added|all" with items as "t:<text>", "b:<code>"
// or "o".
class Recorder : public DataScannerViewControllerDelegate {
 public:
  void dataScannerDidAdd(DataScannerViewController& scanner, const std::vector<RecognizedItem>& added,
                         const std::vector<RecognizedItem>& all) override {
    calls.push_back(describe(added) + "|" + describe(all));
    if (stopOnFirst) scanner.stopScanning();
  }
  static std::string describe(const std::vector<RecognizedItem>& items) {
    std::string s;
    for (const auto& i : items) {
      if (!s.empty()) s += ",";
      s += i.kind == RecognizedItem::Kind::kText ? "t:" + i.transcript
           : i.kind == RecognizedItem::Kind::kBarcode ? "b:" + i.payload : std::string("o");
    }
    return s;
  }
  std::vector<std::string> calls;
  bool stopOnFirst = false;
};

class DataScannerTest : public uikit::testing::UIKitFixture {
 protected:
  void TearDown() override {
    DataScannerViewController::resetDevice();
    UIKitFixture::TearDown();
  }
  static DataScannerViewController::Options textOnly() {
    DataScannerViewController::Options o;
    o.recognizedDataTypes = {RecognizedDataType::text()};
    return o;
  }
};

TEST_F(DataScannerTest, ReportsOnlyWhileScanningAndOnlyTheKindsAskedFor) {
  auto scanner = std::make_shared<DataScannerViewController>(textOnly());
  auto recorder = std::make_shared<Recorder>();
  scanner->setDelegate(recorder);
  EXPECT_FALSE(scanner->recognize({RecognizedItem::text("before")}));
  ASSERT_TRUE(scanner->startScanning().ok());
  EXPECT_TRUE(scanner->recognize({RecognizedItem::text("MH12"), RecognizedItem::barcode("123")}));
  EXPECT_FALSE(scanner->recognize({RecognizedItem::barcode("456")}));
  EXPECT_TRUE(scanner->recognize({RecognizedItem::other(), RecognizedItem::text("AB 1234")}));
  scanner->stopScanning();
  EXPECT_FALSE(scanner->recognize({RecognizedItem::text("after")}));
  EXPECT_EQ(recorder->calls, (Items{"t:MH12|t:MH12", "o,t:AB 1234|t:MH12,o,t:AB 1234"}));
  // A new start forgets what the last run saw.
  ASSERT_TRUE(scanner->startScanning().ok());
  EXPECT_TRUE(scanner->recognize({RecognizedItem::text("again")}));
  EXPECT_EQ(recorder->calls.back(), "t:again|t:again");
}

TEST_F(DataScannerTest, DeviceStateDecidesWhetherScanningStarts) {
  struct Case {
    bool supported, available;
    std::optional<platform::Status> injected;
    platform::Status::Code expected;
  };
  const Case cases[] = {
      {true, true, std::nullopt, platform::Status::Code::kOk},
      {false, true, std::nullopt, platform::Status::Code::kNotSupported},
      {true, false, std::nullopt, platform::Status::Code::kFailedPrecondition},
      {true, true, platform::Status::IOError("camera busy"), platform::Status::Code::kIOError},
  };
  for (const auto& c : cases) {
    DataScannerViewController::setSupported(c.supported);
    DataScannerViewController::setAvailable(c.available);
    DataScannerViewController::setStartScanningError(c.injected);
    EXPECT_EQ(DataScannerViewController::isSupported(), c.supported);
    EXPECT_EQ(DataScannerViewController::isAvailable(), c.available);
    auto scanner = std::make_shared<DataScannerViewController>(textOnly());
    EXPECT_EQ(scanner->startScanning().code(), c.expected);
    EXPECT_EQ(scanner->isScanning(), c.expected == platform::Status::Code::kOk);
  }
  DataScannerViewController::resetDevice();
  EXPECT_TRUE(DataScannerViewController::isSupported() && DataScannerViewController::isAvailable());
}

TEST_F(DataScannerTest, OptionsAreKeptAsGiven) {
  DataScannerViewController::Options o;
  o.recognizedDataTypes = {RecognizedDataType::text({"en-US"}, "licensePlate"), RecognizedDataType::barcode()};
  o.qualityLevel = QualityLevel::kFast;
  o.recognizesMultipleItems = true;
  o.isPinchToZoomEnabled = true;
  auto scanner = std::make_shared<DataScannerViewController>(o);
  ASSERT_EQ(scanner->options().recognizedDataTypes.size(), 2u);
  EXPECT_EQ(scanner->options().recognizedDataTypes[0].languages, (Items{"en-US"}));
  EXPECT_EQ(scanner->options().recognizedDataTypes[0].textContentType, "licensePlate");
  EXPECT_EQ(scanner->options().recognizedDataTypes[1].kind, RecognizedDataType::Kind::kBarcode);
  EXPECT_EQ(scanner->options().qualityLevel, QualityLevel::kFast);
  EXPECT_TRUE(scanner->options().recognizesMultipleItems);
  EXPECT_TRUE(scanner->options().isPinchToZoomEnabled);
}

// "scan" reaches the scanner that is scanning on screen, and only it: not
// one off screen, not one that stopped, not one being dismissed.
TEST_F(DataScannerTest, ScanCommandFeedsTheScannerOnScreen) {
  auto root = std::make_shared<uikit::ViewController>();
  show(root);
  std::ostringstream out;
  uikit::ConsoleDriver driver(out, window, clock);
  ASSERT_TRUE(ScanCommand::registerWith(driver));
  EXPECT_NE(driver.help().find(ScanCommand::kHelp), std::string::npos);

  auto offScreen = std::make_shared<DataScannerViewController>(textOnly());
  auto offRecorder = std::make_shared<Recorder>();
  offScreen->setDelegate(offRecorder);
  ASSERT_TRUE(offScreen->startScanning().ok());
  EXPECT_TRUE(driver.execute("scan MH12AB1234"));
  EXPECT_NE(out.str().find("error: no live scanner is scanning on screen"), std::string::npos);

  auto scanner = std::make_shared<DataScannerViewController>(textOnly());
  auto recorder = std::make_shared<Recorder>();
  recorder->stopOnFirst = true;
  scanner->setDelegate(recorder);
  ASSERT_TRUE(root->present(scanner, true));
  ASSERT_TRUE(scanner->startScanning().ok());
  out.str("");
  EXPECT_TRUE(driver.execute("scan MH 12 AB 1234"));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(recorder->calls, (Items{"t:MH 12 AB 1234|t:MH 12 AB 1234"}));
  // The delegate stopped it: a second scan finds no scanner.
  EXPECT_TRUE(driver.execute("scan AB12"));
  EXPECT_EQ(recorder->calls.size(), 1u);
  ASSERT_TRUE(scanner->startScanning().ok());
  runFor(0.3);
  ASSERT_TRUE(scanner->dismiss(true));
  EXPECT_TRUE(driver.execute("scan AB12"));
  EXPECT_EQ(recorder->calls.size(), 1u);
  EXPECT_TRUE(driver.execute("scan"));
  EXPECT_TRUE(offRecorder->calls.empty());
  std::istringstream none("");
  EXPECT_EQ(driver.run(none), 4);
}

}  // namespace
}  // namespace visionkit
