// The engine's access to the advertising identity: the identity-support
// add-on when one is registered by name, else answers for a device without
// it. The advertising identifier is read on an own queue; callers wait for it
// at most 10 ms and otherwise get the value of an earlier read.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Analytics/Engine/APMIdentitySupport.h"

namespace platform {
class DispatchQueue;
}

class APMDefaultIdentitySupport : public APMIdentitySupport {
 public:
  static std::shared_ptr<APMDefaultIdentitySupport> sharedInstance();

  // Looks the add-on up now and logs whether it and the advertising
  // framework are there.
  APMDefaultIdentitySupport();
  ~APMDefaultIdentitySupport() override;

  static bool iOS14OrAbove();

  bool hasAppDataConsentStatus() override;
  int64_t appDataConsentStatus() override;
  bool hasLimitedAdTracking() override;
  // From 14.0 on: no identifier or the all-zero one; before: the add-on's answer.
  bool limitedAdTracking() override;
  std::optional<std::string> resettableDeviceID() override;

  static constexpr const char* kZeroDeviceID = "00000000-0000-0000-0000-000000000000";
  static constexpr double kReadTimeoutSeconds = 0.010;
  // Tests on a loaded machine allow the read more time than the queue
  // hand-off may take there.
  void setReadTimeoutForTesting(double seconds) { readTimeoutSeconds_ = seconds; }

 private:
  struct Shared;
  std::shared_ptr<APMIdentitySupport> platformIdentitySupport_;
  std::shared_ptr<Shared> shared_;  // the last identifier read, reached by queued reads
  std::shared_ptr<platform::DispatchQueue> queue_;
  std::atomic<double> readTimeoutSeconds_{kReadTimeoutSeconds};
};
