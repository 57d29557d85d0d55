#include "Analytics/Storage/Experiments/APMEClient.h"

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Storage/Experiments/APMEExperimentObserverDelegate.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESDKProperty.h"

APMEClient::APMEClient(std::shared_ptr<APMESDKProperty> property, std::vector<std::shared_ptr<APMPBFlag>> defaultFlags,
                       std::weak_ptr<APMEManager> manager)
    : SDKProperty_(std::move(property)), defaultFlags_(std::move(defaultFlags)), manager_(std::move(manager)) {}

std::shared_ptr<APMEClient> APMEClient::initWithSDKProperty(std::shared_ptr<APMESDKProperty> property,
                                                            std::vector<std::shared_ptr<APMPBFlag>> defaultFlags,
                                                            std::weak_ptr<APMEManager> manager) {
  if (!property) {
    APMEManager::monitor().logWithLevel(0, 830000, "Cannot initialize the client with nil property");
    return nullptr;
  }
  return std::shared_ptr<APMEClient>(new APMEClient(std::move(property), std::move(defaultFlags), std::move(manager)));
}

APMPBObject APMEClient::valueForFlag(std::string_view flagName) const {
  if (flagName.empty()) {
    APMEManager::monitor().logWithLevel(0, 830002, "Cannot get value for empty flag name");
    return {};
  }
  auto manager = manager_.lock();
  if (!manager) return {};
  return manager->flagValueForFlagName(flagName, SDKProperty_->name());
}

APMPBObject APMEClient::objectForKeyedSubscript(const APMPBObject& key) const {
  if (!key.isString()) {
    APMEManager::monitor().logWithLevel(0, 830003, "Cannot get flag value of an invalid flag name");
    return {};
  }
  return valueForFlag(*key.string());
}

bool APMEClient::activateLatestSnapshot(APMError* error) {
  auto manager = manager_.lock();
  return manager && manager->activateSnapshotOfSDK(SDKProperty_->name(), error);
}

bool APMEClient::hasStaleSnapshot() const {
  auto manager = manager_.lock();
  return manager && manager->activatedSnapshotStatusOfSDKName(SDKProperty_->name()) == 1;
}

void APMEClient::resetToDefaults() {
  if (auto manager = manager_.lock()) manager->resetToDefaultsOfSDKName(SDKProperty_->name());
}

std::string APMEClient::SDKName() const { return SDKProperty_->name(); }

std::shared_ptr<APMEExperimentObserverDelegate> APMEClient::delegate() const {
  std::lock_guard<std::mutex> lock(mu_);
  return delegate_.lock();
}

void APMEClient::setDelegate(std::weak_ptr<APMEExperimentObserverDelegate> delegate) {
  std::lock_guard<std::mutex> lock(mu_);
  delegate_ = std::move(delegate);
}
