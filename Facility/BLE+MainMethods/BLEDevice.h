// One reader heard during a scan, shared by the engine's list and whoever
// holds it. The derived values are recomputed from the latest advertisement.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CoreBluetooth/CBPeripheral.h"
#include "Platform/Foundation/Value.h"

class BLEDevice;
using BLEDevicePtr = std::shared_ptr<BLEDevice>;

class BLEDevice {
 public:
  BLEDevice(corebluetooth::CBPeripheralPtr peripheral, std::optional<platform::Value::Dictionary> advertisementData,
            std::optional<std::int64_t> rssi, std::optional<std::int64_t> deviceTypeInt,
            std::vector<std::int64_t> rssiHistory, double timestamp);

  const corebluetooth::CBPeripheralPtr peripheral;
  std::optional<platform::Value::Dictionary> advertisementData;
  const std::optional<std::int64_t> rssi;
  const std::optional<std::int64_t> deviceTypeInt;
  std::vector<std::int64_t> rssiHistory;
  const double timestamp;  // first sighting
  bool isConnected = false;
  bool isOutofRange = false;
  bool wasPunched = false;
  std::optional<double> punchTimeStamp;
  std::optional<double> estimateDistance;
  std::optional<double> lastPunchTime;
  std::optional<std::int64_t> lastPunchRSSI;
  // Latest advertisement; stale readers are pruned on this, never on the
  // first sighting.
  double lastSeen;

  // The peripheral's identifier text, none without a peripheral.
  std::optional<std::string> identifierText() const;
  // Same identifier text, or both without a peripheral.
  bool sameReader(const BLEDevice& other) const;

  const platform::Bytes* manufacturerData() const;
  std::optional<std::string> manufacturerHex() const;
  std::optional<std::string> typeCode() const;
  bool isDorvaFamily() const;
  std::optional<char> flagDigit() const;
  std::optional<std::string> localName() const;
};

// Distance estimate from a reading and a reference power (non-zero).
double distanceEstimate(std::int64_t rssi, std::int64_t reference);
// Nearest first, absent distance as 0.0; stable.
void sortNearestFirst(std::vector<BLEDevicePtr>& devices);
