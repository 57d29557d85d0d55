// Shared vocabulary of the Bluetooth stand-in: manager states, errors and the
// advertisement keys.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Value.h"

namespace corebluetooth {

// Raw values as the platform numbers them; any other int may arrive too.
enum class CBManagerState : int {
  unknown = 0,
  resetting = 1,
  unsupported = 2,
  unauthorized = 3,
  poweredOff = 4,
  poweredOn = 5,
};

struct CBError {
  int code = 0;
  std::string domain = "CBErrorDomain";
  std::string localizedDescription;
};
using CBErrorOpt = std::optional<CBError>;

using AdvertisementData = platform::Value::Dictionary;
using UUIDList = std::optional<std::vector<std::string>>;

inline constexpr const char* CBAdvertisementDataManufacturerDataKey = "kCBAdvDataManufacturerData";
inline constexpr const char* CBAdvertisementDataLocalNameKey = "kCBAdvDataLocalName";
inline constexpr const char* CBAdvertisementDataServiceUUIDsKey = "kCBAdvDataServiceUUIDs";
inline constexpr const char* CBCentralManagerScanOptionAllowDuplicatesKey = "kCBScanOptionAllowDuplicates";
inline constexpr const char* CBCentralManagerOptionShowPowerAlertKey = "kCBInitOptionShowPowerAlert";

// UUID texts compare without regard to case, as the platform's UUID type does.
bool UUIDEquals(std::string_view a, std::string_view b);

}  // namespace corebluetooth
