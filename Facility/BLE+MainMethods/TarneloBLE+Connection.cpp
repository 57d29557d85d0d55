// Connection and punch write: connect -> services -> characteristics ->
// write -> success, vibration, disconnect. Each callback acts on the
// peripheral that sent it and on that peripheral's punch context.
#include <cstdlib>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Platform/CoreBluetooth/CBTypes.h"
#include "Platform/CoreBluetooth/Haptics.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"

using corebluetooth::CBCharacteristicPtr;
using corebluetooth::CBErrorOpt;
using corebluetooth::CBPeripheralPtr;
using corebluetooth::CBPeripheralState;
using corebluetooth::UUIDEquals;

namespace {

std::string Describe(const CBErrorOpt& error) { return error ? error->localizedDescription : std::string(); }

}  // namespace

TarneloBLE::PunchContext* TarneloBLE::punchContext(const std::string& identifier) {
  auto it = punches_.find(identifier);
  return it == punches_.end() ? nullptr : &it->second;
}

void TarneloBLE::endPunch(const std::string& identifier) {
  auto it = punches_.find(identifier);
  if (it == punches_.end()) return;
  if (it->second.watchdog) it->second.watchdog->cancel();
  punches_.erase(it);
}

void TarneloBLE::clearReader(const std::string& identifier) {
  if (auto device = findScannedDevice(identifier)) {
    device->wasPunched = false;
    replaceScannedDevice(device);
  }
}

void TarneloBLE::failPunch(const CBPeripheralPtr& peripheral, const CBErrorOpt& error) {
  const std::string identifier = peripheral->identifier();
  bool inFlight = punchContext(identifier) != nullptr;
  endPunch(identifier);
  clearReader(identifier);
  if (centralManager && peripheral->state() != CBPeripheralState::disconnected)
    centralManager->cancelPeripheralConnection(peripheral);
  if (!inFlight) return;
  if (auto d = bleManagerDelegate())
    d->onBleManagerFailureWithError(error ? BleSdkError::systemError(error->localizedDescription)
                                          : BleSdkError::fixed(24));
}

void TarneloBLE::punchWatchdogFired(const std::string& identifier) {
  if (!punchContext(identifier)) return;
  platform::LogWarning("Punch timed out for " + identifier);
  endPunch(identifier);
  clearReader(identifier);
  if (auto device = findScannedDevice(identifier); device && device->peripheral && centralManager)
    centralManager->cancelPeripheralConnection(device->peripheral);
  else if (connectedDevice && connectedDevice->peripheral && connectedDevice->peripheral->identifier() == identifier &&
           centralManager)
    centralManager->cancelPeripheralConnection(connectedDevice->peripheral);
  reportBleFailure(24);
}

void TarneloBLE::centralManagerDidConnectPeripheral(corebluetooth::CBCentralManager&,
                                                    const CBPeripheralPtr& peripheral) {
  peripheral->setDelegate(weak_from_this());
  if (peripheral->state() == CBPeripheralState::connected) peripheral->readRSSI();
  auto* context = punchContext(peripheral->identifier());
  bool dorva = context && context->dorvaFamily;
  if (peripheral->services() && !peripheral->services()->empty()) {
    peripheralDidDiscoverServices(peripheral, std::nullopt);
  } else {
    peripheral->discoverServices(std::vector<std::string>{dorva ? kDorvaService : kOtherService});
  }
}

void TarneloBLE::peripheralDidDiscoverServices(const CBPeripheralPtr& peripheral, const CBErrorOpt& error) {
  if (error) {
    platform::LogWarning("\ndidDiscoverServices: " + Describe(error) + "\n");
    failPunch(peripheral, error);
    return;
  }
  if (!peripheral->services()) return;
  if (peripheral->services()->empty()) {
    failPunch(peripheral, std::nullopt);
    return;
  }
  auto* context = punchContext(peripheral->identifier());
  bool dorva = context && context->dorvaFamily;
  if (context) {
    context->servicesPending = peripheral->services()->size();
    context->writeCharacteristicFound = false;
    context->discoveryError.reset();
  }
  for (auto& service : *peripheral->services()) {
    if (dorva) {
      peripheral->discoverCharacteristics(std::vector<std::string>{kDorvaWrite, kDorvaSecond}, service);
    } else {
      peripheral->discoverCharacteristics(std::vector<std::string>{kOtherSecond, kOtherWrite}, service);
    }
  }
}

