#include "Analytics/Engine/APMPlatformIdentitySupport.h"

#include "Platform/AdSupport/ASIdentifierManager.h"
#include "Platform/AppTrackingTransparency/ATTrackingManager.h"
#include "Platform/Runtime/ClassRegistry.h"

namespace {

std::shared_ptr<adsupport::ASIdentifierManager> Manager(const std::optional<std::any>& object) {
  if (!object) return nullptr;
  const auto* manager = std::any_cast<std::shared_ptr<adsupport::ASIdentifierManager>>(&*object);
  return manager == nullptr ? nullptr : *manager;
}

}  // namespace

std::shared_ptr<APMPlatformIdentitySupport> APMPlatformIdentitySupport::sharedInstance() {
  static auto* instance = new std::shared_ptr<APMPlatformIdentitySupport>(std::make_shared<APMPlatformIdentitySupport>());
  return *instance;
}

void APMPlatformIdentitySupport::registerClass() {
  platform::ClassRegistry::shared().registerClass(
      kClassName, [] { return std::any(std::shared_ptr<APMIdentitySupport>(sharedInstance())); });
}

APMPlatformIdentitySupport::APMPlatformIdentitySupport() {
  auto& registry = platform::ClassRegistry::shared();
  if (registry.classExists(apptrackingtransparency::ATTrackingManager::kClassName)) {
    trackingManagerClass_ = registry.instantiate(apptrackingtransparency::ATTrackingManager::kClassName)
                                .value_or(std::any());
  }
  if (auto manager = registry.instantiate(adsupport::ASIdentifierManager::kClassName); Manager(manager)) {
    identifierManager_ = std::move(manager);
  }
}

bool APMPlatformIdentitySupport::hasAppDataConsentStatus() { return trackingManagerClass_.has_value(); }

int64_t APMPlatformIdentitySupport::appDataConsentStatus() {
  if (!trackingManagerClass_) return -1;
  const auto* methods = std::any_cast<apptrackingtransparency::ATTrackingManagerClass>(&*trackingManagerClass_);
  if (methods == nullptr || !methods->trackingAuthorizationStatus) return -1;
  return methods->trackingAuthorizationStatus();
}

bool APMPlatformIdentitySupport::hasLimitedAdTracking() { return identifierManager_.has_value(); }

bool APMPlatformIdentitySupport::limitedAdTracking() {
  auto manager = Manager(identifierManager_);
  return manager != nullptr && !manager->isAdvertisingTrackingEnabled();
}

std::optional<std::string> APMPlatformIdentitySupport::resettableDeviceID() {
  auto manager = Manager(identifierManager_);
  if (manager == nullptr) return std::nullopt;
  return manager->advertisingIdentifier().uuidString();
}
