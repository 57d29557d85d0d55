#include "Platform/CoreBluetooth/CBCentralManager.h"

#include "Platform/CoreBluetooth/CBRadio.h"

namespace corebluetooth {

std::shared_ptr<CBCentralManager> CBCentralManager::create(std::weak_ptr<CBCentralManagerDelegate> delegate,
                                                           const platform::Value::Dictionary& options) {
  auto central = std::make_shared<CBCentralManager>(PrivateTag{}, std::move(delegate), options);
  CBRadio::shared().attach(central);
  return central;
}

CBCentralManager::CBCentralManager(PrivateTag, std::weak_ptr<CBCentralManagerDelegate> delegate,
                                   platform::Value::Dictionary options)
    : delegate_(std::move(delegate)), options_(std::move(options)) {}

CBCentralManager::~CBCentralManager() = default;

void CBCentralManager::scanForPeripherals(const UUIDList& serviceUUIDs, bool allowDuplicates) {
  scanning_ = true;
  allowDuplicates_ = allowDuplicates;
  filter_ = serviceUUIDs;
  reported_.clear();
}

void CBCentralManager::stopScan() { scanning_ = false; }

void CBCentralManager::connect(const CBPeripheralPtr& peripheral) {
  CBRadio::shared().requestConnect(*this, peripheral);
}

void CBCentralManager::cancelPeripheralConnection(const CBPeripheralPtr& peripheral) {
  CBRadio::shared().requestCancel(*this, peripheral);
}

bool CBCentralManager::hears(const AdvertisementData& data, const std::string& identifier) {
  if (!scanning_) return false;
  if (filter_ && !filter_->empty()) {
    auto it = data.find(CBAdvertisementDataServiceUUIDsKey);
    const platform::Value::Array* list = it == data.end() ? nullptr : it->second.getArray();
    bool match = false;
    if (list) {
      for (auto& v : *list) {
        const std::string* s = v.getString();
        if (!s) continue;
        for (auto& f : *filter_) match = match || UUIDEquals(*s, f);
      }
    }
    if (!match) return false;
  }
  if (!allowDuplicates_) return reported_.insert(identifier).second;
  return true;
}

}  // namespace corebluetooth