void TarneloBLE::peripheralDidDiscoverCharacteristicsForServiceError(const CBPeripheralPtr& peripheral,
                                                                     const corebluetooth::CBServicePtr& service,
                                                                     const CBErrorOpt& error) {
  const std::string identifier = peripheral->identifier();
  if (error) {
    platform::LogWarning("\ndidDiscoverCharacteristicsFor: " + Describe(error) + "\n");
    clearReader(identifier);
  }
  auto* context = punchContext(identifier);
  bool foundWrite = false;
  if (service && service->characteristics()) {
    bool dorva = context && context->dorvaFamily;
    const char* writeUuid = dorva ? kDorvaWrite : kOtherWrite;
    const char* secondUuid = dorva ? kDorvaSecond : kOtherSecond;
    auto characteristics = *service->characteristics();
    for (auto& characteristic : characteristics) {
      if (UUIDEquals(characteristic->uuid(), writeUuid)) {
        foundWrite = true;
        peripheral->setNotifyValue(true, characteristic);
        writePunch(peripheral, characteristic);
      } else if (UUIDEquals(characteristic->uuid(), secondUuid)) {
        peripheral->setNotifyValue(true, characteristic);
        peripheral->readValue(characteristic);
      }
    }
  } else {
    clearReader(identifier);
  }
  if (!context) {
    if (!foundWrite) failPunch(peripheral, error);
    return;
  }
  // One service without the write characteristic proves nothing while
  // another may still carry it: decide once every service has answered.
  context->writeCharacteristicFound = context->writeCharacteristicFound || foundWrite;
  if (error && !context->discoveryError) context->discoveryError = error;
  if (context->servicesPending > 0) --context->servicesPending;
  if (context->servicesPending > 0 || context->writeCharacteristicFound) return;
  const CBErrorOpt firstError = context->discoveryError;  // failPunch drops the context
  failPunch(peripheral, firstError);
}

void TarneloBLE::writePunch(const CBPeripheralPtr& peripheral, const CBCharacteristicPtr& characteristic) {
  if (!command) return;
  auto* context = punchContext(peripheral->identifier());
  // Several services may carry the write characteristic; one frame per punch.
  if (!context || context->frameWritten) return;
  context->frameWritten = true;
  platform::Bytes bytes(context->frameText.begin(), context->frameText.end());
  platform::LogDebug("before writeValue");
  peripheral->writeValue(bytes, characteristic, corebluetooth::CBCharacteristicWriteType::withResponse);
  peripheral->setDelegate(weak_from_this());
}

void TarneloBLE::peripheralDidWriteValueForCharacteristicError(const CBPeripheralPtr& peripheral,
                                                               const CBCharacteristicPtr&, const CBErrorOpt& error) {
  const std::string identifier = peripheral->identifier();
  if (error) {
    failPunch(peripheral, error);
    return;
  }
  bool inFlight = punchContext(identifier) != nullptr;
  endPunch(identifier);
  clearReader(identifier);
  if (!inFlight) return;
  if (auto d = bleManagerDelegate()) d->onCommandSendSuccessWithSuccessMsg(BLESuccessMessage::commandSent);
  if (peripheral->state() == CBPeripheralState::connected) {
    corebluetooth::Haptics::shared().playSystemSound(corebluetooth::kSystemSoundID_Vibrate);
    disconnectAfterWrite(peripheral);
  }
}

void TarneloBLE::disconnectAfterWrite(const CBPeripheralPtr& peripheral) {
  clearReader(peripheral->identifier());
  if (centralManager) centralManager->cancelPeripheralConnection(peripheral);
}

void TarneloBLE::peripheralDidWriteValueForDescriptorError(const CBPeripheralPtr& peripheral, const std::string&,
                                                           const CBErrorOpt& error) {
  if (error) platform::LogWarning("didWriteValueFor descriptor : " + Describe(error));
  clearReader(peripheral->identifier());
  if (peripheral->state() == CBPeripheralState::connected) disconnectAfterWrite(peripheral);
}

void TarneloBLE::peripheralDidUpdateValueForCharacteristicError(const CBPeripheralPtr& peripheral,
                                                                const CBCharacteristicPtr&, const CBErrorOpt&) {
  clearReader(peripheral->identifier());
}

void TarneloBLE::peripheralDidReadRSSIError(const CBPeripheralPtr& peripheral, int rssi, const CBErrorOpt&) {
  auto index = indexOfDeviceWithId(scannedDevices, peripheral->identifier());
  if (!index) return;
  auto& device = scannedDevices[*index];
  device->lastPunchRSSI = std::llabs(static_cast<long long>(rssi));
  device->lastPunchTime = platform::Clock::nowSeconds();
}

void TarneloBLE::centralManagerDidFailToConnectPeripheralError(corebluetooth::CBCentralManager&,
                                                               const CBPeripheralPtr& peripheral,
                                                               const CBErrorOpt& error) {
  if (error) platform::LogWarning("didFailToConnect: " + Describe(error));
  const std::string identifier = peripheral->identifier();
  bool inFlight = punchContext(identifier) != nullptr;
  endPunch(identifier);
  if (auto d = bleManagerDelegate(); d && (inFlight || error))
    d->onBleManagerFailureWithError(error ? BleSdkError::systemError(error->localizedDescription)
                                          : BleSdkError::fixed(24));
  clearReader(identifier);
  startScan();
}

void TarneloBLE::centralManagerDidDisconnectPeripheralError(corebluetooth::CBCentralManager&,
                                                            const CBPeripheralPtr& peripheral,
                                                            const CBErrorOpt& error) {
  if (error) platform::LogWarning("didDisconnectPeripheral: " + Describe(error));
  // Still in flight means the link dropped before the frame was written.
  if (punchContext(peripheral->identifier())) {
    failPunch(peripheral, error);
    return;
  }
  clearReader(peripheral->identifier());
}
