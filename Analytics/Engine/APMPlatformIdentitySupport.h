// The identity-support add-on over the optional tracking-authorisation and
// advertising frameworks, both found by class name in the registry, so a
// device without them simply answers "not available".
#pragma once

#include <any>
#include <memory>
#include <optional>

#include "Analytics/Engine/APMIdentitySupport.h"

class APMPlatformIdentitySupport : public APMIdentitySupport {
 public:
  static constexpr const char* kClassName = "APMPlatformIdentitySupport";

  static std::shared_ptr<APMPlatformIdentitySupport> sharedInstance();
  // Registers the add-on by name; its instance is the shared one, held as a
  // std::shared_ptr<APMIdentitySupport>.
  static void registerClass();

  // Looks the frameworks up now.
  APMPlatformIdentitySupport();

  bool hasAppDataConsentStatus() override;
  int64_t appDataConsentStatus() override;
  bool hasLimitedAdTracking() override;
  bool limitedAdTracking() override;
  std::optional<std::string> resettableDeviceID() override;

 private:
  std::optional<std::any> trackingManagerClass_;
  std::optional<std::any> identifierManager_;
};
