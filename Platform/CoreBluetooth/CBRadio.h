// The simulated air between this phone and the readers around it. There is
// no Bluetooth hardware here, so every manager talks to this one medium; a
// test or tool scripts how each remote device behaves and drives
// advertisements, state changes and disconnects. Main thread only.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/CoreBluetooth/CBCentralManager.h"
#include "Platform/CoreBluetooth/CBPeripheral.h"
#include "Platform/CoreBluetooth/CBPeripheralManager.h"
#include "Platform/CoreBluetooth/CBTypes.h"

namespace corebluetooth {

// How one remote device answers.
struct CBRemoteScript {
  enum class Connect { succeed, failWithError, failWithoutError, silence };
  enum class Answer { succeed, fail, silence };

  std::string identifier;
  std::string name;
  Connect connect = Connect::succeed;
  std::string connectErrorText = "The connection has failed unexpectedly.";
  // Services in order, each with its characteristic UUIDs in order.
  std::vector<std::pair<std::string, std::vector<std::string>>> services;
  Answer serviceDiscovery = Answer::succeed;
  Answer characteristicDiscovery = Answer::succeed;
  Answer write = Answer::succeed;
  std::string errorText = "The operation failed.";
  // Sees every written value; an error here fails the write.
  std::function<CBErrorOpt(const std::string& characteristic, const platform::Bytes& value)> onWrite;
  platform::Bytes readValue;
  int rssi = -50;
};

class CBRadio {
 public:
  static CBRadio& shared();

  struct WriteRecord {
    std::string identifier;
    std::string characteristic;
    platform::Bytes value;
    bool withResponse = true;
  };

  // Forgets every remote device, record and counter; the state becomes
  // powered on. Managers already created stay attached.
  void reset();

  CBManagerState state() const { return state_; }
  // Every live manager hears the change in a later turn.
  void setState(CBManagerState state);

  CBPeripheralPtr addRemote(CBRemoteScript script);
  CBRemoteScript* script(const std::string& identifier);
  CBPeripheralPtr peripheral(const std::string& identifier) const;

  // One advertisement, heard by every scanning central whose filter matches.
  void advertise(const std::string& identifier, const AdvertisementData& data, int rssi);
  // The remote device drops the link.
  void disconnect(const std::string& identifier, const CBErrorOpt& error);
  // A descriptor write completes (the engine never starts one itself).
  void deliverDescriptorWrite(const std::string& identifier, const std::string& descriptor, const CBErrorOpt& error);

  const std::vector<WriteRecord>& writes() const { return writes_; }
  int connectCount(const std::string& identifier) const;
  int cancelCount(const std::string& identifier) const;
  int totalCancels() const;

  // Manager side.
  void attach(const std::shared_ptr<CBCentralManager>& central);
  void attach(const std::shared_ptr<CBPeripheralManager>& manager);
  void requestConnect(CBCentralManager& central, const CBPeripheralPtr& peripheral);
  void requestCancel(CBCentralManager& central, const CBPeripheralPtr& peripheral);
  void requestServices(const CBPeripheralPtr& peripheral, const UUIDList& filter);
  void requestCharacteristics(const CBPeripheralPtr& peripheral, const UUIDList& filter, const CBServicePtr& service);
  void requestWrite(const CBPeripheralPtr& peripheral, const CBCharacteristicPtr& characteristic,
                    const platform::Bytes& value, bool withResponse);
  void requestRead(const CBPeripheralPtr& peripheral, const CBCharacteristicPtr& characteristic);
  void requestRSSI(const CBPeripheralPtr& peripheral);

 private:
  CBRadio() = default;
  static CBErrorOpt errorFor(const CBRemoteScript& script);

  CBManagerState state_ = CBManagerState::poweredOn;
  std::map<std::string, CBRemoteScript> scripts_;
  std::map<std::string, CBPeripheralPtr> peripherals_;
  std::vector<std::weak_ptr<CBCentralManager>> centrals_;
  std::vector<std::weak_ptr<CBPeripheralManager>> peripheralManagers_;
  std::vector<WriteRecord> writes_;
  std::map<std::string, int> connects_;
  std::map<std::string, int> cancels_;
};

}  // namespace corebluetooth
