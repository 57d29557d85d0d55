#include "Analytics/Storage/Experiments/APMEExperimentRequestBuilder.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESDKProperty.h"
#include "Platform/Foundation/Locale.h"

namespace {

constexpr int32_t kAppPlatform = 0;
constexpr int32_t kAppLanguage = 3;
constexpr int32_t kAppBundleIdentifier = 4;
constexpr int32_t kAppModuleVersion = 6;
constexpr int32_t kRequestAppProperty = 0;
constexpr int32_t kRequestClientProperties = 1;

}  // namespace

APMEExperimentRequestBuilder& APMEExperimentRequestBuilder::sharedInstance() {
  static auto* shared = new APMEExperimentRequestBuilder;
  return *shared;
}

void APMEExperimentRequestBuilder::addSDKProperty(const std::shared_ptr<APMESDKProperty>& property) {
  if (!property) {
    APMEManager::monitor().logWithLevel(2, 880000, "Cannot add an empty SDK property.");
    return;
  }
  std::lock_guard<std::mutex> lock(mu_);
  clientPropertyBySDKName_[property->name()] = property;
}

std::shared_ptr<APMPBAppProperty> APMEExperimentRequestBuilder::appPropertyProto() const {
  auto message = std::make_shared<APMPBAppProperty>();
  APMPBSetString(message.get(), kAppPlatform, "ios");
  auto languages = platform::Locale::preferredLanguages();
  if (!languages.empty()) {
    std::string language = languages.front();
    std::transform(language.begin(), language.end(), language.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    APMPBSetString(message.get(), kAppLanguage, language);
  }
  APMPBSetString(message.get(), kAppBundleIdentifier, APMMainBundle::bundleIdentifier());
  APMPBSetInt64(message.get(), kAppModuleVersion, APMEManager::version());
  return message;
}

std::shared_ptr<APMPBExperimentRequest> APMEExperimentRequestBuilder::request() const {
  std::vector<std::shared_ptr<APMESDKProperty>> properties;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (const auto& [name, property] : clientPropertyBySDKName_) properties.push_back(property);
  }
  // Encoded outside the lock: a property's delegate may call back in.
  std::vector<std::shared_ptr<APMPBClientProperty>> encoded;
  for (const auto& property : properties) {
    if (auto proto = property->proto()) encoded.push_back(std::move(proto));
  }
  auto message = std::make_shared<APMPBExperimentRequest>();
  APMPBSetMessage(message.get(), kRequestAppProperty, appPropertyProto().get());
  if (!encoded.empty()) APMPBSetMessageArray(message.get(), kRequestClientProperties, encoded);
  return message;
}

void APMEExperimentRequestBuilder::removeAllSDKPropertiesForTesting() {
  std::lock_guard<std::mutex> lock(mu_);
  clientPropertyBySDKName_.clear();
}
