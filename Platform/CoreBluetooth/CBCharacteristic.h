// A characteristic of a remote service: its UUID, the last value read or
// notified, and whether notifications are on.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/Value.h"

namespace corebluetooth {

class CBService;

class CBCharacteristic {
 public:
  CBCharacteristic(std::string uuid, std::weak_ptr<CBService> service)
      : uuid_(std::move(uuid)), service_(std::move(service)) {}
  const std::string& uuid() const { return uuid_; }
  std::shared_ptr<CBService> service() const { return service_.lock(); }
  const std::optional<platform::Bytes>& value() const { return value_; }
  bool isNotifying() const { return notifying_; }

  // Radio side.
  void setValue(std::optional<platform::Bytes> value) { value_ = std::move(value); }
  void setNotifying(bool on) { notifying_ = on; }

 private:
  std::string uuid_;
  std::weak_ptr<CBService> service_;
  std::optional<platform::Bytes> value_;
  bool notifying_ = false;
};
using CBCharacteristicPtr = std::shared_ptr<CBCharacteristic>;

}  // namespace corebluetooth
