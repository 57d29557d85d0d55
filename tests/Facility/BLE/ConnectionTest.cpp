// Connection and write: every terminal failure cancels and reports, the
// watchdog, and overlapping punches keeping their own frames.
#include "BleTestFixture.h"

namespace {

using corebluetooth::CBRemoteScript;

class ConnectionTest : public BleTest {
 protected:
  void SetUp() override {
    BleTest::SetUp();
    defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
    startScanning();
  }
  BLEDevicePtr record(const std::string& id, std::uint8_t type = 0x07) {
    auto device = std::make_shared<BLEDevice>(
        radio().peripheral(id),
        platform::Value::Dictionary{{corebluetooth::CBAdvertisementDataManufacturerDataKey, Manufacturer(type, 0x1F)}},
        -50, type, std::vector<std::int64_t>{-50, 0, 0, 0, 0}, clock_->now());
    engine_->scannedDevices.push_back(device);
    return device;
  }
};

TEST_F(ConnectionTest, TerminalFailuresCancelAndReport) {
  struct Case {
    const char* name;
    std::function<void(CBRemoteScript&)> script;
    std::string report;
    bool cancelled;
  };
  const std::vector<Case> cases{
      {"service discovery error", [](CBRemoteScript& s) { s.serviceDiscovery = CBRemoteScript::Answer::fail; },
       "bleFailure:22", true},
      {"no write characteristic",
       [](CBRemoteScript& s) { s.services = {{TarneloBLE::kDorvaService, {TarneloBLE::kDorvaSecond}}}; },
       "bleFailure:24", true},
      {"no matching service", [](CBRemoteScript& s) { s.services.clear(); }, "bleFailure:24", true},
      {"characteristic discovery error",
       [](CBRemoteScript& s) { s.characteristicDiscovery = CBRemoteScript::Answer::fail; }, "bleFailure:22", true},
      {"write error", [](CBRemoteScript& s) { s.write = CBRemoteScript::Answer::fail; }, "bleFailure:22", true},
      {"connect failure with error", [](CBRemoteScript& s) { s.connect = CBRemoteScript::Connect::failWithError; },
       "bleFailure:22", false},
      {"connect failure without error",
       [](CBRemoteScript& s) { s.connect = CBRemoteScript::Connect::failWithoutError; }, "bleFailure:24", false},
  };
  for (const Case& c : cases) {
    radio().reset();
    engine_->scannedDevices.clear();
    delegate_->events.clear();
    addReader("R", true);
    c.script(*radio().script("R"));
    auto device = record("R");
    engine_->makePunchWithTagId("1", 1, 1, 1, "R");
    pump();
    auto summary = delegate_->summary();
    ASSERT_FALSE(summary.empty()) << c.name;
    EXPECT_EQ(summary[0], c.report) << c.name;
    EXPECT_EQ(delegate_->count("commandSuccess"), 0) << c.name;
    EXPECT_EQ(delegate_->count("bleFailure"), 1) << c.name;
    EXPECT_EQ(radio().cancelCount("R"), c.cancelled ? 1 : 0) << c.name;
    EXPECT_FALSE(device->wasPunched) << c.name;
    EXPECT_EQ(radio().peripheral("R")->state(), corebluetooth::CBPeripheralState::disconnected) << c.name;
    EXPECT_EQ(corebluetooth::Haptics::shared().vibrationCount(), 0) << c.name;
  }
}

// A reader may offer the punch service more than once; only the discovery of
// every service together tells whether the write characteristic is missing.
TEST_F(ConnectionTest, WriteCharacteristicIsLookedForOnEveryService) {
  struct Case {
    const char* name;
    bool dorva;
    bool writeOnFirst;
    bool writeOnSecond;
    std::vector<std::string> report;
  };
  const std::vector<Case> cases{
      {"write on the second service", true, false, true, {"commandSuccess"}},
      {"write on the second service, other family", false, false, true, {"commandSuccess"}},
      {"write on the first service", true, true, false, {"commandSuccess"}},
      {"write on both services", true, true, true, {"commandSuccess"}},
      {"write on neither service", true, false, false, {"bleFailure:24"}},
  };
  for (const Case& c : cases) {
    radio().reset();
    engine_->scannedDevices.clear();
    delegate_->events.clear();
    corebluetooth::Haptics::shared().reset();
    auto& reader = addReader("R", c.dorva);
    const std::string service = c.dorva ? TarneloBLE::kDorvaService : TarneloBLE::kOtherService;
    const std::string write = c.dorva ? TarneloBLE::kDorvaWrite : TarneloBLE::kOtherWrite;
    const std::string second = c.dorva ? TarneloBLE::kDorvaSecond : TarneloBLE::kOtherSecond;
    auto characteristics = [&](bool withWrite) {
      return withWrite ? std::vector<std::string>{second, write} : std::vector<std::string>{second};
    };
    radio().script("R")->services = {{service, characteristics(c.writeOnFirst)},
                                     {service, characteristics(c.writeOnSecond)}};
    auto device = record("R", c.dorva ? 0x07 : 0x03);
    engine_->makePunchWithTagId("1", 1, 1, 1, "R");
    pump();
    const bool written = c.writeOnFirst || c.writeOnSecond;
    EXPECT_EQ(delegate_->summary(), c.report) << c.name;
    EXPECT_EQ(radio().writes().size(), written ? 1u : 0u) << c.name;
    EXPECT_EQ(reader.acceptedCount(), written ? 1 : 0) << c.name;
    EXPECT_EQ(radio().cancelCount("R"), 1) << c.name;
    EXPECT_EQ(corebluetooth::Haptics::shared().vibrationCount(), written ? 1 : 0) << c.name;
    EXPECT_FALSE(device->wasPunched) << c.name;
    if (written) {
      EXPECT_EQ(radio().writes()[0].characteristic, write) << c.name;
    }
  }
}

TEST_F(ConnectionTest, FailedConnectionRestartsScanning) {
  addReader("R", true);
  radio().script("R")->connect = CBRemoteScript::Connect::failWithError;
  radio().script("R")->connectErrorText = "Peer removed pairing information";
  record("R");
  delegate_->events.clear();
  engine_->makePunchWithTagId("1", 1, 1, 1, "R");
  pump();
  EXPECT_EQ(delegate_->summary(), (std::vector<std::string>{"bleFailure:22", "scanSuccess"}));
  EXPECT_EQ(delegate_->events[0].error->errorMessage(), "Peer removed pairing information");
}

TEST_F(ConnectionTest, DisconnectBeforeTheWriteReports) {
  addReader("R", true);
  radio().script("R")->serviceDiscovery = CBRemoteScript::Answer::silence;
  auto device = record("R");
  delegate_->events.clear();
  engine_->makePunchWithTagId("1", 1, 1, 1, "R");
  pump();
  EXPECT_TRUE(delegate_->events.empty());
  radio().disconnect("R", std::nullopt);
  pump();
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"bleFailure:24"});
  EXPECT_FALSE(device->wasPunched);
}

