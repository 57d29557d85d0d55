// The central role: radio state, scanning with a service filter, connecting
// and cancelling. Callbacks reach the delegate on the main run loop, always in
// a later turn than the call that caused them.
#pragma once
#include <memory>
#include <set>
#include <string>

#include "Platform/CoreBluetooth/CBPeripheral.h"
#include "Platform/CoreBluetooth/CBTypes.h"

namespace corebluetooth {

class CBCentralManager;

class CBCentralManagerDelegate {
 public:
  virtual ~CBCentralManagerDelegate() = default;
  virtual void centralManagerDidUpdateState(CBCentralManager& central) = 0;
  virtual void centralManagerDidDiscoverPeripheralAdvertisementDataRSSI(CBCentralManager&, const CBPeripheralPtr&,
                                                                        const AdvertisementData&, int /*rssi*/) {}
  virtual void centralManagerDidConnectPeripheral(CBCentralManager&, const CBPeripheralPtr&) {}
  virtual void centralManagerDidFailToConnectPeripheralError(CBCentralManager&, const CBPeripheralPtr&,
                                                             const CBErrorOpt&) {}
  virtual void centralManagerDidDisconnectPeripheralError(CBCentralManager&, const CBPeripheralPtr&,
                                                          const CBErrorOpt&) {}
};

class CBCentralManager : public std::enable_shared_from_this<CBCentralManager> {
 public:
  // Starts in the state unknown; the radio's state follows asynchronously.
  static std::shared_ptr<CBCentralManager> create(std::weak_ptr<CBCentralManagerDelegate> delegate,
                                                  const platform::Value::Dictionary& options = {});
  ~CBCentralManager();

  CBManagerState state() const { return state_; }
  bool isScanning() const { return scanning_; }
  const platform::Value::Dictionary& options() const { return options_; }
  std::shared_ptr<CBCentralManagerDelegate> delegate() const { return delegate_.lock(); }

  // An absent or empty filter hears every advertiser. Without duplicates a
  // peripheral is reported once per scan.
  void scanForPeripherals(const UUIDList& serviceUUIDs, bool allowDuplicates);
  void stopScan();
  void connect(const CBPeripheralPtr& peripheral);
  void cancelPeripheralConnection(const CBPeripheralPtr& peripheral);

  // Radio side.
  void setState(CBManagerState state) { state_ = state; }
  bool hears(const AdvertisementData& data, const std::string& identifier);

  struct PrivateTag {};
  CBCentralManager(PrivateTag, std::weak_ptr<CBCentralManagerDelegate> delegate, platform::Value::Dictionary options);

 private:
  std::weak_ptr<CBCentralManagerDelegate> delegate_;
  platform::Value::Dictionary options_;
  CBManagerState state_ = CBManagerState::unknown;
  bool scanning_ = false;
  bool allowDuplicates_ = false;
  UUIDList filter_;
  std::set<std::string> reported_;
};

}  // namespace corebluetooth
