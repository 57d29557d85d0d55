// An iBeacon region (proximity UUID, no major or minor) and the identity
// constraint ranging uses.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "Platform/Foundation/Value.h"

namespace corelocation {

struct CLBeaconIdentityConstraint {
  std::string uuid;
  friend bool operator==(const CLBeaconIdentityConstraint&, const CLBeaconIdentityConstraint&) = default;
};

class CLBeaconRegion {
 public:
  // A plain region with no beacon identity; it yields no advertisement.
  CLBeaconRegion() = default;
  CLBeaconRegion(std::string uuid, std::string identifier);

  const std::string& uuid() const { return uuid_; }
  const std::string& identifier() const { return identifier_; }

  // The iBeacon advertisement dictionary under "kCBAdvDataBeaconKey":
  // 16 UUID bytes, major, minor (big-endian, 0 here) and the measured power
  // (the platform's default of -59 dBm when none is given). None when the
  // region has no valid UUID.
  std::optional<platform::Value::Dictionary> peripheralDataWithMeasuredPower(std::optional<int> power) const;

  static constexpr const char* kBeaconKey = "kCBAdvDataBeaconKey";

 private:
  std::string uuid_;
  std::string identifier_;
};

}  // namespace corelocation
