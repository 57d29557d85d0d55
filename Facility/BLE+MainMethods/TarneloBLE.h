// The access engine: scans for readers, keeps the ones in range, decides
// tap-and-go punches, and connects to a reader to write the encrypted punch
// frame. Every outcome reaches the caller only through its delegate. All of
// it runs on the main thread: the managers deliver on the main loop and the
// key set-up reply is moved there.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/BLEDevice.h"
#include "Facility/BLE+MainMethods/BleManagerDelegate.h"
#include "Facility/BLE+MainMethods/BleSdkError.h"
#include "Facility/BLE+MainMethods/Command.h"
#include "Platform/CoreBluetooth/CBCentralManager.h"
#include "Platform/CoreBluetooth/CBPeripheralManager.h"
#include "Platform/CoreLocation/CLLocationManager.h"
#include "Platform/Foundation/DispatchWorkItem.h"
#include "Platform/Foundation/Timer.h"

class TarneloBLE : public std::enable_shared_from_this<TarneloBLE>,
                   public corebluetooth::CBCentralManagerDelegate,
                   public corebluetooth::CBPeripheralDelegate,
                   public corebluetooth::CBPeripheralManagerDelegate,
                   public corelocation::CLLocationManagerDelegate {
 public:
  static constexpr const char* kServiceUUID = "3a4e2bed-0000-1000-8000-00805f9b34fb";
  static constexpr const char* kBeaconIdentifier = "com.example.MyBeacon1";
  static constexpr const char* kDorvaService = "49535343-FE7D-4AE5-8FA9-9FAFD205E455";
  static constexpr const char* kDorvaWrite = "49535343-8841-43F4-A8D4-ECBE34729BB3";
  static constexpr const char* kDorvaSecond = "49535343-1E4D-4BD9-BA61-23C647249616";
  static constexpr const char* kOtherService = "ED2B4E3A-2820-492F-9507-DF165285E831";
  static constexpr const char* kOtherWrite = "ED2B4E3B-2820-492F-9507-DF165285E831";
  static constexpr const char* kOtherSecond = "ED2B4E3C-2820-492F-9507-DF165285E831";
  // Same reader is punched again, and error 17 repeated, only after this.
  static constexpr double kPunchGuardSeconds = 3.0;
  // A punch that has not written its frame by then is abandoned.
  static constexpr double kPunchWatchdogSeconds = 10.0;
  static constexpr double kBeaconSetupDelay = 1.0;
  static constexpr double kStaleReaderSeconds = 10.0;

  // The process-wide engine, created on first use.
  static TarneloBLE& shared();
  // A separate engine (tests, tools).
  static std::shared_ptr<TarneloBLE> create();

  struct PrivateTag {};
  explicit TarneloBLE(PrivateTag);

  std::shared_ptr<BleManagerDelegate> bleManagerDelegate() const { return bleManagerDelegate_.lock(); }
  void setBleManagerDelegate(std::weak_ptr<BleManagerDelegate> delegate) { bleManagerDelegate_ = std::move(delegate); }

  // Public operations; outcomes go to the delegate.
  void initSdkWithApiURL(const std::string& apiUrl, const std::string& apiKey);
  void startScan();
  void startScanWithTapAndGoWithTapAndGoEnabled(bool tapAndGoEnabled);
  void stopScan();
  void insertTapAndGoDataWithTag(const std::string& tag, std::int64_t destinationFloor, std::int64_t boardingFloor,
                                 std::int64_t selectedFloor, std::int64_t sensitivity);
  void makePunchWithTagId(const std::string& tagId, std::int64_t destinationFloor, std::int64_t boardingFloor,
                          std::int64_t selectedFloor, const std::string& deviceUniqueId);
  void getDeviceList();
  void getSdkVersion();
  void removeKeychain();
  void startBeaconAdvertising();

  // Bluetooth state.
  std::optional<corebluetooth::CBManagerState> bluetoothState() const;
  BleSdkErrorPtr bluetoothStateError() const;
  void beginBeaconSetup();

  // Drops readers not heard for kStaleReaderSeconds.
  void timerFunction();

  // Reader list helpers (identifier text comparison).
  void replaceScannedDevice(const BLEDevicePtr& device);
  BLEDevicePtr findScannedDevice(const std::string& identifier) const;
  static std::optional<std::size_t> indexOfDeviceWithId(const std::vector<BLEDevicePtr>& list,
                                                        const std::string& identifier);
  static std::vector<BLEDevicePtr> scannedDevicesMatching(const std::vector<BLEDevicePtr>& list,
                                                          const BLEDevice& device);
  static std::string storedEncryptionKey();
  std::int64_t tapRSSI(const BLEDevice& device) const;
  std::int64_t punchThreshold(const BLEDevice& device) const;

  // Fields.
  platform::TimerPtr deviceRemoveTimer;
  std::optional<Command> command;
  BLEDevicePtr connectedDevice;
  std::shared_ptr<corelocation::CLLocationManager> locationManager;
  std::shared_ptr<corelocation::CLBeaconRegion> beaconRegion;
  std::shared_ptr<corebluetooth::CBPeripheralManager> peripheralManager;
  bool isTapAndGoEnabled = true;
  std::string tagId;
  std::int64_t tapAndGoSelectedFloor = 0;
  std::int64_t tapAndGoBoardingFloor = 0;
  std::int64_t tapAndGoDestinationFloor = 0;
  std::int64_t sensitityLevel = 2;
  double lastTapTime;
  std::vector<BLEDevicePtr> scannedDevices;
  std::shared_ptr<corebluetooth::CBCentralManager> centralManager;

  // Central manager.
  void centralManagerDidUpdateState(corebluetooth::CBCentralManager& central) override;
  void centralManagerDidDiscoverPeripheralAdvertisementDataRSSI(corebluetooth::CBCentralManager& central,
                                                                const corebluetooth::CBPeripheralPtr& peripheral,
                                                                const corebluetooth::AdvertisementData& data,
                                                                int rssi) override;
  void centralManagerDidConnectPeripheral(corebluetooth::CBCentralManager& central,
                                          const corebluetooth::CBPeripheralPtr& peripheral) override;
  void centralManagerDidFailToConnectPeripheralError(corebluetooth::CBCentralManager& central,
                                                     const corebluetooth::CBPeripheralPtr& peripheral,
                                                     const corebluetooth::CBErrorOpt& error) override;
  void centralManagerDidDisconnectPeripheralError(corebluetooth::CBCentralManager& central,
                                                  const corebluetooth::CBPeripheralPtr& peripheral,
                                                  const corebluetooth::CBErrorOpt& error) override;
  // Peripheral.
  void peripheralDidDiscoverServices(const corebluetooth::CBPeripheralPtr& peripheral,
                                     const corebluetooth::CBErrorOpt& error) override;
  void peripheralDidDiscoverCharacteristicsForServiceError(const corebluetooth::CBPeripheralPtr& peripheral,
                                                           const corebluetooth::CBServicePtr& service,
                                                           const corebluetooth::CBErrorOpt& error) override;
  void peripheralDidWriteValueForCharacteristicError(const corebluetooth::CBPeripheralPtr& peripheral,
                                                     const corebluetooth::CBCharacteristicPtr& characteristic,
                                                     const corebluetooth::CBErrorOpt& error) override;
  void peripheralDidWriteValueForDescriptorError(const corebluetooth::CBPeripheralPtr& peripheral,
                                                 const std::string& descriptor,
                                                 const corebluetooth::CBErrorOpt& error) override;
  void peripheralDidUpdateValueForCharacteristicError(const corebluetooth::CBPeripheralPtr& peripheral,
                                                      const corebluetooth::CBCharacteristicPtr& characteristic,
                                                      const corebluetooth::CBErrorOpt& error) override;
  void peripheralDidReadRSSIError(const corebluetooth::CBPeripheralPtr& peripheral, int rssi,
                                  const corebluetooth::CBErrorOpt& error) override;
  // Peripheral manager and location.
  void peripheralManagerDidUpdateState(corebluetooth::CBPeripheralManager& manager) override;
  void locationManagerDidEnterRegion(corelocation::CLLocationManager& manager,
                                     const corelocation::CLBeaconRegion& region) override;
  void locationManagerDidExitRegion(corelocation::CLLocationManager& manager,
                                    const corelocation::CLBeaconRegion& region) override;
  void locationManagerDidRangeBeaconsSatisfyingConstraint(
      corelocation::CLLocationManager& manager, const std::vector<corelocation::CLBeacon>& beacons,
      const corelocation::CLBeaconIdentityConstraint& constraint) override;

 private:
  // One punch in flight per reader: its frame was built at request time.
  struct PunchContext {
    std::string frameText;
    bool dorvaFamily = false;
    std::string identifier;
    platform::DispatchWorkItemPtr watchdog;
    // Services whose characteristics have not answered yet; the write
    // characteristic may sit on any of them.
    std::size_t servicesPending = 0;
    bool writeCharacteristicFound = false;
    bool frameWritten = false;
    corebluetooth::CBErrorOpt discoveryError;
  };

  void reportBleFailure(std::int64_t code);
  // The stored tag, floors and sensitivity, read again before each use.
  void reloadTapAndGoValues();
  void clearReader(const std::string& identifier);
  PunchContext* punchContext(const std::string& identifier);
  void endPunch(const std::string& identifier);
  void failPunch(const corebluetooth::CBPeripheralPtr& peripheral, const corebluetooth::CBErrorOpt& error);
  void writePunch(const corebluetooth::CBPeripheralPtr& peripheral,
                  const corebluetooth::CBCharacteristicPtr& characteristic);
  void disconnectAfterWrite(const corebluetooth::CBPeripheralPtr& peripheral);
  void punchWatchdogFired(const std::string& identifier);
  void runTapAndGoTask(const BLEDevicePtr& device, std::int64_t absRssi, std::int64_t tap);
  void logEmptyValues() const;

  std::weak_ptr<BleManagerDelegate> bleManagerDelegate_;
  std::map<std::string, PunchContext> punches_;
  std::map<std::string, double> lastFlagError_;
};
