#include "Facility/BLE+MainMethods/BLEDevice.h"

#include <algorithm>
#include <cmath>

#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Platform/CoreBluetooth/CBTypes.h"

BLEDevice::BLEDevice(corebluetooth::CBPeripheralPtr peripheral,
                     std::optional<platform::Value::Dictionary> advertisementData, std::optional<std::int64_t> rssi,
                     std::optional<std::int64_t> deviceTypeInt, std::vector<std::int64_t> rssiHistory,
                     double timestamp)
    : peripheral(std::move(peripheral)),
      advertisementData(std::move(advertisementData)),
      rssi(rssi),
      deviceTypeInt(deviceTypeInt),
      rssiHistory(std::move(rssiHistory)),
      timestamp(timestamp),
      lastSeen(timestamp) {}

std::optional<std::string> BLEDevice::identifierText() const {
  if (!peripheral) return std::nullopt;
  return peripheral->identifier();
}

bool BLEDevice::sameReader(const BLEDevice& other) const {
  if (!peripheral || !other.peripheral) return !peripheral && !other.peripheral;
  return peripheral->identifier() == other.peripheral->identifier();
}

const platform::Bytes* BLEDevice::manufacturerData() const {
  if (!advertisementData) return nullptr;
  auto it = advertisementData->find(corebluetooth::CBAdvertisementDataManufacturerDataKey);
  return it == advertisementData->end() ? nullptr : it->second.getBytes();
}

std::optional<std::string> BLEDevice::manufacturerHex() const {
  const platform::Bytes* data = manufacturerData();
  if (!data) return std::nullopt;
  return BLEEncryption::hexRepresentationWithSpaces_AS(*data);
}

std::optional<std::string> BLEDevice::typeCode() const {
  const platform::Bytes* data = manufacturerData();
  // 13 hex characters means byte 6 exists, as the hex text is read.
  if (!data || data->size() * 2 < 13) return std::nullopt;
  return manufacturerHex()->substr(10, 2);
}

bool BLEDevice::isDorvaFamily() const {
  auto code = typeCode();
  return code && (*code == "01" || *code == "07");
}

std::optional<char> BLEDevice::flagDigit() const {
  const platform::Bytes* data = manufacturerData();
  if (!data || data->size() * 2 < 14) return std::nullopt;
  static const char* kDigits = "0123456789abcdef";
  return kDigits[(*data)[6] >> 4];
}

std::optional<std::string> BLEDevice::localName() const {
  if (!advertisementData) return std::nullopt;
  auto it = advertisementData->find(corebluetooth::CBAdvertisementDataLocalNameKey);
  if (it == advertisementData->end() || !it->second.getString()) return std::nullopt;
  return *it->second.getString();
}

double distanceEstimate(std::int64_t rssi, std::int64_t reference) {
  if (rssi == 0) return -1.0;
  double ratio = static_cast<double>(rssi) / static_cast<double>(reference);
  if (ratio < 1.0) return std::pow(ratio, 10);
  return 0.89976 * std::pow(ratio, 7.7095) + 0.111;
}

void sortNearestFirst(std::vector<BLEDevicePtr>& devices) {
  std::stable_sort(devices.begin(), devices.end(), [](const BLEDevicePtr& a, const BLEDevicePtr& b) {
    return a->estimateDistance.value_or(0.0) < b->estimateDistance.value_or(0.0);
  });
}
