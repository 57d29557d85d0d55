// The public operations of the engine, each outcome through the delegate.
#include "BleTestFixture.h"
#include "Facility/BLE+MainMethods/BLETapAndGodDefaultValue.h"
#include "Facility/BLE+MainMethods/DeviceConstant.h"
#include "Facility/Storage/KeychainHelper.h"

namespace {

class OperationsTest : public BleTest {
 protected:
  // A record added by hand, as the discovery callback never admits type 2.
  BLEDevicePtr handMade(const std::string& id, std::optional<platform::Bytes> data) {
    auto peripheral = radio().peripheral(id);
    if (!peripheral) peripheral = std::make_shared<corebluetooth::CBPeripheral>(id);
    std::optional<platform::Value::Dictionary> adv;
    if (data) adv = platform::Value::Dictionary{{corebluetooth::CBAdvertisementDataManufacturerDataKey, *data}};
    auto device = std::make_shared<BLEDevice>(peripheral, adv, -50, 2, std::vector<std::int64_t>{-50, 0, 0, 0, 0},
                                              clock_->now());
    engine_->scannedDevices.push_back(device);
    return device;
  }
  void punch(const std::string& tag = "1", const std::string& id = "") {
    engine_->makePunchWithTagId(tag, 5, 1, 5, id);
    pump();
  }
};

TEST_F(OperationsTest, PunchRequestErrorOrder) {
  // 16 comes before everything, even with no key and no scan.
  punch("12a");
  EXPECT_EQ(delegate_->summary().back(), "bleFailure:16");
  punch("");  // the empty tag is numeric
  EXPECT_EQ(delegate_->summary().back(), "bleFailure:14");
  defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
  punch();
  EXPECT_EQ(delegate_->summary().back(), "bleFailure:12");
  startScanning();
  punch();
  EXPECT_EQ(delegate_->summary().back(), "bleFailure:9");
  addReader("R1", true);
  radio().advertise("R1", Advert(Manufacturer(0x07, 0x1F)), -50);
  defaults().setInteger(1, TarneloBLEKeys::shouldAllowPunch);
  pump();
  ASSERT_EQ(engine_->scannedDevices.size(), 1u);
  punch("1", "UNKNOWN");
  EXPECT_EQ(delegate_->summary().back(), "bleFailure:10");
  EXPECT_EQ(radio().connectCount("R1"), 0);
  // After a stop the central manager is gone again.
  engine_->stopScan();
  punch();
  EXPECT_EQ(delegate_->summary().back(), "bleFailure:12");
}

TEST_F(OperationsTest, KeyIsCopiedBackFromTheKeychain) {
  KeychainHelper::shared().save(kServerKey, DeviceConstant::encryptionKey);
  startScanning();
  delegate_->events.clear();
  punch();
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"bleFailure:9"});
  EXPECT_EQ(defaults().stringObjectForKey(TarneloBLEKeys::encryptionKey), kServerKey);
  engine_->removeKeychain();
  EXPECT_EQ(KeychainHelper::shared().load(DeviceConstant::encryptionKey), std::nullopt);
  EXPECT_EQ(defaults().stringObjectForKey(TarneloBLEKeys::encryptionKey), kServerKey);
  EXPECT_EQ(delegate_->events.size(), 1u);  // removeKeychain reports nothing
}

TEST_F(OperationsTest, UnusableKeyForThisReaderIs14AndBuiltInReadersDoNotNeedOne) {
  defaults().setString("0011", TarneloBLEKeys::encryptionKey);
  startScanning();
  addReader("SRV", false, 0x00, 0x05);
  auto& builtIn = addReader("BI", false, 0x00, 0x00);
  handMade("SRV", Manufacturer(0x03, 0x1F, 0x00, 0x05));
  handMade("BI", Manufacturer(0x03, 0x1F, 0x00, 0x00));
  delegate_->events.clear();
  punch("1", "SRV");
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"bleFailure:14"});
  EXPECT_EQ(radio().connectCount("SRV"), 0);
  punch("1", "BI");
  EXPECT_EQ(builtIn.acceptedCount(), 1);
  EXPECT_EQ(delegate_->summary().back(), "commandSuccess");
}

TEST_F(OperationsTest, FrameThatCannotBeBuiltIs23AndNothingConnects) {
  defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
  startScanning();
  auto& first = addReader("A", false);
  handMade("A", Manufacturer(0x03, 0x1F));
  punch("1", "A");
  EXPECT_EQ(first.acceptedCount(), 1);
  // A reader without manufacturer data must not reuse the previous reader's.
  handMade("NODATA", std::nullopt);
  delegate_->events.clear();
  punch("1", "NODATA");
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"bleFailure:23"});
  EXPECT_EQ(radio().connectCount("NODATA"), 0);
  EXPECT_FALSE(engine_->findScannedDevice("NODATA")->wasPunched);
}

