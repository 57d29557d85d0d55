// The peripheral role, used only to advertise (iBeacon).
#pragma once
#include <memory>
#include <optional>

#include "Platform/CoreBluetooth/CBTypes.h"

namespace corebluetooth {

class CBPeripheralManager;

class CBPeripheralManagerDelegate {
 public:
  virtual ~CBPeripheralManagerDelegate() = default;
  virtual void peripheralManagerDidUpdateState(CBPeripheralManager& manager) = 0;
};

class CBPeripheralManager : public std::enable_shared_from_this<CBPeripheralManager> {
 public:
  // Starts in the state unknown; the radio's state follows asynchronously.
  static std::shared_ptr<CBPeripheralManager> create(std::weak_ptr<CBPeripheralManagerDelegate> delegate);
  ~CBPeripheralManager();

  CBManagerState state() const { return state_; }
  bool isAdvertising() const { return advertising_; }
  const std::optional<platform::Value::Dictionary>& advertisedData() const { return data_; }
  int advertisingStarts() const { return starts_; }
  std::shared_ptr<CBPeripheralManagerDelegate> delegate() const { return delegate_.lock(); }

  void startAdvertising(const platform::Value::Dictionary& data);
  void stopAdvertising();

  // Radio side.
  void setState(CBManagerState state) { state_ = state; }

  struct PrivateTag {};
  CBPeripheralManager(PrivateTag, std::weak_ptr<CBPeripheralManagerDelegate> delegate);

 private:
  std::weak_ptr<CBPeripheralManagerDelegate> delegate_;
  CBManagerState state_ = CBManagerState::unknown;
  bool advertising_ = false;
  int starts_ = 0;
  std::optional<platform::Value::Dictionary> data_;
};

}  // namespace corebluetooth
