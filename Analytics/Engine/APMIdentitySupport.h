// What the engine asks of the platform's advertising identity: the
// tracking-authorisation status, limited ad tracking and the resettable
// advertising identifier.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class APMIdentitySupport {
 public:
  virtual ~APMIdentitySupport() = default;

  virtual bool hasAppDataConsentStatus() = 0;
  // -1 when the status cannot be read.
  virtual int64_t appDataConsentStatus() = 0;
  virtual bool hasLimitedAdTracking() = 0;
  virtual bool limitedAdTracking() = 0;
  virtual std::optional<std::string> resettableDeviceID() = 0;
};