TEST_F(OperationsTest, BothFamiliesGetTheirCharacteristics) {
  defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
  startScanning();
  auto& lumet = addReader("L", false);
  lumet.expect({77, 5, 1, 5});
  handMade("L", Manufacturer(0x02, 0x1F));  // type 2, only reachable by hand
  auto& dorva = addReader("D", true);
  handMade("D", Manufacturer(0x01, 0x1F));
  punch("77", "L");
  punch("77", "D");
  ASSERT_EQ(radio().writes().size(), 2u);
  EXPECT_EQ(radio().writes()[0].characteristic, TarneloBLE::kOtherWrite);
  EXPECT_EQ(radio().writes()[1].characteristic, TarneloBLE::kDorvaWrite);
  EXPECT_EQ(lumet.acceptedCount(), 1);
  EXPECT_EQ(dorva.acceptedCount(), 1);
  EXPECT_FALSE(lumet.received()[0].framed);
  EXPECT_TRUE(dorva.received()[0].framed);
}

TEST_F(OperationsTest, EmptyIdentifierPunchesTheNearest) {
  defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
  startScanning();
  addReader("FAR", false);
  addReader("NEAR", false);
  handMade("FAR", Manufacturer(0x03, 0x1F))->estimateDistance = 2.0;
  handMade("NEAR", Manufacturer(0x03, 0x1F))->estimateDistance = 0.3;
  punch("1", "  \n");
  EXPECT_EQ(radio().connectCount("NEAR"), 1);
  EXPECT_EQ(radio().connectCount("FAR"), 0);
  EXPECT_EQ(engine_->scannedDevices[0]->identifierText(), "FAR");  // the list keeps its order
}

TEST_F(OperationsTest, DeviceListAndVersion) {
  engine_->getDeviceList();
  EXPECT_EQ(delegate_->summary().back(), "listFailure:12");
  startScanning();
  engine_->getDeviceList();
  EXPECT_EQ(delegate_->summary().back(), "listFailure:9");
  storeTapAndGo();
  defaults().setString("", TarneloBLEKeys::tagId);
  radio().advertise("A", Advert(Manufacturer(0x07, 0x1F), "Door A"), -50);
  radio().advertise("B", Advert(Manufacturer(0x07, 0x1F)), -50);
  pump();
  radio().advertise("A", Advert(Manufacturer(0x07, 0x1F), "Door A"), -60);
  pump();
  engine_->getDeviceList();
  ASSERT_EQ(delegate_->events.back().kind, "listSuccess");
  EXPECT_EQ(delegate_->events.back().message, "Device list fetched successfully");
  std::vector<BLEDeviceEntry> expected{{{"device_name", ""}, {"unique_id", "B"}},
                                       {{"device_name", "Door A"}, {"unique_id", "A"}}};
  EXPECT_EQ(delegate_->events.back().devices, expected);
  engine_->getSdkVersion();
  EXPECT_EQ(delegate_->events.back().kind, "bleSuccess");
  EXPECT_EQ(delegate_->events.back().message, "1.0");
}

TEST_F(OperationsTest, StopScanKeepsTheSensitivityAndReportsNothing) {
  storeTapAndGo("55", 4, 3, 2, 3);
  startScanning();
  radio().advertise("A", Advert(Manufacturer(0x07, 0x0F)), -50);
  pump();
  ASSERT_FALSE(engine_->scannedDevices.empty());
  auto before = delegate_->events.size();
  engine_->stopScan();
  EXPECT_EQ(delegate_->events.size(), before);
  EXPECT_TRUE(engine_->scannedDevices.empty());
  EXPECT_EQ(engine_->tagId, "");
  EXPECT_EQ(engine_->tapAndGoBoardingFloor, 0);
  EXPECT_EQ(engine_->sensitityLevel, 3);
  EXPECT_EQ(engine_->centralManager, nullptr);
}

TEST_F(OperationsTest, TapAndGoDataTakesTheStoredValues) {
  storeTapAndGo("77", 4, 3, 2, 1);
  engine_->insertTapAndGoDataWithTag("999", 9, 9, 9, 3);
  EXPECT_EQ(delegate_->events.back().message, "Tap and Go data saved successfully");
  EXPECT_EQ(engine_->sensitityLevel, 1);
  EXPECT_EQ(engine_->tagId, "77");
  EXPECT_EQ(engine_->tapAndGoDestinationFloor, 4);
  defaults().setString("7a", TarneloBLEKeys::tagId);
  engine_->insertTapAndGoDataWithTag("1", 1, 1, 1, 1);
  EXPECT_EQ(delegate_->summary().back(), "bleFailure:16");
  EXPECT_EQ(engine_->tagId, "77");

  BLETapAndGodDefaultValue::shared().removeTapAndGoValues();
  for (const char* key : {TarneloBLEKeys::destinationFloor, TarneloBLEKeys::boardingFloor,
                          TarneloBLEKeys::selectedFloor, TarneloBLEKeys::sensitivity, TarneloBLEKeys::shouldAllowPunch})
    EXPECT_FALSE(defaults().objectForKey(key).has_value()) << key;
  EXPECT_TRUE(defaults().objectForKey(TarneloBLEKeys::tagId).has_value());
  EXPECT_TRUE(defaults().objectForKey(TarneloBLEKeys::encryptionKey).has_value());
}

TEST_F(OperationsTest, NoDelegateMeansNoReportAndNoCrash) {
  engine_->setBleManagerDelegate({});
  engine_->makePunchWithTagId("x", 1, 1, 1, "");
  engine_->getDeviceList();
  engine_->getSdkVersion();
  engine_->startScan();
  pump();
  EXPECT_TRUE(delegate_->events.empty());
}

}  // namespace
