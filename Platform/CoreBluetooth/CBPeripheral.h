// A remote peripheral as the central sees it. Every request answers through
// the peripheral's delegate on the main run loop, never inside the call.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CoreBluetooth/CBService.h"
#include "Platform/CoreBluetooth/CBTypes.h"

namespace corebluetooth {

class CBPeripheral;
class CBCentralManager;
using CBPeripheralPtr = std::shared_ptr<CBPeripheral>;

enum class CBPeripheralState { disconnected = 0, connecting = 1, connected = 2, disconnecting = 3 };
enum class CBCharacteristicWriteType { withResponse = 0, withoutResponse = 1 };

class CBPeripheralDelegate {
 public:
  virtual ~CBPeripheralDelegate() = default;
  virtual void peripheralDidDiscoverServices(const CBPeripheralPtr&, const CBErrorOpt&) {}
  virtual void peripheralDidDiscoverCharacteristicsForServiceError(const CBPeripheralPtr&, const CBServicePtr&,
                                                                   const CBErrorOpt&) {}
  virtual void peripheralDidWriteValueForCharacteristicError(const CBPeripheralPtr&, const CBCharacteristicPtr&,
                                                             const CBErrorOpt&) {}
  virtual void peripheralDidWriteValueForDescriptorError(const CBPeripheralPtr&, const std::string& /*descriptor*/,
                                                         const CBErrorOpt&) {}
  virtual void peripheralDidUpdateValueForCharacteristicError(const CBPeripheralPtr&, const CBCharacteristicPtr&,
                                                              const CBErrorOpt&) {}
  virtual void peripheralDidUpdateNotificationStateForCharacteristicError(const CBPeripheralPtr&,
                                                                          const CBCharacteristicPtr&,
                                                                          const CBErrorOpt&) {}
  virtual void peripheralDidReadRSSIError(const CBPeripheralPtr&, int /*rssi*/, const CBErrorOpt&) {}
};

class CBPeripheral : public std::enable_shared_from_this<CBPeripheral> {
 public:
  explicit CBPeripheral(std::string identifier, std::string name = {})
      : identifier_(std::move(identifier)), name_(std::move(name)) {}

  // The platform's UUID text of the peripheral.
  const std::string& identifier() const { return identifier_; }
  const std::string& name() const { return name_; }
  CBPeripheralState state() const { return state_; }
  const std::optional<std::vector<CBServicePtr>>& services() const { return services_; }

  std::shared_ptr<CBPeripheralDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<CBPeripheralDelegate> delegate) { delegate_ = std::move(delegate); }

  void discoverServices(const UUIDList& serviceUUIDs);
  void discoverCharacteristics(const UUIDList& characteristicUUIDs, const CBServicePtr& service);
  void readValue(const CBCharacteristicPtr& characteristic);
  void writeValue(const platform::Bytes& data, const CBCharacteristicPtr& characteristic,
                  CBCharacteristicWriteType type);
  void setNotifyValue(bool enabled, const CBCharacteristicPtr& characteristic);
  void readRSSI();

  // Radio side.
  void setState(CBPeripheralState state) { state_ = state; }
  std::optional<std::vector<CBServicePtr>>& mutableServices() { return services_; }
  std::shared_ptr<CBCentralManager> owner() const { return owner_.lock(); }
  void setOwner(std::weak_ptr<CBCentralManager> owner) { owner_ = std::move(owner); }

 private:
  std::string identifier_;
  std::string name_;
  CBPeripheralState state_ = CBPeripheralState::disconnected;
  std::optional<std::vector<CBServicePtr>> services_;
  std::weak_ptr<CBPeripheralDelegate> delegate_;
  std::weak_ptr<CBCentralManager> owner_;
};

}  // namespace corebluetooth
