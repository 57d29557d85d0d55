#include "Platform/CoreBluetooth/CBPeripheral.h"

#include "Platform/CoreBluetooth/CBRadio.h"
#include "Platform/Foundation/RunLoop.h"

namespace corebluetooth {

void CBPeripheral::discoverServices(const UUIDList& serviceUUIDs) {
  CBRadio::shared().requestServices(shared_from_this(), serviceUUIDs);
}

void CBPeripheral::discoverCharacteristics(const UUIDList& characteristicUUIDs, const CBServicePtr& service) {
  CBRadio::shared().requestCharacteristics(shared_from_this(), characteristicUUIDs, service);
}

void CBPeripheral::readValue(const CBCharacteristicPtr& characteristic) {
  CBRadio::shared().requestRead(shared_from_this(), characteristic);
}

void CBPeripheral::writeValue(const platform::Bytes& data, const CBCharacteristicPtr& characteristic,
                              CBCharacteristicWriteType type) {
  CBRadio::shared().requestWrite(shared_from_this(), characteristic, data,
                                 type == CBCharacteristicWriteType::withResponse);
}

void CBPeripheral::setNotifyValue(bool enabled, const CBCharacteristicPtr& characteristic) {
  if (!characteristic || state_ != CBPeripheralState::connected) return;
  characteristic->setNotifying(enabled);
  auto self = shared_from_this();
  platform::RunLoop::main().async([self, characteristic] {
    if (auto d = self->delegate())
      d->peripheralDidUpdateNotificationStateForCharacteristicError(self, characteristic, std::nullopt);
  });
}

void CBPeripheral::readRSSI() { CBRadio::shared().requestRSSI(shared_from_this()); }

}  // namespace corebluetooth
