// Key set-up, Bluetooth state, location and iBeacon.
#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Facility/BLE+MainMethods/DeviceConstant.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Network/HttpUtility.h"
#include "Facility/Storage/KeychainHelper.h"
#include "Facility/Models/MDLInitApiRequest.h"
#include "Facility/Models/MDLInitApiResponse.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Foundation/UserDefaults.h"

using corebluetooth::CBManagerState;

void TarneloBLE::initSdkWithApiURL(const std::string& apiUrl, const std::string& apiKey) {
  isTapAndGoEnabled = true;
  // A stored key that cannot encrypt is as good as none: fetch again.
  if (BLEEncryption::isUsableKey(storedEncryptionKey())) return;
  auto url = platform::URL::fromString(apiUrl + "/api/Facility/Init");
  if (!url) {
    if (auto d = bleManagerDelegate()) d->onInitFailureWithError(BleSdkError::fixed(13));
    return;
  }
  HURequest request{*url, HUHttpMethods::POST, wire::encode(MDLInitApiRequest{apiKey})};
  std::weak_ptr<TarneloBLE> weak = weak_from_this();
  HttpUtility::shared().request<MDLInitApiResponse>(request, [weak](HUResult<MDLInitApiResponse> result) {
    platform::RunLoop::main().async([weak, result = std::move(result)] {
      auto self = weak.lock();
      if (!self) return;
      if (!result.isSuccess()) {
        if (auto d = self->bleManagerDelegate()) d->onInitFailureWithError(BleSdkError::initFailure(result.failure->reason));
        return;
      }
      std::optional<std::string> key;
      if (result.record && result.record->key && !result.record->key->empty()) key = result.record->key;
      // The key itself never goes to the log.
      platform::LogInfo(key ? "Response is: key received, " + std::to_string(key->size()) + " characters"
                            : std::string("Response is: No key saved"));
      if (!key) return;
      platform::UserDefaults::standard().setString(*key, TarneloBLEKeys::encryptionKey);
      KeychainHelper::shared().save(*key, DeviceConstant::encryptionKey);
      if (auto d = self->bleManagerDelegate()) d->onInitSuccessWithSuccessMsg(BLESuccessMessage::initialised);
    });
  });
}

std::optional<CBManagerState> TarneloBLE::bluetoothState() const {
  if (!centralManager) return std::nullopt;
  return centralManager->state();
}

BleSdkErrorPtr TarneloBLE::bluetoothStateError() const {
  if (!centralManager) return BleSdkError::fixed(3);
  switch (static_cast<int>(centralManager->state())) {
    case 0: return nullptr;
    case 1: return BleSdkError::fixed(4);
    case 2: return BleSdkError::fixed(5);
    case 3: return BleSdkError::fixed(2);
    case 4: return BleSdkError::fixed(1);
    case 5: return nullptr;
    default: return BleSdkError::fixed(5);
  }
}

void TarneloBLE::centralManagerDidUpdateState(corebluetooth::CBCentralManager& central) {
  if (auto error = bluetoothStateError()) {
    if (auto d = bleManagerDelegate()) d->onScanFailureWithError(error);
    return;
  }
  if (central.state() != CBManagerState::poweredOn) return;
  std::weak_ptr<TarneloBLE> weak = weak_from_this();
  platform::RunLoop::main().asyncAfter(kBeaconSetupDelay, [weak] {
    if (auto self = weak.lock()) self->beginBeaconSetup();
  });
}

void TarneloBLE::beginBeaconSetup() {
  locationManager->requestAlwaysAuthorization();
  locationManager->setDelegate(weak_from_this());
  beaconRegion = std::make_shared<corelocation::CLBeaconRegion>(kServiceUUID, kBeaconIdentifier);
  locationManager->startRangingBeaconsSatisfyingConstraint(corelocation::CLBeaconIdentityConstraint{kServiceUUID});
  peripheralManager = corebluetooth::CBPeripheralManager::create(weak_from_this());
  startScan();
}

void TarneloBLE::startBeaconAdvertising() {
  if (!beaconRegion || !peripheralManager) return;
  if (auto data = beaconRegion->peripheralDataWithMeasuredPower(std::nullopt)) peripheralManager->startAdvertising(*data);
}

void TarneloBLE::peripheralManagerDidUpdateState(corebluetooth::CBPeripheralManager& manager) {
  if (manager.state() == CBManagerState::poweredOn) startBeaconAdvertising();
}

void TarneloBLE::locationManagerDidEnterRegion(corelocation::CLLocationManager&, const corelocation::CLBeaconRegion&) {
  startBeaconAdvertising();
}

void TarneloBLE::locationManagerDidExitRegion(corelocation::CLLocationManager&, const corelocation::CLBeaconRegion&) {
  if (peripheralManager) peripheralManager->stopAdvertising();
}

void TarneloBLE::locationManagerDidRangeBeaconsSatisfyingConstraint(corelocation::CLLocationManager&,
                                                                    const std::vector<corelocation::CLBeacon>& beacons,
                                                                    const corelocation::CLBeaconIdentityConstraint&) {
  if (!platform::IsLoggable(platform::LogLevel::kDebug)) return;
  for (auto& b : beacons) {
    platform::LogDebug("beacon proximity " + std::to_string(b.proximity) + " major " + std::to_string(b.major) +
                       " minor " + std::to_string(b.minor) + " accuracy " + platform::FormatDouble(b.accuracy) +
                       " rssi " + std::to_string(b.rssi));
  }
}
