#include "Analytics/Storage/Experiments/APMESDKProperty.h"

#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESDKPropertyProviderDelegate.h"

namespace {

constexpr int32_t kClientSDKName = 0;
constexpr int32_t kClientDiversion = 1;
constexpr int32_t kClientVersion = 2;
constexpr int32_t kClientAppID = 3;
constexpr int32_t kClientCustomProperties = 4;
constexpr int32_t kCustomKey = 0;
constexpr int32_t kCustomValue = 1;

std::mutex& FallbackMutex() {
  static auto* mu = new std::mutex;
  return *mu;
}

std::function<std::string()>& FallbackProvider() {
  static auto* provider = new std::function<std::string()>;
  return *provider;
}

std::string FallbackDiversionKey() {
  std::function<std::string()> provider;
  {
    std::lock_guard<std::mutex> lock(FallbackMutex());
    provider = FallbackProvider();
  }
  if (provider) return provider();
  auto identity = APMIdentity::sharedInstance();
  return identity ? identity->diversionKey() : std::string();
}

}  // namespace

std::shared_ptr<APMESDKProperty> APMESDKProperty::initWithName(const std::optional<std::string>& name) {
  if (!name) {
    APMEManager::monitor().logWithLevel(1, 860000, "Cannot init SDK property with invalid name");
    return nullptr;
  }
  return std::shared_ptr<APMESDKProperty>(new APMESDKProperty(*name));
}

void APMESDKProperty::setFallbackDiversionKeyProviderForTesting(std::function<std::string()> provider) {
  std::lock_guard<std::mutex> lock(FallbackMutex());
  FallbackProvider() = std::move(provider);
}

std::shared_ptr<APMPBClientProperty> APMESDKProperty::proto() const {
  std::optional<std::string> ownKey = diversionKey();
  std::string key = ownKey && !ownKey->empty() ? *ownKey : FallbackDiversionKey();
  if (key.empty()) {
    APMEManager::monitor().logWithLevel(1, 860001, "Diversion key is empty");
    return nullptr;
  }
  auto message = std::make_shared<APMPBClientProperty>();
  APMPBSetString(message.get(), kClientDiversion, key + "-" + name_);
  APMPBSetString(message.get(), kClientSDKName, name_);
  auto app = appID();
  if (app) APMPBSetString(message.get(), kClientAppID, *app);
  APMPBSetInt64(message.get(), kClientVersion, version());

  std::map<std::string, std::string> properties = customProperties();
  if (auto provider = delegate()) {
    if (auto dynamic = provider->dynamicCustomPropertiesForSDKProperty(*this)) {
      for (auto& [k, v] : *dynamic) properties[k] = v;
    }
  }
  if (!properties.empty()) {
    std::vector<std::shared_ptr<APMPBCustomProperty>> list;
    for (const auto& [k, v] : properties) {
      auto property = std::make_shared<APMPBCustomProperty>();
      APMPBSetString(property.get(), kCustomKey, k);
      APMPBSetString(property.get(), kCustomValue, v);
      list.push_back(std::move(property));
    }
    APMPBSetMessageArray(message.get(), kClientCustomProperties, list);
  }
  return message;
}

int64_t APMESDKProperty::version() const {
  std::lock_guard<std::mutex> lock(mu_);
  return version_;
}

void APMESDKProperty::setVersion(int64_t version) {
  std::lock_guard<std::mutex> lock(mu_);
  version_ = version;
}

std::optional<std::string> APMESDKProperty::appID() const {
  std::lock_guard<std::mutex> lock(mu_);
  return appID_;
}

void APMESDKProperty::setAppID(std::optional<std::string> appID) {
  std::lock_guard<std::mutex> lock(mu_);
  appID_ = std::move(appID);
}

std::optional<std::string> APMESDKProperty::diversionKey() const {
  std::lock_guard<std::mutex> lock(mu_);
  return diversionKey_;
}

void APMESDKProperty::setDiversionKey(std::optional<std::string> diversionKey) {
  std::lock_guard<std::mutex> lock(mu_);
  diversionKey_ = std::move(diversionKey);
}

std::map<std::string, std::string> APMESDKProperty::customProperties() const {
  std::lock_guard<std::mutex> lock(mu_);
  return customProperties_;
}

void APMESDKProperty::setCustomProperties(std::map<std::string, std::string> customProperties) {
  std::lock_guard<std::mutex> lock(mu_);
  customProperties_ = std::move(customProperties);
}

std::shared_ptr<APMESDKPropertyProviderDelegate> APMESDKProperty::delegate() const {
  std::lock_guard<std::mutex> lock(mu_);
  return delegate_.lock();
}

void APMESDKProperty::setDelegate(std::weak_ptr<APMESDKPropertyProviderDelegate> delegate) {
  std::lock_guard<std::mutex> lock(mu_);
  delegate_ = std::move(delegate);
}
