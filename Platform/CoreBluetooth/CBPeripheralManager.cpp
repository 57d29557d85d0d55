#include "Platform/CoreBluetooth/CBPeripheralManager.h"

#include "Platform/CoreBluetooth/CBRadio.h"

namespace corebluetooth {

std::shared_ptr<CBPeripheralManager> CBPeripheralManager::create(std::weak_ptr<CBPeripheralManagerDelegate> delegate) {
  auto manager = std::make_shared<CBPeripheralManager>(PrivateTag{}, std::move(delegate));
  CBRadio::shared().attach(manager);
  return manager;
}

CBPeripheralManager::CBPeripheralManager(PrivateTag, std::weak_ptr<CBPeripheralManagerDelegate> delegate)
    : delegate_(std::move(delegate)) {}

CBPeripheralManager::~CBPeripheralManager() = default;

void CBPeripheralManager::startAdvertising(const platform::Value::Dictionary& data) {
  advertising_ = true;
  ++starts_;
  data_ = data;
}

void CBPeripheralManager::stopAdvertising() { advertising_ = false; }

}  // namespace corebluetooth
