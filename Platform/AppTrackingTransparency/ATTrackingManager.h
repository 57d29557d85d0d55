// Tracking-authorisation stand-in. The device keeps one answer per app; it
// starts "not determined" (an app that never asked) and tools or tests set
// what the person answered. Callers find the class by name in
// platform::ClassRegistry once RegisterAppTrackingTransparency() ran; a
// device without the framework simply never registers it.
#pragma once

#include <cstdint>
#include <functional>

namespace apptrackingtransparency {

enum ATTrackingManagerAuthorizationStatus : std::int64_t {
  kATTrackingManagerAuthorizationStatusNotDetermined = 0,
  kATTrackingManagerAuthorizationStatusRestricted = 1,
  kATTrackingManagerAuthorizationStatusDenied = 2,
  kATTrackingManagerAuthorizationStatusAuthorized = 3,
};

class ATTrackingManager {
 public:
  static constexpr const char* kClassName = "ATTrackingManager";

  // Thread-safe.
  static std::int64_t trackingAuthorizationStatus();
  // Any number is kept, so callers also meet statuses newer than theirs.
  static void setTrackingAuthorizationStatus(std::int64_t status);
};

// What the registry's entry instantiates: the class methods as values. An
// empty member reads as a method the class does not answer.
struct ATTrackingManagerClass {
  std::function<std::int64_t()> trackingAuthorizationStatus;
};

// Registers "ATTrackingManager" in platform::ClassRegistry (idempotent).
void RegisterAppTrackingTransparency();

}  // namespace apptrackingtransparency
