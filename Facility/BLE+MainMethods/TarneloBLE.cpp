#include "Facility/BLE+MainMethods/TarneloBLE.h"

#include <algorithm>
#include <cctype>

#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Facility/BLE+MainMethods/BLETapAndGodDefaultValue.h"
#include "Facility/BLE+MainMethods/DeviceConstant.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/BLE+MainMethods/isNumeric.h"
#include "Facility/Storage/KeychainHelper.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Utf8.h"

using corebluetooth::CBManagerState;

TarneloBLE& TarneloBLE::shared() {
  static std::shared_ptr<TarneloBLE>* engine = new std::shared_ptr<TarneloBLE>(create());
  return **engine;
}

std::shared_ptr<TarneloBLE> TarneloBLE::create() { return std::make_shared<TarneloBLE>(PrivateTag{}); }

TarneloBLE::TarneloBLE(PrivateTag)
    : locationManager(std::make_shared<corelocation::CLLocationManager>()),
      beaconRegion(std::make_shared<corelocation::CLBeaconRegion>()),
      peripheralManager(corebluetooth::CBPeripheralManager::create({})),
      lastTapTime(platform::Clock::nowSeconds()) {}

void TarneloBLE::reportBleFailure(std::int64_t code) {
  if (auto d = bleManagerDelegate()) d->onBleManagerFailureWithError(BleSdkError::fixed(code));
}

std::string TarneloBLE::storedEncryptionKey() {
  return platform::UserDefaults::standard().stringObjectForKey(TarneloBLEKeys::encryptionKey).value_or("");
}

void TarneloBLE::reloadTapAndGoValues() {
  auto& defaults = platform::UserDefaults::standard();
  tagId = defaults.stringForKey(TarneloBLEKeys::tagId).value_or("");
  tapAndGoBoardingFloor = defaults.integerForKey(TarneloBLEKeys::boardingFloor);
  tapAndGoSelectedFloor = defaults.integerForKey(TarneloBLEKeys::selectedFloor);
  tapAndGoDestinationFloor = defaults.integerForKey(TarneloBLEKeys::destinationFloor);
  sensitityLevel = defaults.integerForKey(TarneloBLEKeys::sensitivity);
}

void TarneloBLE::startScan() {
  BLETapAndGodDefaultValue::shared();
  reloadTapAndGoValues();
  if (!centralManager) {
    centralManager = corebluetooth::CBCentralManager::create(
        weak_from_this(), {{corebluetooth::CBCentralManagerScanOptionAllowDuplicatesKey, true},
                           {corebluetooth::CBCentralManagerOptionShowPowerAlertKey, false}});
  }
  if (!bluetoothStateError()) {
    if (centralManager) centralManager->scanForPeripherals(std::vector<std::string>{kServiceUUID}, true);
    if (auto d = bleManagerDelegate()) d->onScanSuccessWithSuccessMsg(BLESuccessMessage::scanStarted);
  } else if (auto d = bleManagerDelegate()) {
    d->onScanFailureWithError(bluetoothStateError());
  }
}

void TarneloBLE::startScanWithTapAndGoWithTapAndGoEnabled(bool tapAndGoEnabled) {
  isTapAndGoEnabled = tapAndGoEnabled;
  startScan();
}

void TarneloBLE::stopScan() {
  if (centralManager) centralManager->stopScan();
  if (deviceRemoveTimer) deviceRemoveTimer->invalidate();
  deviceRemoveTimer.reset();
  centralManager.reset();
  scannedDevices.clear();
  tagId.clear();
  tapAndGoSelectedFloor = tapAndGoBoardingFloor = tapAndGoDestinationFloor = 0;
}

void TarneloBLE::insertTapAndGoDataWithTag(const std::string&, std::int64_t, std::int64_t, std::int64_t,
                                           std::int64_t) {
  BLETapAndGodDefaultValue::shared();
  auto& defaults = platform::UserDefaults::standard();
  std::string stored = defaults.stringForKey(TarneloBLEKeys::tagId).value_or("");
  if (!isNumeric(stored)) {
    reportBleFailure(16);
    return;
  }
  reloadTapAndGoValues();
  if (auto d = bleManagerDelegate()) d->onBleManagerSuccessWithSuccessMsg(BLESuccessMessage::tapAndGoSaved);
}

