#include "Platform/AppTrackingTransparency/ATTrackingManager.h"

#include <atomic>

#include "Platform/Runtime/ClassRegistry.h"

namespace apptrackingtransparency {

namespace {
std::atomic<std::int64_t>& Status() {
  static std::atomic<std::int64_t> status{kATTrackingManagerAuthorizationStatusNotDetermined};
  return status;
}
}  // namespace

std::int64_t ATTrackingManager::trackingAuthorizationStatus() { return Status().load(); }

void ATTrackingManager::setTrackingAuthorizationStatus(std::int64_t status) { Status().store(status); }

void RegisterAppTrackingTransparency() {
  platform::ClassRegistry::shared().registerClass(ATTrackingManager::kClassName, [] {
    return std::any(ATTrackingManagerClass{&ATTrackingManager::trackingAuthorizationStatus});
  });
}

}  // namespace apptrackingtransparency
