// Receiver of every outcome of the engine.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/BleSdkError.h"

using BLEDeviceEntry = std::map<std::string, std::string>;

class BleManagerDelegate {
 public:
  virtual ~BleManagerDelegate() = default;
  virtual void onInitSuccessWithSuccessMsg(const std::string& successMsg) = 0;
  virtual void onInitFailureWithError(const BleSdkErrorPtr& error) = 0;
  virtual void onScanSuccessWithSuccessMsg(const std::string& successMsg) = 0;
  virtual void onScanFailureWithError(const BleSdkErrorPtr& error) = 0;
  virtual void onBleManagerSuccessWithSuccessMsg(const std::string& successMsg) = 0;
  virtual void onBleManagerFailureWithError(const BleSdkErrorPtr& error) = 0;
  virtual void onCommandSendSuccessWithSuccessMsg(const std::string& successMsg) = 0;
  virtual void onGetDeviceListSuccessWithSuccessMsg(const std::string& successMsg,
                                                    const std::vector<BLEDeviceEntry>& deviceArray) = 0;
  virtual void onGetDeviceListFailureWithError(const BleSdkErrorPtr& error) = 0;
};
