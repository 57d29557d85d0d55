// Advertising-identifier stand-in: the device's one manager with the
// tracking switch and the resettable identifier. Defaults are those of a
// device whose person never allowed tracking: tracking off, the all-zero
// identifier. Callers find the class by name in platform::ClassRegistry once
// RegisterAdSupport() ran.
#pragma once

#include <memory>
#include <mutex>

#include "Platform/Foundation/UUID.h"

namespace adsupport {

class ASIdentifierManager {
 public:
  static constexpr const char* kClassName = "ASIdentifierManager";

  static std::shared_ptr<ASIdentifierManager> sharedManager();

  // Thread-safe.
  bool isAdvertisingTrackingEnabled() const;
  platform::UUID advertisingIdentifier() const;

  // The device's settings, changed by tools and tests.
  void setAdvertisingTrackingEnabled(bool enabled);
  void setAdvertisingIdentifier(const platform::UUID& identifier);

  ASIdentifierManager() = default;
  ASIdentifierManager(const ASIdentifierManager&) = delete;
  ASIdentifierManager& operator=(const ASIdentifierManager&) = delete;

 private:
  mutable std::mutex mu_;
  bool trackingEnabled_ = false;
  platform::UUID identifier_ = platform::UUID::zero();
};

// Registers "ASIdentifierManager" in platform::ClassRegistry (idempotent);
// its instance is the shared manager.
void RegisterAdSupport();

}  // namespace adsupport
