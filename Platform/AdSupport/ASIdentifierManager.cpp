#include "Platform/AdSupport/ASIdentifierManager.h"

#include "Platform/Runtime/ClassRegistry.h"

namespace adsupport {

std::shared_ptr<ASIdentifierManager> ASIdentifierManager::sharedManager() {
  static auto* manager = new std::shared_ptr<ASIdentifierManager>(std::make_shared<ASIdentifierManager>());
  return *manager;
}

bool ASIdentifierManager::isAdvertisingTrackingEnabled() const {
  std::lock_guard<std::mutex> lock(mu_);
  return trackingEnabled_;
}

platform::UUID ASIdentifierManager::advertisingIdentifier() const {
  std::lock_guard<std::mutex> lock(mu_);
  return identifier_;
}

void ASIdentifierManager::setAdvertisingTrackingEnabled(bool enabled) {
  std::lock_guard<std::mutex> lock(mu_);
  trackingEnabled_ = enabled;
}

void ASIdentifierManager::setAdvertisingIdentifier(const platform::UUID& identifier) {
  std::lock_guard<std::mutex> lock(mu_);
  identifier_ = identifier;
}

void RegisterAdSupport() {
  platform::ClassRegistry::shared().registerClass(ASIdentifierManager::kClassName,
                                                  [] { return std::any(ASIdentifierManager::sharedManager()); });
}

}  // namespace adsupport
