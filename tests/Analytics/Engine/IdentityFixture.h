// Shared set-up for the identity tests: a fresh data root and main bundle,
// the tracking and advertising stand-ins registered with their defaults, an
// identity-support add-on that looks the frameworks up anew for each object,
// consent and engine hooks at their launch state, and the phone profile.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Analytics/Engine/APMDefaultIdentitySupport.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMInfoPlistFileUtil.h"
#include "Analytics/Engine/APMPlatformIdentitySupport.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/AdSupport/ASIdentifierManager.h"
#include "Platform/AppTrackingTransparency/ATTrackingManager.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UUID.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/TrivandelUtilities/TVULogger.h"
#include "Platform/UIKit/Device.h"

namespace identity_test {

using platform::Value;

inline void RegisterFreshIdentitySupportAddOn() {
  platform::ClassRegistry::shared().registerClass(APMPlatformIdentitySupport::kClassName, [] {
    return std::any(std::shared_ptr<APMIdentitySupport>(std::make_shared<APMPlatformIdentitySupport>()));
  });
}

inline void SetAdvertising(bool trackingEnabled, const std::string& identifier) {
  auto manager = adsupport::ASIdentifierManager::sharedManager();
  manager->setAdvertisingTrackingEnabled(trackingEnabled);
  manager->setAdvertisingIdentifier(*platform::UUID::fromString(identifier));
}

inline uikit::DeviceProfile PhoneWithSystem(const std::string& version) {
  uikit::DeviceProfile profile = uikit::DeviceProfile::phone390x844();
  profile.systemVersion = version;
  return profile;
}

// Monitor lines of the console levels arrive as "<tag>[I-ACS0NNNNN] text".
inline bool Logged(const platform::LogCapture& capture, int code) {
  APMMeasurementMonitor().waitForPendingWork();
  char tag[16];
  std::snprintf(tag, sizeof tag, "I-ACS%06d", code);
  return capture.contains(tag);
}

// Empties the health record, so that the next line logged is its only one.
inline void ForgetRecord() {
  APMMeasurementMonitor().waitForPendingWork();
  APMMeasurementMonitor().clearMonitoringData();
}

// Levels 2 and 5 reach only the health record. Cleared after each check, it
// holds the one line since, keyed "<level letter>_<version>:<message>"; true
// when that message is exactly text. Check right after the call.
inline bool Recorded(const std::string& text) {
  APMMeasurementMonitor().waitForPendingWork();
  auto record = APMMeasurementMonitor().sampledDataForTesting();
  APMMeasurementMonitor().clearMonitoringData();
  const Value::Array* entry = record ? record->getArray() : nullptr;
  if (entry == nullptr || entry->size() != 4 || !(*entry)[2].isString()) return false;
  const std::string& key = *(*entry)[2].getString();
  const std::size_t colon = key.find(':');
  return colon != std::string::npos && key.substr(colon + 1) == text;
}

class IdentityFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Bundle::main().setInfoDictionaryOverride(Value::Dictionary{
        {"CFBundleIdentifier", Value("com.facility.identity-test")},
        {"CFBundleShortVersionString", Value("4.2")},
        {"CFBundleVersion", Value("4.2.7")},
    });
    APMEngineHooks::reset();
    APMConsentSettingsUtil::resetForTesting();
    APMInfoPlistFileUtil::setEngineResourcesBundlePath(std::nullopt);
    uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
    apptrackingtransparency::RegisterAppTrackingTransparency();
    adsupport::RegisterAdSupport();
    RegisterFreshIdentitySupportAddOn();
    apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(0);
    SetAdvertising(false, APMIdentity::kZeroDeviceID);
    APMMeasurementMonitor().clearMonitoringData();
    previousLogLevel_ = APMMeasurementMonitor().logLevel();
    APMMeasurementMonitor().setLogLevel(8);
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelDebug);
  }

  void TearDown() override {
    APMMeasurementMonitor().waitForPendingWork();
    APMMeasurementMonitor().setLogLevel(previousLogLevel_);
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelNotice);
    auto& registry = platform::ClassRegistry::shared();
    for (const char* name : {apptrackingtransparency::ATTrackingManager::kClassName,
                             adsupport::ASIdentifierManager::kClassName, APMPlatformIdentitySupport::kClassName,
                             "QRVAnalytics"}) {
      registry.unregisterClass(name);
    }
    apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(0);
    SetAdvertising(false, APMIdentity::kZeroDeviceID);
    uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
    APMInfoPlistFileUtil::setEngineResourcesBundlePath(std::nullopt);
    APMConsentSettingsUtil::resetForTesting();
    APMEngineHooks::reset();
    platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);
  }

  // Remote settings by key, as a configuration would bring them.
  void setRemoteSettings(const std::map<std::string, std::string>& settings) {
    auto config = std::make_shared<APMRemoteConfig>();
    config->setConfiguredSettings(settings);
    APMEngineHooks::setRemoteConfigProvider([config] { return config; });
  }

  void setInfo(const std::string& key, const Value& value) {
    Value::Dictionary info = platform::Bundle::main().infoDictionary();
    info[key] = value;
    platform::Bundle::main().setInfoDictionaryOverride(info);
  }

  static void writeServicePlist(const std::string& folder, const Value::Dictionary& contents) {
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectoryAtPath(folder).ok());
    ASSERT_TRUE(platform::PropertyList::writeFile(folder + "/TrivandelService-Info.plist", Value(contents)).ok());
  }

  std::shared_ptr<APMPersistedConfig> makeConfig(const std::string& suite = "identity-test") {
    return APMPersistedConfig::initWithSuiteName(suite);
  }

  // A support object made now, so it sees the registry as the test set it.
  static std::shared_ptr<APMDefaultIdentitySupport> makeSupport() {
    auto support = std::make_shared<APMDefaultIdentitySupport>();
    support->setReadTimeoutForTesting(10);  // a loaded machine may be slow to hand over
    return support;
  }

  std::shared_ptr<APMIdentity> makeIdentity(std::shared_ptr<APMPersistedConfig> config = nullptr) {
    if (!config) config = makeConfig();
    return APMIdentity::initWithPersistedConfig(config, makeSupport());
  }

  platform::TemporaryDataRoot root_;
  int64_t previousLogLevel_ = 6;
};

}  // namespace identity_test