TEST_F(ConnectionTest, WatchdogAbandonsASilentConnection) {
  addReader("R", true);
  radio().script("R")->connect = CBRemoteScript::Connect::silence;
  auto device = record("R");
  delegate_->events.clear();
  engine_->makePunchWithTagId("1", 1, 1, 1, "R");
  pump();
  EXPECT_TRUE(device->wasPunched);
  clock_->runFor(9.9);
  EXPECT_TRUE(delegate_->events.empty());
  clock_->runFor(0.2);
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"bleFailure:24"});
  EXPECT_EQ(radio().cancelCount("R"), 1);
  EXPECT_FALSE(device->wasPunched);
  // A completed punch leaves no watchdog behind.
  radio().script("R")->connect = CBRemoteScript::Connect::succeed;
  delegate_->events.clear();
  engine_->makePunchWithTagId("1", 1, 1, 1, "R");
  pump();
  clock_->runFor(11);
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"commandSuccess"});
}

TEST_F(ConnectionTest, OverlappingPunchesKeepTheirOwnFrameAndPeripheral) {
  auto& a = addReader("A", true);
  auto& b = addReader("B", false);
  a.expect({111, 1, 2, 3});
  b.expect({222, 4, 5, 6});
  record("A");
  record("B", 0x03);
  delegate_->events.clear();
  engine_->makePunchWithTagId("111", 1, 2, 3, "A");
  engine_->makePunchWithTagId("222", 4, 5, 6, "B");
  pump();
  EXPECT_EQ(a.acceptedCount(), 1);
  EXPECT_EQ(b.acceptedCount(), 1);
  EXPECT_EQ(delegate_->count("commandSuccess"), 2);
  EXPECT_EQ(radio().cancelCount("A"), 1);
  EXPECT_EQ(radio().cancelCount("B"), 1);
  EXPECT_EQ(corebluetooth::Haptics::shared().vibrationCount(), 2);
}

TEST_F(ConnectionTest, KnownServicesSkipDiscoveryAndRssiIsRecorded) {
  auto& a = addReader("A", true);
  auto device = record("A");
  auto peripheral = radio().peripheral("A");
  // Connected once already with services known: served directly.
  radio().script("A")->connect = CBRemoteScript::Connect::succeed;
  radio().script("A")->serviceDiscovery = CBRemoteScript::Answer::silence;
  peripheral->mutableServices() =
      std::vector<corebluetooth::CBServicePtr>{std::make_shared<corebluetooth::CBService>(TarneloBLE::kDorvaService,
                                                                                          peripheral)};
  radio().script("A")->rssi = -47;
  engine_->makePunchWithTagId("1", 1, 1, 1, "A");
  pump();
  EXPECT_EQ(a.acceptedCount(), 1);
  EXPECT_EQ(device->lastPunchRSSI, 47);
  EXPECT_EQ(device->lastPunchTime, clock_->now());
}

TEST_F(ConnectionTest, SuccessOnADroppedLinkDoesNotVibrateOrCancel) {
  addReader("A", true);
  radio().script("A")->write = CBRemoteScript::Answer::silence;
  record("A");
  engine_->makePunchWithTagId("1", 1, 1, 1, "A");
  pump();
  // The write confirmation arrives after the link went down.
  auto peripheral = radio().peripheral("A");
  peripheral->setState(corebluetooth::CBPeripheralState::disconnected);
  delegate_->events.clear();
  auto characteristic = std::make_shared<corebluetooth::CBCharacteristic>(TarneloBLE::kDorvaWrite, std::weak_ptr<corebluetooth::CBService>());
  engine_->peripheralDidWriteValueForCharacteristicError(peripheral, characteristic, std::nullopt);
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"commandSuccess"});
  EXPECT_EQ(corebluetooth::Haptics::shared().vibrationCount(), 0);
  EXPECT_EQ(radio().cancelCount("A"), 0);
}

}  // namespace
