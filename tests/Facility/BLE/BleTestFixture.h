// Shared set-up for the engine tests: a fresh data root, a manual clock, a
// reset radio, a fresh engine and a delegate that records every outcome.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Platform/CoreBluetooth/CBRadio.h"
#include "Platform/CoreBluetooth/Haptics.h"
#include "Platform/CoreBluetooth/Simulation/ReaderEmulator.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UserDefaults.h"

class RecordingDelegate : public BleManagerDelegate {
 public:
  struct Event {
    std::string kind;  // initSuccess, initFailure, scanSuccess, scanFailure, bleSuccess, bleFailure,
                       // commandSuccess, listSuccess, listFailure
    std::string message;
    BleSdkErrorPtr error;
    std::vector<BLEDeviceEntry> devices;
  };
  std::vector<Event> events;

  void onInitSuccessWithSuccessMsg(const std::string& m) override { events.push_back({"initSuccess", m, nullptr, {}}); }
  void onInitFailureWithError(const BleSdkErrorPtr& e) override { events.push_back({"initFailure", "", e, {}}); }
  void onScanSuccessWithSuccessMsg(const std::string& m) override { events.push_back({"scanSuccess", m, nullptr, {}}); }
  void onScanFailureWithError(const BleSdkErrorPtr& e) override { events.push_back({"scanFailure", "", e, {}}); }
  void onBleManagerSuccessWithSuccessMsg(const std::string& m) override {
    events.push_back({"bleSuccess", m, nullptr, {}});
  }
  void onBleManagerFailureWithError(const BleSdkErrorPtr& e) override { events.push_back({"bleFailure", "", e, {}}); }
  void onCommandSendSuccessWithSuccessMsg(const std::string& m) override {
    events.push_back({"commandSuccess", m, nullptr, {}});
  }
  void onGetDeviceListSuccessWithSuccessMsg(const std::string& m, const std::vector<BLEDeviceEntry>& d) override {
    events.push_back({"listSuccess", m, nullptr, d});
  }
  void onGetDeviceListFailureWithError(const BleSdkErrorPtr& e) override { events.push_back({"listFailure", "", e, {}}); }

  int count(const std::string& kind) const {
    int n = 0;
    for (auto& e : events) n += e.kind == kind ? 1 : 0;
    return n;
  }
  // "bleFailure:17", "commandSuccess", ... in order.
  std::vector<std::string> summary() const {
    std::vector<std::string> out;
    for (auto& e : events) out.push_back(e.error ? e.kind + ":" + std::to_string(e.error->errorCode()) : e.kind);
    return out;
  }
};

class BleTest : public ::testing::Test {
 protected:
  static constexpr const char* kServerKey = "00112233445566778899aabbccddeeff";

  void SetUp() override {
    platform::Clock::setCurrent(clock_);
    radio().reset();
    corebluetooth::Haptics::shared().reset();
    engine_ = TarneloBLE::create();
    engine_->setBleManagerDelegate(delegate_);
  }
  void TearDown() override {
    engine_.reset();
    platform::RunLoop::main().removeAllPending();
    radio().reset();
  }

  static corebluetooth::CBRadio& radio() { return corebluetooth::CBRadio::shared(); }
  platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }
  void pump() { clock_->runUntilIdle(); }

  // Stored values for a punch-ready user.
  void storeTapAndGo(const std::string& tag = "123456", int destination = 5, int boarding = 1, int selected = 5,
                     int sensitivity = 2, int allow = 1) {
    defaults().setString(tag, TarneloBLEKeys::tagId);
    defaults().setInteger(destination, TarneloBLEKeys::destinationFloor);
    defaults().setInteger(boarding, TarneloBLEKeys::boardingFloor);
    defaults().setInteger(selected, TarneloBLEKeys::selectedFloor);
    defaults().setInteger(sensitivity, TarneloBLEKeys::sensitivity);
    defaults().setInteger(allow, TarneloBLEKeys::shouldAllowPunch);
    defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
  }

  static platform::Bytes Manufacturer(std::uint8_t type, std::uint8_t flag, std::uint8_t b2 = 0x00,
                                      std::uint8_t b3 = 0x05) {
    return {0x4C, 0x00, b2, b3, 0x00, type, flag};
  }
  static corebluetooth::AdvertisementData Advert(const platform::Bytes& manufacturer, const std::string& name = "") {
    corebluetooth::AdvertisementData d{
        {corebluetooth::CBAdvertisementDataManufacturerDataKey, platform::Value(manufacturer)},
        {corebluetooth::CBAdvertisementDataServiceUUIDsKey,
         platform::Value(platform::Value::Array{platform::Value(TarneloBLE::kServiceUUID)})}};
    if (!name.empty()) d[corebluetooth::CBAdvertisementDataLocalNameKey] = name;
    return d;
  }

  // A reader of the given family that answers like a real one; its emulator
  // checks every frame written to it.
  corebluetooth::ReaderEmulator& addReader(const std::string& id, bool dorva, std::uint8_t b2 = 0x00,
                                           std::uint8_t b3 = 0x05) {
    bool builtIn = b2 == 0 && b3 == 0;
    emulators_.push_back(std::make_unique<corebluetooth::ReaderEmulator>(
        builtIn ? BLEEncryption::kBuiltInKey : kServerKey, b2, b3, dorva));
    corebluetooth::CBRemoteScript s;
    s.identifier = id;
    s.name = id;
    if (dorva)
      s.services = {{TarneloBLE::kDorvaService, {TarneloBLE::kDorvaWrite, TarneloBLE::kDorvaSecond}}};
    else
      s.services = {{TarneloBLE::kOtherService, {TarneloBLE::kOtherWrite, TarneloBLE::kOtherSecond}}};
    s.onWrite = emulators_.back()->writeHandler();
    radio().addRemote(std::move(s));
    return *emulators_.back();
  }

  // Scanning with the radio on, past the delayed beacon set-up.
  void startScanning() {
    engine_->startScan();
    clock_->runFor(TarneloBLE::kBeaconSetupDelay + 0.1);
  }

  std::shared_ptr<platform::ManualClock> clock_ = std::make_shared<platform::ManualClock>();
  platform::TemporaryDataRoot root_;
  std::shared_ptr<RecordingDelegate> delegate_ = std::make_shared<RecordingDelegate>();
  std::shared_ptr<TarneloBLE> engine_;
  std::vector<std::unique_ptr<corebluetooth::ReaderEmulator>> emulators_;
};
