// The discovery callback: admission, the reader record and the tap-and-go
// decision.
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Facility/BLE+MainMethods/DeviceParameter.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Platform/CoreBluetooth/CBTypes.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Utf8.h"

namespace {

std::string BoolText(bool b) { return b ? "true" : "false"; }

std::string LabelledItem(const std::string& label, const std::string& value) { return label + " " + value; }

}  // namespace

std::int64_t TarneloBLE::tapRSSI(const BLEDevice& device) const {
  bool dorva = device.isDorvaFamily();
  switch (sensitityLevel) {
    case 1: return DeviceParameterRawValue(dorva ? DeviceParameter::DORVA_TAP_LOW : DeviceParameter::OTHER_TAP_LOW);
    case 3: return DeviceParameterRawValue(dorva ? DeviceParameter::DORVA_TAP_HIGH : DeviceParameter::OTHER_TAP_HIGH);
    default: return DeviceParameterRawValue(dorva ? DeviceParameter::DORVA_TAP_MED : DeviceParameter::OTHER_TAP_MED);
  }
}

std::int64_t TarneloBLE::punchThreshold(const BLEDevice& device) const {
  bool dorva = device.isDorvaFamily();
  switch (sensitityLevel) {
    case 1: return dorva ? -65 : -55;
    case 3: return dorva ? -75 : -66;
    default: return dorva ? -70 : -61;
  }
}

void TarneloBLE::logEmptyValues() const {
  if (!platform::IsLoggable(platform::LogLevel::kDebug)) return;
  auto& defaults = platform::UserDefaults::standard();
  platform::LogDebug("\n");
  platform::LogDebug("values are empty.");
  platform::LogDebug("tagId: " + defaults.stringForKey(TarneloBLEKeys::tagId).value_or(""));
  platform::LogDebug("boarding Floor: " + std::to_string(defaults.integerForKey(TarneloBLEKeys::boardingFloor)));
  platform::LogDebug("destination Floor: " +
                     std::to_string(defaults.integerForKey(TarneloBLEKeys::destinationFloor)));
  platform::LogDebug("selected Floor: " + std::to_string(defaults.integerForKey(TarneloBLEKeys::selectedFloor)));
}

