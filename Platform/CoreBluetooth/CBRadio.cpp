#include "Platform/CoreBluetooth/CBRadio.h"

#include <algorithm>

#include "Platform/Foundation/RunLoop.h"

namespace corebluetooth {
namespace {

// Delivers on the main loop in a later turn; the peripheral's delegate is
// read when the callback runs, as the platform does.
template <typename F>
void Later(F&& fn) {
  platform::RunLoop::main().async(std::forward<F>(fn));
}

bool Matches(const UUIDList& filter, const std::string& uuid) {
  if (!filter || filter->empty()) return true;
  return std::any_of(filter->begin(), filter->end(), [&](const std::string& f) { return UUIDEquals(f, uuid); });
}

}  // namespace

CBRadio& CBRadio::shared() {
  static CBRadio* radio = new CBRadio();
  return *radio;
}

void CBRadio::reset() {
  state_ = CBManagerState::poweredOn;
  scripts_.clear();
  peripherals_.clear();
  writes_.clear();
  connects_.clear();
  cancels_.clear();
}

void CBRadio::setState(CBManagerState state) {
  state_ = state;
  for (auto& weak : centrals_) {
    Later([weak, state] {
      auto central = weak.lock();
      if (!central) return;
      central->setState(state);
      if (auto d = central->delegate()) d->centralManagerDidUpdateState(*central);
    });
  }
  for (auto& weak : peripheralManagers_) {
    Later([weak, state] {
      auto manager = weak.lock();
      if (!manager) return;
      manager->setState(state);
      if (auto d = manager->delegate()) d->peripheralManagerDidUpdateState(*manager);
    });
  }
}

CBPeripheralPtr CBRadio::addRemote(CBRemoteScript script) {
  auto peripheral = std::make_shared<CBPeripheral>(script.identifier, script.name);
  peripherals_[script.identifier] = peripheral;
  scripts_[script.identifier] = std::move(script);
  return peripheral;
}

CBRemoteScript* CBRadio::script(const std::string& identifier) {
  auto it = scripts_.find(identifier);
  return it == scripts_.end() ? nullptr : &it->second;
}

CBPeripheralPtr CBRadio::peripheral(const std::string& identifier) const {
  auto it = peripherals_.find(identifier);
  return it == peripherals_.end() ? nullptr : it->second;
}

void CBRadio::advertise(const std::string& identifier, const AdvertisementData& data, int rssi) {
  auto peripheral = this->peripheral(identifier);
  if (!peripheral) {
    CBRemoteScript fresh;
    fresh.identifier = identifier;
    peripheral = addRemote(std::move(fresh));
  }
  scripts_[identifier].rssi = rssi;
  centrals_.erase(std::remove_if(centrals_.begin(), centrals_.end(), [](auto& w) { return w.expired(); }),
                  centrals_.end());
  for (auto& weak : centrals_) {
    auto central = weak.lock();
    if (!central || central->state() != CBManagerState::poweredOn) continue;
    if (!central->hears(data, identifier)) continue;
    Later([weak, peripheral, data, rssi] {
      auto c = weak.lock();
      if (!c || !c->isScanning()) return;
      if (auto d = c->delegate()) d->centralManagerDidDiscoverPeripheralAdvertisementDataRSSI(*c, peripheral, data, rssi);
    });
  }
}

void CBRadio::disconnect(const std::string& identifier, const CBErrorOpt& error) {
  auto peripheral = this->peripheral(identifier);
  if (!peripheral || peripheral->state() == CBPeripheralState::disconnected) return;
  peripheral->setState(CBPeripheralState::disconnected);
  peripheral->mutableServices().reset();
  std::weak_ptr<CBCentralManager> owner = peripheral->owner();
  Later([owner, peripheral, error] {
    auto c = owner.lock();
    if (!c) return;
    if (auto d = c->delegate()) d->centralManagerDidDisconnectPeripheralError(*c, peripheral, error);
  });
}

void CBRadio::deliverDescriptorWrite(const std::string& identifier, const std::string& descriptor,
                                     const CBErrorOpt& error) {
  auto peripheral = this->peripheral(identifier);
  if (!peripheral) return;
  Later([peripheral, descriptor, error] {
    if (auto d = peripheral->delegate()) d->peripheralDidWriteValueForDescriptorError(peripheral, descriptor, error);
  });
}

int CBRadio::connectCount(const std::string& identifier) const {
  auto it = connects_.find(identifier);
  return it == connects_.end() ? 0 : it->second;
}

int CBRadio::cancelCount(const std::string& identifier) const {
  auto it = cancels_.find(identifier);
  return it == cancels_.end() ? 0 : it->second;
}

int CBRadio::totalCancels() const {
  int total = 0;
  for (auto& [id, n] : cancels_) total += n;
  return total;
}

void CBRadio::attach(const std::shared_ptr<CBCentralManager>& central) {
  centrals_.push_back(central);
  std::weak_ptr<CBCentralManager> weak = central;
  // The state as it is now; a later change arrives as its own callback.
  CBManagerState state = state_;
  Later([weak, state] {
    auto c = weak.lock();
    if (!c) return;
    c->setState(state);
    if (state == CBManagerState::unknown) return;
    if (auto d = c->delegate()) d->centralManagerDidUpdateState(*c);
  });
}

void CBRadio::attach(const std::shared_ptr<CBPeripheralManager>& manager) {
  peripheralManagers_.erase(std::remove_if(peripheralManagers_.begin(), peripheralManagers_.end(),
                                           [](auto& w) { return w.expired(); }),
                            peripheralManagers_.end());
  peripheralManagers_.push_back(manager);
  std::weak_ptr<CBPeripheralManager> weak = manager;
  CBManagerState state = state_;
  Later([weak, state] {
    auto m = weak.lock();
    if (!m) return;
    m->setState(state);
    if (state == CBManagerState::unknown) return;
    if (auto d = m->delegate()) d->peripheralManagerDidUpdateState(*m);
  });
}

CBErrorOpt CBRadio::errorFor(const CBRemoteScript& script) {
  return CBError{.code = 0, .domain = "CBErrorDomain", .localizedDescription = script.errorText};
}

void CBRadio::requestConnect(CBCentralManager& central, const CBPeripheralPtr& peripheral) {
  if (!peripheral) return;
  connects_[peripheral->identifier()]++;
  peripheral->setOwner(central.weak_from_this());
  auto* s = script(peripheral->identifier());
  auto mode = s ? s->connect : CBRemoteScript::Connect::silence;
  std::weak_ptr<CBCentralManager> weak = central.weak_from_this();
  if (mode == CBRemoteScript::Connect::silence) {
    peripheral->setState(CBPeripheralState::connecting);
    return;
  }
  if (mode == CBRemoteScript::Connect::succeed) {
    peripheral->setState(CBPeripheralState::connecting);
    Later([weak, peripheral] {
      auto c = weak.lock();
      if (!c || peripheral->state() != CBPeripheralState::connecting) return;
      peripheral->setState(CBPeripheralState::connected);
      if (auto d = c->delegate()) d->centralManagerDidConnectPeripheral(*c, peripheral);
    });
    return;
  }
  CBErrorOpt error;
  if (mode == CBRemoteScript::Connect::failWithError)
    error = CBError{.code = 14, .domain = "CBErrorDomain", .localizedDescription = s->connectErrorText};
  peripheral->setState(CBPeripheralState::disconnected);
  Later([weak, peripheral, error] {
    auto c = weak.lock();
    if (!c) return;
    if (auto d = c->delegate()) d->centralManagerDidFailToConnectPeripheralError(*c, peripheral, error);
  });
}

void CBRadio::requestCancel(CBCentralManager& central, const CBPeripheralPtr& peripheral) {
  if (!peripheral) return;
  cancels_[peripheral->identifier()]++;
  if (peripheral->state() == CBPeripheralState::disconnected) return;
  peripheral->setState(CBPeripheralState::disconnected);
  peripheral->mutableServices().reset();
  std::weak_ptr<CBCentralManager> weak = central.weak_from_this();
  Later([weak, peripheral] {
    auto c = weak.lock();
    if (!c) return;
    if (auto d = c->delegate()) d->centralManagerDidDisconnectPeripheralError(*c, peripheral, std::nullopt);
  });
}

void CBRadio::requestServices(const CBPeripheralPtr& peripheral, const UUIDList& filter) {
  auto* s = script(peripheral->identifier());
  if (!s || peripheral->state() != CBPeripheralState::connected) return;
  if (s->serviceDiscovery == CBRemoteScript::Answer::silence) return;
  CBErrorOpt error;
  if (s->serviceDiscovery == CBRemoteScript::Answer::fail) {
    error = errorFor(*s);
  } else {
    std::vector<CBServicePtr> found;
    for (auto& [uuid, chars] : s->services) {
      if (Matches(filter, uuid)) found.push_back(std::make_shared<CBService>(uuid, peripheral));
    }
    peripheral->mutableServices() = std::move(found);
  }
  Later([peripheral, error] {
    if (auto d = peripheral->delegate()) d->peripheralDidDiscoverServices(peripheral, error);
  });
}

void CBRadio::requestCharacteristics(const CBPeripheralPtr& peripheral, const UUIDList& filter,
                                     const CBServicePtr& service) {
  auto* s = script(peripheral->identifier());
  if (!s || !service || peripheral->state() != CBPeripheralState::connected) return;
  if (s->characteristicDiscovery == CBRemoteScript::Answer::silence) return;
  CBErrorOpt error;
  if (s->characteristicDiscovery == CBRemoteScript::Answer::fail) {
    error = errorFor(*s);
  } else {
    // A device may offer the same service UUID more than once: the n-th
    // discovered service of a UUID answers with the n-th scripted one.
    std::size_t nth = 0;
    if (auto& known = peripheral->services()) {
      for (auto& other : *known) {
        if (other == service) break;
        if (UUIDEquals(other->uuid(), service->uuid())) ++nth;
      }
    }
    std::vector<CBCharacteristicPtr> found;
    for (auto& [uuid, chars] : s->services) {
      if (!UUIDEquals(uuid, service->uuid())) continue;
      if (nth-- > 0) continue;
      for (auto& c : chars) {
        if (Matches(filter, c)) found.push_back(std::make_shared<CBCharacteristic>(c, service));
      }
      break;
    }
    service->mutableCharacteristics() = std::move(found);
  }
  Later([peripheral, service, error] {
    if (auto d = peripheral->delegate()) d->peripheralDidDiscoverCharacteristicsForServiceError(peripheral, service, error);
  });
}

void CBRadio::requestWrite(const CBPeripheralPtr& peripheral, const CBCharacteristicPtr& characteristic,
                           const platform::Bytes& value, bool withResponse) {
  auto* s = script(peripheral->identifier());
  if (!s || !characteristic || peripheral->state() != CBPeripheralState::connected) return;
  writes_.push_back({peripheral->identifier(), characteristic->uuid(), value, withResponse});
  CBErrorOpt error;
  if (s->onWrite) error = s->onWrite(characteristic->uuid(), value);
  if (s->write == CBRemoteScript::Answer::fail && !error) error = errorFor(*s);
  if (!withResponse || s->write == CBRemoteScript::Answer::silence) return;
  Later([peripheral, characteristic, error] {
    if (auto d = peripheral->delegate()) d->peripheralDidWriteValueForCharacteristicError(peripheral, characteristic, error);
  });
}

void CBRadio::requestRead(const CBPeripheralPtr& peripheral, const CBCharacteristicPtr& characteristic) {
  auto* s = script(peripheral->identifier());
  if (!s || !characteristic || peripheral->state() != CBPeripheralState::connected) return;
  characteristic->setValue(s->readValue);
  Later([peripheral, characteristic] {
    if (auto d = peripheral->delegate())
      d->peripheralDidUpdateValueForCharacteristicError(peripheral, characteristic, std::nullopt);
  });
}

void CBRadio::requestRSSI(const CBPeripheralPtr& peripheral) {
  auto* s = script(peripheral->identifier());
  if (!s || peripheral->state() != CBPeripheralState::connected) return;
  int rssi = s->rssi;
  Later([peripheral, rssi] {
    if (auto d = peripheral->delegate()) d->peripheralDidReadRSSIError(peripheral, rssi, std::nullopt);
  });
}

}  // namespace corebluetooth
