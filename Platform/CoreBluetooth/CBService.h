// A discovered service of a remote peripheral. Its characteristic list is
// absent until characteristics were discovered.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CoreBluetooth/CBCharacteristic.h"

namespace corebluetooth {

class CBPeripheral;

class CBService {
 public:
  CBService(std::string uuid, std::weak_ptr<CBPeripheral> peripheral)
      : uuid_(std::move(uuid)), peripheral_(std::move(peripheral)) {}
  const std::string& uuid() const { return uuid_; }
  std::shared_ptr<CBPeripheral> peripheral() const { return peripheral_.lock(); }
  const std::optional<std::vector<CBCharacteristicPtr>>& characteristics() const { return characteristics_; }

  // Radio side.
  std::optional<std::vector<CBCharacteristicPtr>>& mutableCharacteristics() { return characteristics_; }

 private:
  std::string uuid_;
  std::weak_ptr<CBPeripheral> peripheral_;
  std::optional<std::vector<CBCharacteristicPtr>> characteristics_;
};
using CBServicePtr = std::shared_ptr<CBService>;

}  // namespace corebluetooth