void TarneloBLE::centralManagerDidDiscoverPeripheralAdvertisementDataRSSI(
    corebluetooth::CBCentralManager&, const corebluetooth::CBPeripheralPtr& peripheral,
    const corebluetooth::AdvertisementData& data, int rssi) {
  auto& defaults = platform::UserDefaults::standard();
  // Admission.
  if (defaults.integerForKey(TarneloBLEKeys::shouldAllowPunch) != 1) return;
  const std::int64_t r = rssi;
  if (r > 0 || std::llabs(r) > 65) return;
  auto it = data.find(corebluetooth::CBAdvertisementDataManufacturerDataKey);
  const platform::Bytes* manufacturer = it == data.end() ? nullptr : it->second.getBytes();
  if (manufacturer && manufacturer->size() >= 6 && ((*manufacturer)[5] == 2 || (*manufacturer)[5] == 6)) return;
  if (!manufacturer || manufacturer->size() < 6) return;
  if (!peripheral) return;
  const std::int64_t typeInt = (*manufacturer)[5];
  const double now = platform::Clock::nowSeconds();

  // Record update.
  const std::string& identifier = peripheral->identifier();
  BLEDevicePtr record = findScannedDevice(identifier);
  if (!record) {
    scannedDevices.push_back(
        std::make_shared<BLEDevice>(peripheral, data, r, typeInt, std::vector<std::int64_t>{r, 0, 0, 0, 0}, now));
  } else {
    record->advertisementData = data;
    record->lastSeen = now;
    double elapsed = now - record->punchTimeStamp.value_or(0.0);
    if (elapsed > kPunchGuardSeconds) record->wasPunched = false;
    record->rssiHistory.insert(record->rssiHistory.begin(), r);
    if (record->rssiHistory.size() >= 6) record->rssiHistory.pop_back();
    record->estimateDistance = distanceEstimate(r, tapRSSI(*record));
    replaceScannedDevice(record);
  }

  // Tap-and-go decision.
  if (!isTapAndGoEnabled) return;
  record = findScannedDevice(identifier);
  if (!record) return;
  const std::int64_t tap = tapRSSI(*record);
  const std::int64_t threshold = punchThreshold(*record);
  std::vector<std::int64_t> sorted = record->rssiHistory;
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  const std::int64_t mid = sorted.empty() ? 0 : sorted[sorted.size() / 2];
  if (std::llabs(threshold) < std::llabs(mid) + 3) record->isOutofRange = true;

  reloadTapAndGoValues();

  if (platform::Utf8::isBlank(tagId) || (tapAndGoBoardingFloor == 0 && tapAndGoDestinationFloor == 0 && tapAndGoSelectedFloor == 0)) {
    logEmptyValues();
    return;
  }
  if (platform::IsLoggable(platform::LogLevel::kDebug)) {
    platform::LogDebug("\n");
    // These lines print label and value as two items: one more space after
    // the label's own.
    platform::LogDebug(LabelledItem("deviceName: ", record->localName().value_or("")));
    platform::LogDebug(LabelledItem("isOutOfRange: ", BoolText(record->isOutofRange)));
    platform::LogDebug(LabelledItem("wasPunched: ", BoolText(record->wasPunched)));
    platform::LogDebug(LabelledItem("midValue : ", std::to_string(mid)));
    platform::LogDebug(LabelledItem("iTapRSSI : ", std::to_string(tap)));
    platform::LogDebug(LabelledItem("punchThreshold : ", std::to_string(threshold)));
    platform::LogDebug("tagId: " + tagId);
    platform::LogDebug("boarding Floor: " + std::to_string(tapAndGoBoardingFloor));
    platform::LogDebug("destination Floor: " + std::to_string(tapAndGoDestinationFloor));
    platform::LogDebug("selected Floor: " + std::to_string(tapAndGoSelectedFloor));
    platform::LogDebug("isAllowedPunch: " + std::to_string(defaults.integerForKey(TarneloBLEKeys::shouldAllowPunch)));
    platform::LogDebug(
        LabelledItem("estimateDistance: ", platform::FormatDouble(record->estimateDistance.value_or(0.0))));
    platform::LogDebug("\n");
  }
  if (record->wasPunched) return;
  if (std::abs(now - record->lastPunchTime.value_or(0.0)) < kPunchGuardSeconds) return;
  auto flag = record->flagDigit();
  if (!flag || *flag != '1') {
    // A reader advertising many times a second must not raise a storm of
    // reports: one per guard interval per reader.
    auto last = lastFlagError_.find(identifier);
    if (last != lastFlagError_.end() && now - last->second < kPunchGuardSeconds) return;
    lastFlagError_[identifier] = now;
    reportBleFailure(17);
    return;
  }
  std::weak_ptr<TarneloBLE> weak = weak_from_this();
  const std::int64_t absR = std::llabs(r);
  platform::RunLoop::main().async([weak, record, absR, tap] {
    if (auto self = weak.lock()) self->runTapAndGoTask(record, absR, tap);
  });
}

void TarneloBLE::runTapAndGoTask(const BLEDevicePtr& device, std::int64_t absRssi, std::int64_t tap) {
  if (!device->isDorvaFamily()) {
    device->isOutofRange = false;
    device->wasPunched = true;
  }
  replaceScannedDevice(device);
  if (std::llabs(tap) < absRssi) return;
  // The reader that qualified is the one punched, not whichever is nearest.
  makePunchWithTagId(tagId, tapAndGoDestinationFloor, tapAndGoBoardingFloor, tapAndGoSelectedFloor,
                     device->identifierText().value_or(""));
  lastTapTime = platform::Clock::nowSeconds();
}
