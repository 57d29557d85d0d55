// Bluetooth state mapping, the delayed beacon set-up and advertising.
#include "BleTestFixture.h"

namespace {

using corebluetooth::CBManagerState;

class StateTest : public BleTest {};

TEST_F(StateTest, EachStateMapsToItsError) {
  engine_->startScan();  // a new central still reports unknown: success
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"scanSuccess"});
  clock_->runFor(2.0);  // the radio is on: the delayed set-up scans again
  EXPECT_EQ(delegate_->summary(), (std::vector<std::string>{"scanSuccess", "scanSuccess"}));
  struct Case {
    int state;
    std::string report;
  };
  for (const Case& c : std::vector<Case>{{0, ""},
                                         {1, "scanFailure:4"},
                                         {2, "scanFailure:5"},
                                         {3, "scanFailure:2"},
                                         {4, "scanFailure:1"},
                                         {9, "scanFailure:5"},
                                         {-1, "scanFailure:5"}}) {
    delegate_->events.clear();
    radio().setState(static_cast<CBManagerState>(c.state));
    clock_->runFor(2.0);
    std::vector<std::string> expected;
    if (!c.report.empty()) expected.push_back(c.report);
    EXPECT_EQ(delegate_->summary(), expected) << c.state;
  }
  // startScan in a bad state reports the same error.
  delegate_->events.clear();
  engine_->startScan();
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"scanFailure:5"});
  // No central manager at all is error 3.
  engine_->stopScan();
  EXPECT_EQ(engine_->bluetoothStateError(), BleSdkError::fixed(3));
  EXPECT_EQ(engine_->bluetoothState(), std::nullopt);
}

TEST_F(StateTest, PowerOnSetsUpRangingAndAdvertisingOneSecondLater) {
  radio().setState(CBManagerState::poweredOff);
  engine_->startScan();
  clock_->runFor(0.1);
  delegate_->events.clear();
  radio().setState(CBManagerState::poweredOn);
  clock_->runFor(0.9);
  EXPECT_TRUE(delegate_->events.empty());
  EXPECT_EQ(engine_->locationManager->authorizationRequests(), 0);
  clock_->runFor(0.2);
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"scanSuccess"});
  EXPECT_EQ(engine_->locationManager->authorizationRequests(), 1);
  ASSERT_EQ(engine_->locationManager->rangedConstraints().size(), 1u);
  EXPECT_EQ(engine_->locationManager->rangedConstraints()[0].uuid, TarneloBLE::kServiceUUID);
  EXPECT_EQ(engine_->beaconRegion->identifier(), "com.example.MyBeacon1");
  EXPECT_TRUE(engine_->centralManager->isScanning());
  // The fresh peripheral manager advertises once it is powered on.
  EXPECT_TRUE(engine_->peripheralManager->isAdvertising());
  auto data = engine_->peripheralManager->advertisedData();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->count(corelocation::CLBeaconRegion::kBeaconKey), 1u);

  // Leaving the foreground restarts advertising even with scanning stopped.
  engine_->stopScan();
  engine_->peripheralManager->stopAdvertising();
  engine_->startBeaconAdvertising();
  EXPECT_TRUE(engine_->peripheralManager->isAdvertising());
  // Region exit stops advertising, entry starts it again.
  engine_->locationManager->simulateExitRegion(*engine_->beaconRegion);
  pump();
  EXPECT_FALSE(engine_->peripheralManager->isAdvertising());
  engine_->locationManager->simulateEnterRegion(*engine_->beaconRegion);
  pump();
  EXPECT_TRUE(engine_->peripheralManager->isAdvertising());
}

TEST_F(StateTest, PlainRegionAdvertisesNothing) {
  engine_->startBeaconAdvertising();
  EXPECT_FALSE(engine_->peripheralManager->isAdvertising());
}

TEST_F(StateTest, CallbacksNeverRunInsideTheCallThatCausedThem) {
  engine_->startScan();
  auto before = delegate_->events.size();
  radio().setState(CBManagerState::poweredOff);
  EXPECT_EQ(delegate_->events.size(), before);
  pump();
  EXPECT_EQ(delegate_->events.size(), before + 1);
}

}  // namespace
