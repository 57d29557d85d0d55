// End to end on the simulated radio: the engine decides, connects and writes;
// the reader emulator decrypts and checks every frame.
#include <algorithm>

#include "BleTestFixture.h"
#include "Platform/Foundation/Log.h"

namespace {

using corebluetooth::CBRadio;

class TapAndGoTest : public BleTest {
 protected:
  void advertise(const std::string& id, int rssi, std::uint8_t type = 0x07, std::uint8_t flag = 0x1F) {
    radio().advertise(id, Advert(Manufacturer(type, flag)), rssi);
    pump();
  }
};

TEST_F(TapAndGoTest, QualifyingReaderIsPunchedOnceAndTheEmulatorAcceptsTheFrame) {
  storeTapAndGo();
  auto& reader = addReader("R1", true);
  reader.expect({123456, 5, 1, 5});
  startScanning();
  delegate_->events.clear();

  advertise("R1", -50);
  EXPECT_EQ(reader.acceptedCount(), 1);
  ASSERT_EQ(reader.received().size(), 1u);
  EXPECT_TRUE(reader.received()[0].framed);
  EXPECT_EQ(delegate_->count("commandSuccess"), 1);
  EXPECT_EQ(corebluetooth::Haptics::shared().vibrationCount(), 1);
  EXPECT_EQ(radio().cancelCount("R1"), 1);
  EXPECT_EQ(radio().writes()[0].characteristic, TarneloBLE::kDorvaWrite);

  // The reader keeps advertising for under 3 s: the guards hold.
  for (int i = 0; i < 5; ++i) {
    clock_->advance(0.5);
    advertise("R1", -50);
  }
  EXPECT_EQ(radio().connectCount("R1"), 1);
  EXPECT_EQ(delegate_->count("commandSuccess"), 1);
  EXPECT_EQ(delegate_->count("bleFailure"), 0);

  // Past the guard the reader can be punched again.
  clock_->advance(1.0);
  advertise("R1", -50);
  EXPECT_EQ(radio().connectCount("R1"), 2);
}

TEST_F(TapAndGoTest, OutsideTheThresholdNothingIsPunched) {
  storeTapAndGo();
  auto& reader = addReader("R1", true);
  startScanning();
  advertise("R1", -62);  // sensitivity 2, Dorva family: -60
  advertise("R1", -62);
  EXPECT_EQ(radio().connectCount("R1"), 0);
  EXPECT_EQ(reader.received().size(), 0u);
  EXPECT_EQ(engine_->scannedDevices.size(), 1u);
}

TEST_F(TapAndGoTest, AdmissionRules) {
  struct Case {
    const char* name;
    int allow;
    int rssi;
    platform::Bytes data;
    bool recorded;
  };
  const platform::Bytes ok = Manufacturer(0x07, 0x1F);
  for (const Case& c : std::vector<Case>{
           {"allowed", 1, -65, ok, true},
           {"too weak", 1, -66, ok, false},
           {"positive", 1, 1, ok, false},
           {"zero", 1, 0, ok, true},
           {"not allowed", 0, -50, ok, false},
           {"type 2", 1, -50, Manufacturer(0x02, 0x1F), false},
           {"type 6", 1, -50, Manufacturer(0x06, 0x1F), false},
           {"five bytes", 1, -50, {0x4C, 0, 0, 5, 0}, false},
       }) {
    engine_->stopScan();
    storeTapAndGo("123456", 5, 1, 5, 2, c.allow);
    defaults().setString("", TarneloBLEKeys::tagId);  // no punches here
    startScanning();
    radio().advertise("X", Advert(c.data), c.rssi);
    pump();
    EXPECT_EQ(engine_->scannedDevices.size(), c.recorded ? 1u : 0u) << c.name;
  }
}

TEST_F(TapAndGoTest, MissingFlagReports17AtMostOncePerGuardInterval) {
  storeTapAndGo();
  addReader("R1", true);
  startScanning();
  delegate_->events.clear();
  for (int i = 0; i < 10; ++i) {
    advertise("R1", -50, 0x07, 0x0F);  // flag digit "0"
    clock_->advance(0.2);
  }
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"bleFailure:17"});
  clock_->advance(1.5);
  advertise("R1", -50, 0x07, 0x0F);
  EXPECT_EQ(delegate_->count("bleFailure"), 2);
  EXPECT_EQ(radio().connectCount("R1"), 0);
}

TEST_F(TapAndGoTest, SixByteReaderIsRecordedButReports17) {
  storeTapAndGo();
  startScanning();
  delegate_->events.clear();
  radio().advertise("S", Advert({0x4C, 0, 0, 5, 0, 0x07}), -50);
  pump();
  EXPECT_EQ(engine_->scannedDevices.size(), 1u);
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"bleFailure:17"});
}

TEST_F(TapAndGoTest, EmptyValuesNeverPunch) {
  for (auto [tag, floors] : std::vector<std::pair<std::string, int>>{{"   ", 3}, {"123", 0}}) {
    engine_->stopScan();
    storeTapAndGo(tag, floors, floors, floors);
    addReader("R1", true);
    startScanning();
    advertise("R1", -50);
    EXPECT_EQ(radio().connectCount("R1"), 0) << tag;
  }
}