void TarneloBLE::makePunchWithTagId(const std::string& tag, std::int64_t destinationFloor,
                                    std::int64_t boardingFloor, std::int64_t selectedFloor,
                                    const std::string& deviceUniqueId) {
  if (!isNumeric(tag)) return reportBleFailure(16);
  std::string key = storedEncryptionKey();
  if (key.empty()) {
    auto fromKeychain = KeychainHelper::shared().load(DeviceConstant::encryptionKey);
    if (!fromKeychain) return reportBleFailure(14);
    key = *fromKeychain;
    platform::UserDefaults::standard().setString(key, TarneloBLEKeys::encryptionKey);
  }
  if (!centralManager) return reportBleFailure(12);
  if (scannedDevices.empty()) return reportBleFailure(9);

  bool identifierGiven = !platform::Utf8::isBlank(deviceUniqueId);
  BLEDevicePtr chosen;
  if (identifierGiven) {
    auto index = indexOfDeviceWithId(scannedDevices, deviceUniqueId);
    if (!index) return reportBleFailure(10);
    chosen = scannedDevices[*index];
  } else {
    auto ordered = scannedDevices;
    sortNearestFirst(ordered);
    chosen = ordered.front();
  }
  connectedDevice = chosen;
  if (!chosen->peripheral) return reportBleFailure(identifierGiven ? 10 : 9);

  // The key this reader will decrypt with must be usable before we connect.
  const platform::Bytes* data = chosen->manufacturerData();
  bool builtIn = data && BLEEncryption::usesBuiltInKey(*data);
  if (!builtIn && !BLEEncryption::isUsableKey(key)) return reportBleFailure(14);

  // The frame is fixed now, so an overlapping punch cannot change it.
  BLEEncryption::setEncryptionKey(key);
  BLEEncryption::setPeriphearalId(chosen->peripheral->identifier());
  BLEEncryption::setTagId(tag);
  BLEEncryption::setDestinationFloor(std::to_string(destinationFloor));
  BLEEncryption::setBoardingFloor(std::to_string(boardingFloor));
  BLEEncryption::setSelectedFloor(std::to_string(selectedFloor));
  BLEEncryption::setDeviceType(chosen->typeCode().value_or(""));
  BLEEncryption::setDeviceData(data ? std::optional<platform::Bytes>(*data) : std::nullopt);
  auto frame = BLEEncryption::punchCommand();
  if (!frame) return reportBleFailure(23);

  chosen->isOutofRange = false;
  chosen->wasPunched = true;
  chosen->punchTimeStamp = platform::Clock::nowSeconds();
  replaceScannedDevice(chosen);

  const std::string identifier = chosen->peripheral->identifier();
  if (auto* old = punchContext(identifier); old && old->watchdog) old->watchdog->cancel();
  std::weak_ptr<TarneloBLE> weak = weak_from_this();
  PunchContext context;
  context.frameText = *frame;
  context.dorvaFamily = chosen->isDorvaFamily();
  context.identifier = identifier;
  context.watchdog = platform::RunLoop::main().asyncAfter(kPunchWatchdogSeconds, [weak, identifier] {
    if (auto self = weak.lock()) self->punchWatchdogFired(identifier);
  });
  punches_[identifier] = std::move(context);
  command = Command::punch;
  centralManager->connect(chosen->peripheral);
}

void TarneloBLE::getDeviceList() {
  if (!centralManager) {
    if (auto d = bleManagerDelegate()) d->onGetDeviceListFailureWithError(BleSdkError::fixed(12));
    return;
  }
  auto ordered = scannedDevices;
  sortNearestFirst(ordered);
  std::vector<BLEDeviceEntry> entries;
  for (auto& device : ordered) {
    entries.push_back({{"device_name", device->localName().value_or("")},
                       {"unique_id", device->identifierText().value_or("")}});
  }
  auto d = bleManagerDelegate();
  if (!d) return;
  if (entries.empty()) {
    d->onGetDeviceListFailureWithError(BleSdkError::fixed(9));
  } else {
    d->onGetDeviceListSuccessWithSuccessMsg(BLESuccessMessage::deviceList, entries);
  }
}

void TarneloBLE::getSdkVersion() {
  if (auto d = bleManagerDelegate()) d->onBleManagerSuccessWithSuccessMsg(BLESuccessMessage::sdkVersion);
}

void TarneloBLE::removeKeychain() {
  auto& keychain = KeychainHelper::shared();
  if (keychain.load(DeviceConstant::encryptionKey)) keychain.deleteItem(DeviceConstant::encryptionKey);
}

void TarneloBLE::timerFunction() {
  double now = platform::Clock::nowSeconds();
  std::erase_if(scannedDevices, [&](const BLEDevicePtr& d) { return now - d->lastSeen > kStaleReaderSeconds; });
}

void TarneloBLE::replaceScannedDevice(const BLEDevicePtr& device) {
  for (auto& entry : scannedDevices) {
    if (entry->sameReader(*device)) {
      entry = device;
      return;
    }
  }
}

BLEDevicePtr TarneloBLE::findScannedDevice(const std::string& identifier) const {
  for (auto& entry : scannedDevices) {
    if (entry->peripheral && entry->peripheral->identifier() == identifier) return entry;
  }
  return nullptr;
}

std::optional<std::size_t> TarneloBLE::indexOfDeviceWithId(const std::vector<BLEDevicePtr>& list,
                                                           const std::string& identifier) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i]->peripheral && list[i]->peripheral->identifier() == identifier) return i;
  }
  return std::nullopt;
}

std::vector<BLEDevicePtr> TarneloBLE::scannedDevicesMatching(const std::vector<BLEDevicePtr>& list,
                                                             const BLEDevice& device) {
  std::vector<BLEDevicePtr> out;
  for (auto& entry : list) {
    if (entry->sameReader(device)) out.push_back(entry);
  }
  return out;
}