TEST_F(TapAndGoTest, TheReaderThatQualifiedIsTheOnePunched) {
  storeTapAndGo();
  auto& near = addReader("NEAR", true);
  auto& far = addReader("FAR", true);
  far.expect({123456, 5, 1, 5});
  startScanning();
  // NEAR is seen once (no distance yet, so it sorts first) but is too weak to
  // qualify; FAR then qualifies.
  advertise("NEAR", -64);
  advertise("FAR", -50);
  EXPECT_EQ(radio().connectCount("NEAR"), 0);
  EXPECT_EQ(radio().connectCount("FAR"), 1);
  EXPECT_EQ(far.acceptedCount(), 1);
  EXPECT_EQ(near.received().size(), 0u);
}

TEST_F(TapAndGoTest, SensitivityPicksTheThreshold) {
  struct Case {
    int sensitivity;
    int rssi;
    bool dorva;
    bool punched;
  };
  for (const Case& c : std::vector<Case>{{2, -58, true, true},
                                         {2, -62, true, false},
                                         {1, -56, true, false},
                                         {3, -64, true, true},
                                         {5, -60, true, true},
                                         {2, -51, false, true},
                                         {2, -52, false, false}}) {
    radio().reset();
    engine_ = TarneloBLE::create();
    engine_->setBleManagerDelegate(delegate_);
    storeTapAndGo("123456", 5, 3, 5, c.sensitivity);
    addReader("R", c.dorva);
    startScanning();
    radio().advertise("R", Advert(Manufacturer(c.dorva ? 0x07 : 0x03, 0x1F)), c.rssi);
    pump();
    EXPECT_EQ(radio().connectCount("R"), c.punched ? 1 : 0)
        << "sensitivity " << c.sensitivity << " rssi " << c.rssi << " dorva " << c.dorva;
  }
}

// The decision log prints the reader's own values (name, range, punched,
// median, thresholds, distance) as label and value apart, so a space follows
// the label's own; the stored values follow their label directly.
TEST_F(TapAndGoTest, DecisionLogLinesAreExact) {
  struct Case {
    const char* name;
    std::string localName;
    std::uint8_t type;
    std::uint8_t flag;
    int sensitivity;
    std::vector<int> rssis;
    std::vector<std::string> block;
  };
  const std::vector<Case> cases{
      {"first advert, named",
       "Lobby door",
       0x07,
       0x1F,
       2,
       {-50},
       {"deviceName:  Lobby door", "isOutOfRange:  false", "wasPunched:  false", "midValue :  0", "iTapRSSI :  -60",
        "punchThreshold :  -70", "tagId: 123456", "boarding Floor: 1", "destination Floor: 5", "selected Floor: 5",
        "isAllowedPunch: 1", "estimateDistance:  0"}},
      {"out of range, unnamed",
       "",
       0x03,
       0x1F,
       1,
       {-60, -60, -60, 0},
       {"deviceName:  ", "isOutOfRange:  true", "wasPunched:  false", "midValue :  -60", "iTapRSSI :  -45",
        "punchThreshold :  -55", "tagId: 123456", "boarding Floor: 1", "destination Floor: 5", "selected Floor: 5",
        "isAllowedPunch: 1", "estimateDistance:  -1"}},
      {"no flag, fractional distance",
       "Gate",
       0x07,
       0x00,
       2,
       {-50, -30},
       {"deviceName:  Gate", "isOutOfRange:  false", "wasPunched:  false", "midValue :  0", "iTapRSSI :  -60",
        "punchThreshold :  -70", "tagId: 123456", "boarding Floor: 1", "destination Floor: 5", "selected Floor: 5",
        "isAllowedPunch: 1", "estimateDistance:  0.0009765625"}},
  };
  const auto previous = platform::MinimumLogLevel();
  platform::SetMinimumLogLevel(platform::LogLevel::kDebug);
  for (const Case& c : cases) {
    radio().reset();
    engine_ = TarneloBLE::create();
    engine_->setBleManagerDelegate(delegate_);
    storeTapAndGo("123456", 5, 1, 5, c.sensitivity);
    addReader("R", c.type == 0x07);
    startScanning();
    platform::LogCapture capture;
    for (int rssi : c.rssis) {
      capture.clear();
      radio().advertise("R", Advert(Manufacturer(c.type, c.flag), c.localName), rssi);
      pump();
    }
    auto lines = capture.lines();
    auto first = std::find_if(lines.begin(), lines.end(),
                              [](const std::string& l) { return l.rfind("deviceName:", 0) == 0; });
    ASSERT_NE(first, lines.end()) << c.name;
    ASSERT_GE(lines.end() - first, static_cast<std::ptrdiff_t>(c.block.size())) << c.name;
    EXPECT_EQ(std::vector<std::string>(first, first + static_cast<std::ptrdiff_t>(c.block.size())), c.block)
        << c.name;
  }
  platform::SetMinimumLogLevel(previous);
}

TEST_F(TapAndGoTest, StaleReadersArePrunedOnLastSeen) {
  storeTapAndGo();
  defaults().setString("", TarneloBLEKeys::tagId);
  startScanning();
  radio().advertise("R", Advert(Manufacturer(0x07, 0x1F)), -50);
  pump();
  clock_->advance(9.0);
  radio().advertise("R", Advert(Manufacturer(0x07, 0x1F)), -50);
  pump();
  clock_->advance(3.0);
  engine_->timerFunction();
  EXPECT_EQ(engine_->scannedDevices.size(), 1u);  // first seen 12 s ago, last seen 3 s ago
  clock_->advance(8.0);
  engine_->timerFunction();
  EXPECT_EQ(engine_->scannedDevices.size(), 0u);
}

}  // namespace
